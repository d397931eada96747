#include "cms/current_calibration.h"

#include "cms/keeper_set.h"
#include "cms/monitor_strings.h"
#include "report/report.h"
#include "res/resource.h"

#include <vector>

namespace {

constexpr int32_t kErrorFileNotFound = 2;
constexpr int32_t kErrorPathNotFound = 3;

// Reports composed and dropped for as long as it lives: the quiet load shows none, not
// even those the download raises on its own.
class SilentReports {
public:
    explicit SilentReports(bool silent) : m_bSilent(silent), m_pPrevious(silent ? SetReportPresenter(nullptr) : nullptr)
    {
    }
    ~SilentReports()
    {
        if (m_bSilent)
            SetReportPresenter(m_pPrevious);
    }
    SilentReports(const SilentReports&) = delete;
    SilentReports& operator=(const SilentReports&) = delete;

private:
    bool m_bSilent;
    ReportPresenter* m_pPrevious;
};

// The current calibration loaded; loaded, when given, takes what was written and what
// the ramp read back (none is read back without it: nothing would keep it).
int32_t LoadCurrent(MonitorHandle monitor, bool extendedTables, std::string& path, LoadedRamp* loaded, bool& didLoad)
{
    didLoad = false;
    path.clear();
    if (GetProfileNameUsingDeviceID(monitor, &path, nullptr, nullptr) != 0 || path.empty())
        return 0;
    int32_t messageId = 0;
    const int32_t result = LoadCalibration(monitor, path.c_str(), messageId, extendedTables, loaded);
    if (result == 0) {
        didLoad = true;
        return 0;
    }
    if ((result == kResultNoCalibration && messageId == IDS_NO_CALIBRATION) || messageId == IDS_HDR_NOT_LOADED)
        return 0;
    // Where no profile was ever chosen, the graphics system still names its default
    // one, which a store may not hold (Wine's GetICMProfile names "sRGB Color Space
    // Profile.icm" whatever is there); a profile deleted since it was chosen looks
    // the same. Either way the monitor has no current profile to load.
    if (messageId == IDS_OPEN_FAILED && (result == kErrorFileNotFound || result == kErrorPathNotFound))
        return 0;
    ReportCalibrationFailure(monitor, path.c_str(), messageId, result);
    return result;
}

}  // namespace

int32_t LoadCurrentCalibration(MonitorHandle monitor, bool extendedTables, std::string& path, LoadedRamp& loaded,
                               bool& didLoad)
{
    return LoadCurrent(monitor, extendedTables, path, &loaded, didLoad);
}

int32_t LoadCurrentCalibrations(bool quiet, bool extendedTables, KeeperSet* keepers)
{
    const std::vector<MonitorHandle> monitors = DesktopMonitors();
    const SilentReports silence(quiet);
    int32_t first = 0;
    for (MonitorHandle monitor : monitors) {
        if (GetMonitorStrings(monitor, nullptr, nullptr, nullptr, nullptr, 1) != 0)
            continue;
        std::string path;
        LoadedRamp loaded;
        bool didLoad = false;
        const RampsBefore before = keepers ? keepers->ReadOthers(monitor) : RampsBefore{};
        const int32_t result = LoadCurrent(monitor, extendedTables, path, keepers ? &loaded : nullptr, didLoad);
        if (didLoad && keepers)
            keepers->Loaded(monitor, path, loaded, before);
        if (first == 0)
            first = result;
    }
    return first;
}
