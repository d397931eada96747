#include "cms/calibration_check.h"

#include "cms/CMSSupport.h"
#include "cms/monitor_strings.h"
#include "platform/guards.h"
#include "platform/last_error.h"
#include "report/resource_strings.h"
#include "report/text_format.h"
#include "res/resource.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr size_t kHeaderSize = 18;          // signature, reserved, type, channels, count, size
constexpr size_t kFormulaSize = 48;         // signature, reserved, type, 3 x (gamma, min, max)
constexpr uint32_t kGammaTypeTable = 0;
constexpr uint32_t kGammaTypeFormula = 1;

CalibrationVerdict VerdictOf(int32_t result, int32_t messageId, bool extended)
{
    switch (messageId) {
    case 0:
        return CalibrationVerdict::Loads;
    case IDS_NO_CALIBRATION:
        return result == kResultNoCalibration ? CalibrationVerdict::NoTable : CalibrationVerdict::Damaged;
    case IDS_BAD_LENGTH:
        return extended ? CalibrationVerdict::ExtendedTable : CalibrationVerdict::Damaged;
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

bool IsExtendedVcgt(const uint8_t* tag, size_t size)
{
    if (!tag || size < 12 || ReadBigEndian32(tag) != kTagVcgt)
        return false;
    const uint32_t type = ReadBigEndian32(tag + 8);
    if (type == kGammaTypeFormula)
        return size >= kFormulaSize;
    if (type != kGammaTypeTable || size < kHeaderSize)
        return false;
    const uint32_t channels = ReadBigEndian16(tag + 12);
    const uint32_t count = ReadBigEndian16(tag + 14);
    const uint32_t entrySize = ReadBigEndian16(tag + 16);
    if ((channels != 1 && channels != 3) || count < 2 || (entrySize != 1 && entrySize != 2))
        return false;
    return size == kHeaderSize + size_t(channels) * count * entrySize && !IsVcgtTableHeader(tag, size);
}

CalibrationDiagnosis DiagnoseProfile(const char* path)
{
    CalibrationDiagnosis diagnosis;
    bool extended = false;
    diagnosis.result = DiagnoseCalibration(path, diagnosis.ramp, diagnosis.messageId, &extended);
    diagnosis.verdict = VerdictOf(diagnosis.result, diagnosis.messageId, extended);
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
        return GetResourceString(IDS_TIP_EXTENDED_TABLE);
    case CalibrationVerdict::Damaged:
        return GetResourceString(IDS_TIP_DAMAGED);
    case CalibrationVerdict::TooDark:
        return GetResourceString(IDS_TIP_TOO_DARK);
    case CalibrationVerdict::Unreadable:
        break;
    }
    const char* format = GetResourceString(IDS_TIP_UNREADABLE);
    if (FormatMatches(format, "d"))
        return FormatBounded(kResourceStringBufferSize, format, static_cast<int>(diagnosis.result));
    return std::string(format) + " (" + std::to_string(diagnosis.result) + ")";
}

GammaRamp IdentityRamp()
{
    GammaRamp ramp{};
    ramp.count = kRampEntries;
    for (size_t i = 0; i < kRampEntries; ++i) {
        const auto value = static_cast<uint16_t>(i);
        ramp.entries[i] = GammaRamp::Entry{0, value, value, value};
    }
    return ramp;
}

RampDifference CompareRamp(const HardwareRamp& actual, const HardwareRamp& expected)
{
    RampDifference difference;
    const auto compare = [&](const uint16_t* a, const uint16_t* b) {
        for (size_t i = 0; i < kRampEntries; ++i) {
            const int32_t gap = std::abs(int32_t(a[i] >> 8) - int32_t(b[i] >> 8));
            if (gap != 0) {
                ++difference.entries;
                difference.largest = std::max(difference.largest, gap);
            }
        }
    };
    compare(actual.red, expected.red);
    compare(actual.green, expected.green);
    compare(actual.blue, expected.blue);
    return difference;
}

int32_t ReadMonitorRamp(MonitorHandle monitor, HardwareRamp& ramp)
{
    DcOwner dc;
    if (int32_t result = CreateMonitorDC(monitor, dc))
        return result;
    ClearLastError();
    if (!Sys().GetDeviceGammaRamp(dc.Get(), &ramp))
        return FailureCode(1);
    return 0;
}
