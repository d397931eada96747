#include "cms/VideoCardUtils.h"

#include "cms/monitor_strings.h"
#include "platform/guards.h"
#include "platform/last_error.h"
#include "report/report.h"

namespace {
constexpr const char* kModule = "VideoCardUtils";
constexpr int32_t kLineSetDeviceGammaRamp = 46;
}  // namespace

int32_t SetDevGammaTable(MonitorHandle monitor, const GammaRamp& ramp)
{
    HardwareRamp hardware{};
    MakeHardwareRamp(ramp, hardware);

    DcOwner dc;
    if (int32_t result = CreateMonitorDC(monitor, dc))
        return result;

    // Drivers refuse ramps they find implausible without always setting a code, so the
    // code is cleared first: a stale one must not be reported as this write's.
    ClearLastError();
    int32_t result = StepResult(Sys().SetDeviceGammaRamp(dc.Get(), &hardware));
    if (result == static_cast<int32_t>(kErrorInvalidParameter))
        return 0;
    if (result != 0)
        ReportError("SetDevGammaTable (SetDeviceGammaRamp)", result, kModule, kLineSetDeviceGammaRamp, 0, 0);
    return result;
}
