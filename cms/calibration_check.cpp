#include "cms/calibration_check.h"

#include "cms/CMSSupport.h"
#include "cms/monitor_strings.h"
#include "cms/vcgt_decoder.h"
#include "platform/guards.h"
#include "platform/last_error.h"
#include "report/resource_strings.h"
#include "report/text_format.h"
#include "res/resource.h"

#include <algorithm>
#include <cstdlib>

namespace {

CalibrationVerdict VerdictOf(int32_t result, int32_t messageId)
{
    switch (messageId) {
    case 0:
        return CalibrationVerdict::Loads;
    case IDS_NO_CALIBRATION:
        return result == kResultNoCalibration ? CalibrationVerdict::NoTable : CalibrationVerdict::Damaged;
    case IDS_BAD_LENGTH:
    case IDS_READ_FAILED:
    case IDS_BAD_HEADER:
        return CalibrationVerdict::Damaged;
    case IDS_BAD_TABLE:
        return CalibrationVerdict::TooDark;
    default:   // the profile cannot be opened, or there is no memory to read it
        return CalibrationVerdict::Unreadable;
    }
}

}  // namespace

CalibrationDiagnosis DiagnoseProfile(const char* path, bool extendedTables)
{
    CalibrationDiagnosis diagnosis;
    diagnosis.result = DiagnoseCalibration(path, diagnosis.hardware, diagnosis.messageId, extendedTables);
    diagnosis.verdict = VerdictOf(diagnosis.result, diagnosis.messageId);
    diagnosis.ramp = MakeGammaRecord(diagnosis.hardware);
    // Refused for its form alone? Then the row tells what the setting would change.
    if (diagnosis.verdict == CalibrationVerdict::Damaged && diagnosis.result == kResultBadCalibration &&
        !extendedTables) {
        HardwareRamp ramp{};
        int32_t messageId = 0;
        const int32_t result = DiagnoseCalibration(path, ramp, messageId, true);
        if (result == 0)
            diagnosis.verdict = CalibrationVerdict::ExtendedTable;
        else if (messageId == IDS_BAD_TABLE)
            diagnosis.verdict = CalibrationVerdict::TooDark;
    }
    return diagnosis;
}

std::string DescribeVerdict(const CalibrationDiagnosis& diagnosis)
{
    switch (diagnosis.verdict) {
    case CalibrationVerdict::Loads:
        return GetResourceString(IDS_TIP_LOADS);
    case CalibrationVerdict::NoTable:
        return GetResourceString(IDS_TIP_NO_TABLE);
    case CalibrationVerdict::ExtendedTable:
        return GetResourceString(IDS_TIP_EXTENDED_OFF);
    case CalibrationVerdict::Damaged:
        return GetResourceString(IDS_TIP_DAMAGED);
    case CalibrationVerdict::TooDark:
        return GetResourceString(IDS_TIP_TOO_DARK);
    case CalibrationVerdict::Unreadable:
        break;
    }
    return FormatOrFallback(kResourceStringBufferSize, GetResourceString(IDS_TIP_UNREADABLE), "d",
                            std::to_string(diagnosis.result), static_cast<int>(diagnosis.result));
}

std::string DescribeVerdictFor(const CalibrationDiagnosis& diagnosis, bool advancedColor,
                               const std::string& monitorName)
{
    if (!advancedColor || diagnosis.verdict != CalibrationVerdict::Loads)
        return DescribeVerdict(diagnosis);
    return FormatOrFallback(kResourceStringBufferSize, GetResourceString(IDS_HDR_NOT_KEPT), "s", monitorName,
                            monitorName.c_str());
}
