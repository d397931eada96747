#include "cms/CMSSupportEx.h"

#include "cms/CMSSupport.h"
#include "cms/gamma_ramp.h"
#include "cms/monitor_strings.h"
#include "platform/guards.h"
#include "platform/last_error.h"
#include "report/mbstring.h"
#include "report/report.h"
#include "res/resource.h"

#include <cstring>

namespace {

constexpr const char* kModule = "CMSSupportEx";
constexpr int32_t kLineOpen = 57;
constexpr int32_t kLineVcgtTest = 64;
constexpr int32_t kLineCreatorTest = 74;
constexpr int32_t kLineCreateDc = 123;
constexpr int32_t kLineNoAssociatedProfiles = 129;
constexpr int32_t kLineColorDirectory = 217;
constexpr int32_t kLineNoProfiles = 226;
constexpr int32_t kLineMalloc = 232;
constexpr int32_t kLineEnumerate = 239;

// The colour directory could not be read and said nothing why (ERROR_PATH_NOT_FOUND).
constexpr int32_t kResultNoColorDirectory = 3;

void Report(const std::string& message, int32_t code, int32_t line)
{
    ReportError(message.c_str(), code, kModule, line, 0, 0);
}

// Files the store may list that are not profiles of their own; their failures are
// expected and never reported.
bool IsExemptExtension(const std::string& extension)
{
    return extension == ".camp" || extension == ".gmmp" || extension == ".cdmp";
}

void AddIfProfile(ProfileList& list, const std::string& path)
{
    if (IsProfileExtension(path))
        list.AddProfile(path);
}

int32_t AddIcmProfile(char* fileName, intptr_t data)
{
    if (fileName)
        AddIfProfile(*reinterpret_cast<ProfileList*>(data), fileName);
    return 1;
}

// One tag test of MarkProfileAttributes. Returns false when the walk must go on with
// the next item.
bool TestTag(ProfileHandle profile, uint32_t tag, const std::string& path, bool exempt, int32_t line,
             const char* what, Bool32& present)
{
    present = 0;
    ClearLastError();
    if (int32_t code = StepResult(Sys().IsColorProfileTagPresent(profile, tag, &present))) {
        if (!exempt)
            Report(std::string("AddAllProfilesToList (") + what + ") [" + path + "]", code, line);
        return false;
    }
    return true;
}

}  // namespace

bool IsProfileExtension(const std::string& path)
{
    std::string extension;
    SplitPath(path.c_str(), nullptr, &extension);
    return MbsIEqual(extension.c_str(), ".icm") || MbsIEqual(extension.c_str(), ".icc");
}

int32_t SplitMultiString(const char* buffer, size_t length, std::vector<std::string>& names)
{
    names.clear();
    if (!buffer)
        return 0;
    const char* end = buffer + length;
    for (const char* p = buffer; p < end && *p != '\0';) {
        const size_t size = strnlen(p, static_cast<size_t>(end - p));
        names.emplace_back(p, size);
        p += size + 1;
    }
    return 0;
}

int32_t AddAllProfilesToList(const std::string* deviceId, ProfileList& list)
{
    list.ResetProfiles();

    EnumTypeA criteria{};
    criteria.dwSize = sizeof criteria;
    criteria.dwVersion = kEnumTypeVersion;
    criteria.dwFields = kEtClass;
    criteria.dwClass = kClassMonitor;
    if (deviceId) {
        criteria.dwFields |= kEtDeviceName;
        criteria.pDeviceName = deviceId->c_str();
        criteria.dwDeviceClass = kClassMonitor;
    }

    char directory[kMaxProfilePath] = {};
    uint32_t directorySize = sizeof directory;
    ClearLastError();
    if (!Sys().GetColorDirectoryA(nullptr, directory, &directorySize)) {
        // Without a code the buffer was never filled, and no path can be built from it.
        const int32_t code = FailureCode(kResultNoColorDirectory);
        Report("AddAllProfilesToList.GetColorDirectory failed", code, kLineColorDirectory);
        return code;
    }
    directory[sizeof directory - 1] = '\0';

    uint32_t size = 0;
    uint32_t count = 0;
    ClearLastError();
    int32_t code = StepResult(Sys().EnumColorProfilesA(nullptr, &criteria, nullptr, &size, &count));
    if (code == static_cast<int32_t>(kErrorInsufficientBuffer))
        code = 0;
    if (count == 0)
        code = kResultNoProfiles;
    if (code != 0) {
        ReportErrorById(IDS_NO_MONITOR_PROFILES, code, kModule, kLineNoProfiles, 0, 0);
        return code;
    }

    // Zero-filled, so an enumeration that fails without a code leaves an empty list.
    ClearLastError();
    HeapBlock buffer(Sys().Calloc(1, size != 0 ? size : 1));
    if (!buffer) {
        code = FailureCode(static_cast<int32_t>(kErrorNotEnoughMemory));
        Report("AddAllProfilesToList.malloc failed", code, kLineMalloc);
        return code;
    }
    ClearLastError();
    if ((code = StepResult(Sys().EnumColorProfilesA(nullptr, &criteria, static_cast<uint8_t*>(buffer.Get()),
                                                    &size, &count)))) {
        Report("AddAllProfilesToList.EnumColorProfiles failed2", code, kLineEnumerate);
        return code;
    }

    std::vector<std::string> names;
    SplitMultiString(static_cast<const char*>(buffer.Get()), size, names);
    for (const std::string& name : names)
        AddIfProfile(list, std::string(directory) + "\\" + name);

    MarkProfileAttributes(list);
    return 0;
}

int32_t AddProfilesToList(MonitorHandle monitor, ProfileList& list, int32_t mode)
{
    list.ResetProfiles();
    if (mode == kListByDeviceId)
        return AddProfilesToListUsingDeviceID(monitor, list);
    return AddProfilesToListUsingDC(monitor, list);
}

int32_t AddProfilesToListUsingDeviceID(MonitorHandle monitor, ProfileList& list)
{
    std::string deviceId;
    if (int32_t result = GetMonitorStrings(monitor, nullptr, &deviceId, nullptr, nullptr, 1))
        return result;
    return AddAllProfilesToList(&deviceId, list);
}

int32_t AddProfilesToListUsingDC(MonitorHandle monitor, ProfileList& list)
{
    DcOwner dc;
    if (int32_t result = CreateMonitorDC(monitor, dc)) {
        Report("AddProfilesToListUsingDC.CreateMonitorDC failed", result, kLineCreateDc);
        return result;
    }

    const int32_t enumerated = Sys().EnumICMProfilesA(dc.Get(), AddIcmProfile, reinterpret_cast<intptr_t>(&list));
    if (enumerated == 0 || enumerated == 1) {
        MarkProfileAttributes(list);
        return 0;
    }
    const int32_t code = enumerated == -1 ? kResultNoProfiles : enumerated;
    ReportErrorById(IDS_NO_ASSOCIATED_PROFILES, code, kModule, kLineNoAssociatedProfiles, 0, 0);
    return code;
}

void MarkProfileAttributes(ProfileList& list)
{
    ProfileOwner profile;
    for (int32_t i = 0; i < list.GetCount(); ++i) {
        profile.Reset();

        const std::string path = list.GetFullPath(i);
        std::string extension;
        SplitPath(path.c_str(), nullptr, &extension);
        const bool exempt = IsExemptExtension(extension);

        const ProfileRecord record{kProfileFilename, path.c_str(), static_cast<uint32_t>(path.size())};
        ClearLastError();
        profile.Reset(Sys().OpenColorProfileA(&record, kProfileRead, kFileShareRead, kOpenExisting));
        if (!profile) {
            if (int32_t code = StepResult(false)) {
                if (!exempt)
                    Report("AddAllProfilesToList (OpenColorProfile) [" + path + "]", code, kLineOpen);
                continue;
            }
        }

        Bool32 present = 0;
        if (!TestTag(profile.Get(), kTagVcgt, path, exempt, kLineVcgtTest, "IsColorProfileTagPresent-1", present))
            continue;
        list.SetVcgtFlag(i, present ? 1 : 0);

        if (!TestTag(profile.Get(), kTagTCPt, path, exempt, kLineCreatorTest, "IsColorProfileTagPresent-2", present))
            continue;
        list.SetCreatorFlag(i, present ? 1 : 0);
    }
}
