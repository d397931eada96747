#include "cms/CMSSupport.h"

#include "cms/VideoCardUtils.h"
#include "cms/gamma_ramp.h"
#include "cms/monitor_strings.h"
#include "platform/guards.h"
#include "platform/last_error.h"
#include "report/report.h"
#include "report/text_format.h"
#include "res/resource.h"

#include <cstring>
#include <string>

namespace {

constexpr const char* kModule = "CMSSupport";
constexpr int32_t kLineGetMonitorStrings = 386;
constexpr int32_t kLineAssociate = 393;
constexpr size_t kMessageSize = 1024;

// A failed step: its result and the string-table entry that names it.
int32_t Fail(int32_t& messageId, int32_t id, int32_t result)
{
    messageId = id;
    return result;
}

}  // namespace

int32_t SetDefaultProfile(MonitorHandle monitor, const char* path, int32_t attachedOnly, int32_t& messageId)
{
    if (!path)
        path = "";

    std::string deviceId;
    if (int32_t result = GetMonitorStrings(monitor, nullptr, &deviceId, nullptr, nullptr, attachedOnly)) {
        // The handle is shown as the window system shows one: its low 32 bits in hex.
        const auto handle = static_cast<unsigned>(reinterpret_cast<uintptr_t>(monitor) & 0xFFFFFFFFu);
        std::string message =
            FormatBounded(kMessageSize, "SetDefaultProfile.GetMonitorStrings failed [%08X]", handle);
        ReportError(message.c_str(), result, kModule, kLineGetMonitorStrings, 0, 0);
        return result;
    }

    // Disassociate first, so that a profile associated already is associated anew and
    // becomes the default; whether it was associated does not matter.
    Sys().DisassociateColorProfileFromDeviceA(nullptr, path, deviceId.c_str());
    if (!Sys().AssociateColorProfileWithDeviceA(nullptr, path, deviceId.c_str())) {
        std::string message = "SetDefaultProfile.AssociateColorProfileWithDevice failed [" + std::string(path) +
                              " | " + deviceId + "]";
        ReportError(message.c_str(), kResultAssociationFailed, kModule, kLineAssociate, 0, 0);
        return kResultAssociationFailed;
    }

    return LoadCalibration(monitor, path, messageId);
}

int32_t LoadCalibration(MonitorHandle monitor, const char* path, int32_t& messageId)
{
    messageId = 0;
    if (!path)
        path = "";

    // The profile record names the file through a 260-byte buffer; a longer path is
    // refused as the file system would refuse it.
    char pathBuffer[kMaxProfilePath] = {};
    const size_t pathLength = std::strlen(path);
    if (pathLength >= sizeof pathBuffer)
        return Fail(messageId, IDS_OPEN_FAILED, static_cast<int32_t>(kErrorFilenameExcedRange));
    std::memcpy(pathBuffer, path, pathLength);
    const ProfileRecord record{kProfileFilename, pathBuffer, static_cast<uint32_t>(sizeof pathBuffer)};

    ClearLastError();
    ProfileOwner profile(Sys().OpenColorProfileA(&record, kProfileRead, kFileShareRead, kOpenExisting));
    if (!profile) {
        if (int32_t result = StepResult(false))
            return Fail(messageId, IDS_OPEN_FAILED, result);
    }

    Bool32 present = 0;
    ClearLastError();
    if (int32_t result = StepResult(Sys().IsColorProfileTagPresent(profile.Get(), kTagVcgt, &present)))
        return Fail(messageId, IDS_NO_CALIBRATION, result);
    if (!present)
        return Fail(messageId, IDS_NO_CALIBRATION, kResultNoCalibration);

    // Asked with no buffer, the call fails by design; only the size it leaves counts.
    uint32_t size = 0;
    Bool32 reference = 0;
    Sys().GetColorProfileElement(profile.Get(), kTagVcgt, 0, &size, nullptr, &reference);
    if (size != kVcgtTableSize)
        return Fail(messageId, IDS_BAD_LENGTH, kResultBadCalibration);

    // Zero-filled, so that a read which fails without a code leaves a table that the
    // header check refuses rather than uninitialised bytes.
    ClearLastError();
    HeapBlock buffer(Sys().Calloc(1, kVcgtTableSize));
    if (!buffer) {
        int32_t result = StepResult(false);
        return Fail(messageId, IDS_NO_MEMORY, result != 0 ? result : static_cast<int32_t>(kErrorNotEnoughMemory));
    }

    size = kVcgtTableSize;
    ClearLastError();
    if (int32_t result =
            StepResult(Sys().GetColorProfileElement(profile.Get(), kTagVcgt, 0, &size, buffer.Get(), &reference)))
        return Fail(messageId, IDS_READ_FAILED, result);

    const auto* tag = static_cast<const uint8_t*>(buffer.Get());
    if (!IsVcgtTableHeader(tag, kVcgtTableSize))
        return Fail(messageId, IDS_BAD_HEADER, kResultBadCalibration);

    GammaRamp ramp{};
    BuildGammaRamp(tag, ramp);
    if (!IsGammaRampPlausible(ramp))
        return Fail(messageId, IDS_BAD_TABLE, kResultImplausibleTable);

    if (int32_t result = SetDevGammaTable(monitor, ramp))
        return Fail(messageId, IDS_DOWNLOAD_FAILED, result);
    return 0;
}
