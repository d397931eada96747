#include "cms/VideoCardUtils.h"

#include "cms/monitor_strings.h"
#include "platform/guards.h"
#include "platform/last_error.h"
#include "report/report.h"

#include <cstddef>

namespace {
constexpr const char* kModule = "VideoCardUtils";
constexpr int32_t kLineSetDeviceGammaRamp = 46;

// Whether the adapter's ramp holds what was written, read back through the same
// context. Only the high bytes count: the X server keeps 8 bits per entry, so 0xFF00
// reads back as 0xFFFF. A ramp that cannot be read back says nothing either way, and
// then the refusal counts as done.
bool RampHolds(DcHandle dc, const HardwareRamp& written)
{
    HardwareRamp current{};
    ClearLastError();
    if (!Sys().GetDeviceGammaRamp(dc, &current))
        return true;
    return CompareRamp(current, written).entries == 0;
}

}  // namespace

int32_t SetDevGammaTable(MonitorHandle monitor, const GammaRamp& ramp)
{
    HardwareRamp hardware{};
    MakeHardwareRamp(ramp, hardware);
    return SetDevGammaTable(monitor, hardware);
}

int32_t SetDevGammaTable(MonitorHandle monitor, const HardwareRamp& hardware)
{
    DcOwner dc;
    if (int32_t result = CreateMonitorDC(monitor, dc))
        return result;
    return SetDcGammaTable(dc.Get(), hardware);
}

int32_t SetDcGammaTable(DcHandle dc, const HardwareRamp& hardware)
{
    // Drivers refuse ramps they find implausible without always setting a code, so the
    // code is cleared first: a stale one must not be reported as this write's.
    ClearLastError();
    if (Sys().SetDeviceGammaRamp(dc, &hardware))
        return 0;
    const int32_t result = StepResult(false);
    if (result == 0 || result == static_cast<int32_t>(kErrorInvalidParameter)) {
        // Such a refusal may come from a driver that keeps no ramp of its own, but
        // Wine's X11 driver says the same when it turns a table down (a flat or inverted
        // curve, say) and keeps the old ramp: only the ramp itself tells the two apart.
        return RampHolds(dc, hardware) ? 0 : static_cast<int32_t>(kErrorInvalidParameter);
    }
    ReportError("SetDevGammaTable (SetDeviceGammaRamp)", result, kModule, kLineSetDeviceGammaRamp, 0, 0);
    return result;
}

HardwareRamp HeldAfterWrite(MonitorHandle monitor, const HardwareRamp& written)
{
    DcOwner dc;
    if (CreateMonitorDC(monitor, dc) != 0)
        return written;
    return HeldAfterWrite(dc.Get(), written);
}

HardwareRamp HeldAfterWrite(DcHandle dc, const HardwareRamp& written)
{
    HardwareRamp held{};
    if (ReadDcRamp(dc, held) != 0 || CompareRamp(held, written).largest > 1)
        return written;
    return held;
}

int32_t ReadMonitorRamp(MonitorHandle monitor, HardwareRamp& ramp)
{
    DcOwner dc;
    if (int32_t result = CreateMonitorDC(monitor, dc))
        return result;
    return ReadDcRamp(dc.Get(), ramp);
}

int32_t ReadDcRamp(DcHandle dc, HardwareRamp& ramp)
{
    ClearLastError();
    if (!Sys().GetDeviceGammaRamp(dc, &ramp))
        return FailureCode(1);
    return 0;
}
