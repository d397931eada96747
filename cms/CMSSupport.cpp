#include "cms/CMSSupport.h"

#include "cms/VideoCardUtils.h"
#include "cms/advanced_color.h"
#include "cms/gamma_ramp.h"
#include "cms/monitor_strings.h"
#include "cms/vcgt_decoder.h"
#include "platform/guards.h"
#include "platform/last_error.h"
#include "report/mbstring.h"
#include "report/report.h"
#include "report/resource_strings.h"
#include "report/text_format.h"
#include "res/resource.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

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

int32_t SetDefaultProfile(MonitorHandle monitor, const char* path, int32_t attachedOnly, int32_t& messageId,
                          bool extendedTables, LoadedRamp* loaded)
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

    return LoadCalibration(monitor, path, messageId, extendedTables, loaded);
}

int32_t LoadCalibration(MonitorHandle monitor, const char* path, int32_t& messageId, bool extendedTables,
                        LoadedRamp* loaded)
{
    LoadedRamp ramp;
    if (int32_t result = DiagnoseCalibration(path, ramp.written, messageId, extendedTables, &ramp.extended))
        return result;
    // The desktop of an HDR monitor is composed in a space where an SDR calibration ramp
    // does not give the calibrated result.
    if (IsHdrActive(monitor))
        return Fail(messageId, IDS_HDR_NOT_LOADED, kResultAdvancedColor);
    if (int32_t result = SetDevGammaTable(monitor, ramp.written))
        return Fail(messageId, IDS_DOWNLOAD_FAILED, result);
    if (loaded) {
        // A driver may keep fewer bits than it was given: what it holds is what the
        // ramp will read as from now on.
        ramp.held = HeldAfterWrite(monitor, ramp.written);
        *loaded = ramp;
    }
    return 0;
}

int32_t ResetToLinear(MonitorHandle monitor, const char* path, LoadedRamp& linear)
{
    linear = LoadedRamp{};
    MakeHardwareRamp(IdentityRamp(), linear.written);
    if (int32_t result = SetDevGammaTable(monitor, linear.written)) {
        // Nothing chosen to name: the message names what the monitor has, if anything.
        std::string named = path ? path : "";
        if (named.empty() && (GetProfileNameUsingDeviceID(monitor, &named, nullptr, nullptr) != 0 || named.empty()))
            named = kNoProfileName;
        ReportCalibrationFailure(monitor, named.c_str(), IDS_DOWNLOAD_FAILED, result);
        return result;
    }
    linear.held = HeldAfterWrite(monitor, linear.written);
    return 0;
}

int32_t DiagnoseCalibration(const char* path, HardwareRamp& ramp, int32_t& messageId, bool extendedTables,
                            bool* extended)
{
    messageId = 0;
    if (extended)
        *extended = false;
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
    // Other forms than the 786-byte table are read whole, up to the largest any can be.
    uint32_t size = 0;
    Bool32 reference = 0;
    Sys().GetColorProfileElement(profile.Get(), kTagVcgt, 0, &size, nullptr, &reference);
    if (size != kVcgtTableSize && (!extendedTables || size == 0 || size > kMaxVcgtTag))
        return Fail(messageId, IDS_BAD_LENGTH, kResultBadCalibration);

    // Zero-filled, so that a read which fails without a code leaves a tag that the
    // header check refuses rather than uninitialised bytes.
    ClearLastError();
    HeapBlock buffer(Sys().Calloc(1, size));
    if (!buffer) {
        return Fail(messageId, IDS_NO_MEMORY, FailureCode(static_cast<int32_t>(kErrorNotEnoughMemory)));
    }

    uint32_t read = size;
    ClearLastError();
    if (int32_t result =
            StepResult(Sys().GetColorProfileElement(profile.Get(), kTagVcgt, 0, &read, buffer.Get(), &reference)))
        return Fail(messageId, IDS_READ_FAILED, result);

    // The 786-byte table is decoded as its record always decodes (its record, each byte << 8); the
    // other forms only when asked for. A read that came back short leaves a tag whose
    // header disagrees with its size.
    const auto* tag = static_cast<const uint8_t*>(buffer.Get());
    const VcgtDecoding decoding = DecodeVcgt(tag, std::min(read, size), ramp);
    if (!decoding.Ok() || (decoding.form != VcgtForm::ByteTable && !extendedTables))
        return Fail(messageId, IDS_BAD_HEADER, kResultBadCalibration);
    if (extended)
        *extended = decoding.form != VcgtForm::ByteTable;

    // Only the high bytes count: a 16-bit table is judged as its 8-bit self would be.
    if (!IsGammaRampPlausible(MakeGammaRecord(ramp)))
        return Fail(messageId, IDS_BAD_TABLE, kResultImplausibleTable);
    return 0;
}

void ReportCalibrationFailure(MonitorHandle monitor, const char* path, int32_t messageId, int32_t result)
{
    if (!path)
        path = "";
    // GetResourceString hands out one shared buffer: take the closing request first.
    const std::string closing = GetResourceString(IDS_SELECT_ANOTHER);
    std::string fileName;
    SplitPath(path, &fileName, nullptr);
    fileName = MbsTruncate(fileName, 255);
    const std::string monitorName = MbsTruncate(MonitorNameForMessages(monitor), 255);

    const char* format = GetResourceString(static_cast<uint32_t>(messageId));
    const std::string message =
        messageId == IDS_HDR_NOT_LOADED
            ? FormatOrFallback(kMessageSize, format, "s", monitorName, monitorName.c_str())
            : FormatOrFallback(kMessageSize, format, "s s s d",
                               fileName + ", " + monitorName + ", " + std::to_string(result), fileName.c_str(),
                               monitorName.c_str(), closing.c_str(), static_cast<int>(result));
    ReportError(message.c_str(), 0, nullptr, 0, 0, 0);
}

namespace {

constexpr size_t kMaxMultiByteName = 1024;   // the converted profile name, with its NUL

void FillNames(const std::string& path, const std::string& name, std::string* fullPath, std::string* fileName,
               std::string* extension)
{
    if (fullPath)
        *fullPath = path;
    SplitPath(name.c_str(), fileName, extension);
}

// The device-ID route, walked for active monitor devices only or for any.
int32_t LookUpByDeviceId(MonitorHandle monitor, std::string* fullPath, std::string* fileName,
                         std::string* extension, int32_t attachedOnly)
{
    std::string deviceId;
    if (int32_t result = GetMonitorStrings(monitor, nullptr, &deviceId, nullptr, nullptr, attachedOnly))
        return result;
    return GetProfileNameByDeviceID(deviceId, fullPath, fileName, extension);
}

}  // namespace

int32_t GetProfileNameUsingDeviceID(MonitorHandle monitor, std::string* fullPath, std::string* fileName,
                                    std::string* extension)
{
    if (fullPath)
        fullPath->clear();
    if (extension)
        extension->clear();
    if (fileName)
        *fileName = kNoProfileName;

    int32_t result = LookUpByDeviceId(monitor, fullPath, fileName, extension, 1);
    if (result != 0)
        result = LookUpByDeviceId(monitor, fullPath, fileName, extension, 0);
    if (result != 0)
        result = GetProfileNameByDC(monitor, fullPath, fileName, extension);
    return result;
}

int32_t GetProfileNameByDeviceID(const std::string& deviceId, std::string* fullPath, std::string* fileName,
                                 std::string* extension)
{
    // Every byte of the ANSI text gives at most one UTF-16 unit.
    std::vector<char16_t> wideId(deviceId.size() + 1);
    ClearLastError();
    if (Sys().MultiByteToWideChar(kCodePageThreadAcp, 0, deviceId.c_str(), -1, wideId.data(),
                                  static_cast<int32_t>(wideId.size())) == 0) {
        // Without a code the buffer was never filled; nothing can be asked with it.
        return FailureCode(kResultNoTranslation);
    }

    EnumTypeW criteria{};
    criteria.dwSize = sizeof criteria;
    criteria.dwVersion = kEnumTypeVersion;
    criteria.dwFields = kEtDeviceName | kEtClass;
    criteria.pDeviceName = wideId.data();
    criteria.dwClass = kClassMonitor;
    criteria.dwDeviceClass = kClassMonitor;

    uint32_t size = 0;
    uint32_t count = 0;
    ClearLastError();
    int32_t result = StepResult(Sys().EnumColorProfilesW(nullptr, &criteria, nullptr, &size, &count));
    if (result != 0 && result != static_cast<int32_t>(kErrorInsufficientBuffer))
        return result;
    if (count == 0 || size < sizeof(char16_t))
        return kResultNoProfiles;

    // Zero-filled, so an enumeration that fails without a code leaves an empty list.
    ClearLastError();
    HeapBlock buffer(Sys().Calloc(1, size));
    if (!buffer) {
        return FailureCode(static_cast<int32_t>(kErrorNotEnoughMemory));
    }
    ClearLastError();
    if ((result = StepResult(Sys().EnumColorProfilesW(nullptr, &criteria, static_cast<uint8_t*>(buffer.Get()),
                                                      &size, &count))))
        return result;

    // The first name, never read past the buffer even when the list is not terminated.
    const auto* names = static_cast<const char16_t*>(buffer.Get());
    const size_t units = size / sizeof(char16_t);
    size_t length = 0;
    while (length < units && names[length] != u'\0')
        ++length;
    if (length == 0)
        return kResultNoProfiles;
    const std::u16string first(names, length);

    char name[kMaxMultiByteName] = {};
    ClearLastError();
    if (Sys().WideCharToMultiByte(kCodePageThreadAcp, 0, first.c_str(), -1, name, static_cast<int32_t>(sizeof name),
                                  nullptr, nullptr) == 0) {
        return FailureCode(kResultNoTranslation);
    }

    FillNames(MakeColorDirectoryPath(name), name, fullPath, fileName, extension);
    return 0;
}

int32_t GetProfileNameByDC(MonitorHandle monitor, std::string* fullPath, std::string* fileName,
                           std::string* extension)
{
    DcOwner dc;
    if (int32_t result = CreateMonitorDC(monitor, dc))
        return result;

    char path[kMaxProfilePath] = {};
    uint32_t size = sizeof path;
    ClearLastError();
    if (!Sys().GetICMProfileA(dc.Get(), &size, path)) {
        // A refusal without a code leaves the buffer unfilled: no profile is known.
        return FailureCode(kResultNoProfiles);
    }
    path[sizeof path - 1] = '\0';
    FillNames(path, path, fullPath, fileName, extension);
    return 0;
}

std::string MakeColorDirectoryPath(const std::string& name)
{
    char directory[kMaxProfilePath] = {};
    uint32_t size = sizeof directory;
    ClearLastError();
    if (!Sys().GetColorDirectoryA(nullptr, directory, &size))
        return {};
    directory[sizeof directory - 1] = '\0';
    return std::string(directory) + "\\" + name;
}
