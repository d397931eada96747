#include "cms/calibration_keeper.h"

#include "cms/CMSSupport.h"
#include "cms/VideoCardUtils.h"
#include "cms/calibration_check.h"
#include "cms/monitor_strings.h"
#include "report/report.h"
#include "res/resource.h"

#include <vector>

void CalibrationKeeper::Wrote(const HardwareRamp& hardware, const std::string& path)
{
    m_hardware = hardware;
    m_path = path;
    m_bKeeping = true;
}

void CalibrationKeeper::Wrote(const GammaRamp& ramp, const std::string& path)
{
    HardwareRamp hardware{};
    MakeHardwareRamp(ramp, hardware);
    Wrote(hardware, path);
}

bool CalibrationKeeper::Holds() const
{
    HardwareRamp current{};
    // What cannot be read cannot be mended either.
    if (ReadMonitorRamp(m_hMonitor, current) != 0)
        return true;
    return CompareRamp(current, m_hardware).entries == 0;
}

void CalibrationKeeper::OtherWrote()
{
    if (m_bKeeping && !Holds())
        m_bKeeping = false;
}

int32_t CalibrationKeeper::Keep()
{
    if (!m_bKeeping || Holds())
        return 0;
    // A refused write opens the video card's own report, and the modal loop behind it
    // lets the next period in before this call returns: nothing is kept meanwhile, or
    // every period would stack one more report on the first.
    m_bKeeping = false;
    const int32_t result = SetDevGammaTable(m_hMonitor, m_hardware);
    if (result == 0) {
        m_bKeeping = true;
        return 0;
    }
    ReportCalibrationFailure(m_hMonitor, m_path.c_str(), IDS_DOWNLOAD_FAILED, result);
    return result;
}

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

}  // namespace

int32_t LoadCurrentCalibrations(bool quiet)
{
    const std::vector<MonitorHandle> monitors = DesktopMonitors();
    const SilentReports silence(quiet);
    int32_t first = 0;
    for (MonitorHandle monitor : monitors) {
        if (GetMonitorStrings(monitor, nullptr, nullptr, nullptr, nullptr, 1) != 0)
            continue;
        std::string path;
        if (GetProfileNameUsingDeviceID(monitor, &path, nullptr, nullptr) != 0 || path.empty())
            continue;
        int32_t messageId = 0;
        const int32_t result = LoadCalibration(monitor, path.c_str(), messageId);
        if (result == 0 || (result == kResultNoCalibration && messageId == IDS_NO_CALIBRATION))
            continue;
        // Where no profile was ever chosen, the graphics system still names its default
        // one, which a store may not hold (Wine's GetICMProfile names "sRGB Color Space
        // Profile.icm" whatever is there); a profile deleted since it was chosen looks
        // the same. Either way the monitor has no current profile to load.
        if (messageId == IDS_OPEN_FAILED && (result == kErrorFileNotFound || result == kErrorPathNotFound))
            continue;
        ReportCalibrationFailure(monitor, path.c_str(), messageId, result);
        if (first == 0)
            first = result;
    }
    return first;
}
