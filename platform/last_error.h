// The last-error convention, in one place.
//
// A platform call that reports failure counts as a failed step only when the thread's
// last-error code is non-zero afterwards; a failure that leaves the code at 0 is taken
// as success and the next step runs. The code is cleared before each judged call, so
// that a stale code from an earlier call is never mistaken for this call's.
#pragma once

#include "platform/platform.h"

// Clears the last error; call it right before a platform call whose failure you judge.
inline void ClearLastError() { Sys().SetLastError(0); }

// The step result of a platform call that returned `succeeded`: 0 when it succeeded or
// failed without a code, otherwise the last-error code as a signed result.
inline int32_t StepResult(bool succeeded)
{
    return succeeded ? 0 : static_cast<int32_t>(Sys().GetLastError());
}

// The code of a call that failed where going on is impossible (its output was never
// filled, or there is no memory): the last error, or fallback when it reads 0.
inline int32_t FailureCode(int32_t fallback)
{
    const int32_t code = StepResult(false);
    return code != 0 ? code : fallback;
}

