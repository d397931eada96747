// Writing a gamma ramp to a monitor's display adapter.
#pragma once

#include "cms/gamma_ramp.h"
#include "platform/platform.h"

#include <cstdint>

// Writes the ramp (each value << 8) to the monitor's adapter. Returns 0 on success, the
// result of the device-context lookup, or the last error of a refused write, which is
// also reported. A refusal with last error 87 or 0 is not reported: it counts as
// success when the adapter's ramp, read back, holds the table anyway (or cannot be
// read back), and gives 87 when the old ramp is still in place.
int32_t SetDevGammaTable(MonitorHandle monitor, const GammaRamp& ramp);

// The same for a ramp already at the adapter's 16 bits (a table or formula of another
// form than the 786-byte one), written as it is.
int32_t SetDevGammaTable(MonitorHandle monitor, const HardwareRamp& hardware);
// The same through a device context of the adapter the caller already holds.
int32_t SetDcGammaTable(DcHandle dc, const HardwareRamp& hardware);

// Reads the monitor's adapter ramp. Returns 0, the device-context lookup's result, or
// the read's last error (1 when it failed without one).
int32_t ReadMonitorRamp(MonitorHandle monitor, HardwareRamp& ramp);
// The same through a device context of the adapter the caller already holds.
int32_t ReadDcRamp(DcHandle dc, HardwareRamp& ramp);

// What the monitor's ramp holds right after the program wrote `written` to it: the ramp
// read back, where it is the written one but for what a driver rounds (no entry more
// than one 8-bit step away); otherwise the written ramp itself: a read that failed, or
// one that another writer got in before, says nothing of what this write left.
HardwareRamp HeldAfterWrite(MonitorHandle monitor, const HardwareRamp& written);
HardwareRamp HeldAfterWrite(DcHandle dc, const HardwareRamp& written);
