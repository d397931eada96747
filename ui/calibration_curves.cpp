#include "ui/calibration_curves.h"

#include "cms/VideoCardUtils.h"
#include "cms/calibration_check.h"
#include "report/mbstring.h"
#include "report/resource_strings.h"
#include "report/text_format.h"
#include "res/resource.h"

namespace {

constexpr size_t kMessageSize = 1024;
constexpr size_t kNameBytes = 255;

std::string FileNameOf(const std::string& path)
{
    std::string name;
    SplitPath(path.c_str(), &name, nullptr);
    return MbsTruncate(name, kNameBytes);
}

}  // namespace

CurvesContent ReadCurves(MonitorHandle monitor, const std::string& path, const std::string& monitorName,
                         bool extendedTables, bool advancedColor, KeepState state, bool keeping)
{
    CurvesContent content;
    if (path.empty()) {
        content.reason = GetResourceString(IDS_CURVES_NO_PROFILE);
        return content;
    }
    const std::string name = FileNameOf(path);
    const CalibrationDiagnosis diagnosis = DiagnoseProfile(path.c_str(), extendedTables);
    if (diagnosis.verdict == CalibrationVerdict::NoTable) {
        content.reason = FormatOrFallback(kMessageSize, GetResourceString(IDS_CURVES_NO_TABLE), "s", name,
                                          name.c_str());
        return content;
    }
    if (diagnosis.verdict != CalibrationVerdict::Loads) {
        const std::string why = DescribeVerdict(diagnosis);
        content.reason = FormatOrFallback(kMessageSize, GetResourceString(IDS_CURVES_NOT_LOADABLE), "s s",
                                          name + ", " + why, name.c_str(), why.c_str());
        return content;
    }
    if (advancedColor) {
        const std::string screen = MbsTruncate(monitorName, kNameBytes);
        content.reason = FormatOrFallback(kMessageSize, GetResourceString(IDS_CURVES_HDR), "s", screen,
                                          screen.c_str());
        return content;
    }
    content.plotted = true;
    content.table = diagnosis.hardware;
    content.cardRead = ReadMonitorRamp(monitor, content.card) == 0;
    content.verdict = VerifyCalibration(monitor, path, monitorName, extendedTables, advancedColor, state, keeping);
    return content;
}

std::string CurvesCaption(const std::string& monitorName)
{
    const std::string screen = MbsTruncate(monitorName, kNameBytes);
    return FormatOrFallback(kMessageSize, GetResourceString(IDS_CURVES_CAPTION), "s", screen, screen.c_str());
}
