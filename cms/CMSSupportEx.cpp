#include "cms/CMSSupportEx.h"

#include "cms/CMSSupport.h"
#include "cms/gamma_ramp.h"
#include "cms/monitor_strings.h"
#include "platform/guards.h"
#include "platform/last_error.h"
#include "report/code_page.h"
#include "report/mbstring.h"
#include "report/report.h"
#include "report/text_format.h"
#include "res/resource.h"

#include <algorithm>
#include <string>
#include <vector>

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
constexpr int32_t kLineUnlistedNames = 245;

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

// Appends the NUL-terminated strings packed in buffer, up to an empty one or the end.
template <class Char>
void SplitPacked(const Char* buffer, size_t length, std::vector<std::basic_string<Char>>& names)
{
    for (size_t at = 0; at < length && buffer[at] != Char{};) {
        size_t size = 0;
        while (at + size < length && buffer[at + size] != Char{})
            ++size;
        names.emplace_back(buffer + at, size);
        at += size + 1;
    }
}

// The store's criteria for monitor profiles: all of them, or those of one device.
template <class Char>
EnumTypeT<Char> MonitorCriteria(const Char* deviceName)
{
    EnumTypeT<Char> criteria{};
    criteria.dwSize = sizeof criteria;
    criteria.dwVersion = kEnumTypeVersion;
    criteria.dwFields = kEtClass;
    criteria.dwClass = kClassMonitor;
    if (deviceName) {
        criteria.dwFields |= kEtDeviceName;
        criteria.pDeviceName = deviceName;
        criteria.dwDeviceClass = kClassMonitor;
    }
    return criteria;
}

// How far one enumeration of the store got: its result, the line the fill reports it
// under, and whether the store's own call failed with a code (rather than
// finding nothing, or the allocation failing).
struct Enumeration {
    int32_t code = 0;
    int32_t line = 0;
    bool refused = false;
};

Bool32 EnumColorProfiles(EnumTypeA& criteria, uint8_t* buffer, uint32_t* size, uint32_t* count)
{
    return Sys().EnumColorProfilesA(nullptr, &criteria, buffer, size, count);
}

Bool32 EnumColorProfiles(EnumTypeW& criteria, uint8_t* buffer, uint32_t* size, uint32_t* count)
{
    return Sys().EnumColorProfilesW(nullptr, &criteria, buffer, size, count);
}

// Asks the store for the size, allocates and enumerates into buffer.
template <class Char>
Enumeration Enumerate(EnumTypeT<Char>& criteria, HeapBlock& buffer, uint32_t& size)
{
    uint32_t count = 0;
    size = 0;
    ClearLastError();
    int32_t code = StepResult(EnumColorProfiles(criteria, nullptr, &size, &count));
    if (code == static_cast<int32_t>(kErrorInsufficientBuffer))
        code = 0;
    const bool refused = code != 0;
    if (count == 0)
        code = kResultNoProfiles;
    if (code != 0)
        return {code, kLineNoProfiles, refused};

    // Zero-filled, so an enumeration that fails without a code leaves an empty list.
    ClearLastError();
    buffer.Reset(Sys().Calloc(1, size != 0 ? size : 1));
    if (!buffer)
        return {FailureCode(static_cast<int32_t>(kErrorNotEnoughMemory)), kLineMalloc, false};
    ClearLastError();
    if ((code = StepResult(EnumColorProfiles(criteria, static_cast<uint8_t*>(buffer.Get()), &size, &count))))
        return {code, kLineEnumerate, true};
    return {};
}

void ReportEnumeration(const Enumeration& failure)
{
    if (failure.line == kLineNoProfiles)
        ReportErrorById(IDS_NO_MONITOR_PROFILES, failure.code, kModule, kLineNoProfiles, 0, 0);
    else if (failure.line == kLineMalloc)
        Report("AddAllProfilesToList.malloc failed", failure.code, kLineMalloc);
    else
        Report("AddAllProfilesToList.EnumColorProfiles failed2", failure.code, kLineEnumerate);
}

// Whether the A enumeration's conversion lost characters of a name. Windows writes each
// character the ANSI code page lacks as '?', which no file name holds; under UTF-8 a
// lone surrogate becomes U+FFFD, which a file name may hold, so such a name is only
// suspect, and the W list tells.
bool LostCharacters(const std::string& name, uint32_t codePage)
{
    return MbsRChr(name.c_str(), '?') ||
           (codePage == kCodePageUtf8 && name.find("\xEF\xBF\xBD") != std::string::npos);
}

// Adds the A enumeration's names that kept all their characters; the paths of the
// profiles among the others are handed back, as the A call gave them.
void AddAnsiNames(const std::vector<std::string>& names, const std::string& directory, uint32_t codePage,
                  ProfileList& list, std::vector<std::string>& unlisted)
{
    for (const std::string& name : names) {
        const std::string path = directory + "\\" + name;
        if (!LostCharacters(name, codePage))
            AddIfProfile(list, path);
        else if (IsProfileExtension(path))
            unlisted.push_back(path);
    }
}

// The W enumeration the fill falls back on when the A one fails or loses characters.
// Wine 8's store fails the A size query with 87 for a single file whose name the ANSI
// code page cannot hold (a Japanese name under code page 1252, say), though every other
// profile is fine; Windows' lists it with '?' in place of each such character, and
// the file cannot be opened by that name.
// Every name that converts exactly is added; the paths of the profiles that cannot be
// listed are handed back, as a report shows them.
Enumeration AddWideNames(const std::string* deviceId, const std::string& directory, uint32_t codePage,
                         ProfileList& list, std::vector<std::string>& unlisted)
{
    std::vector<char16_t> wideId;
    if (deviceId) {
        // Every byte of the ANSI text gives at most one UTF-16 unit.
        wideId.resize(deviceId->size() + 1);
        ClearLastError();
        if (Sys().MultiByteToWideChar(kCodePageThreadAcp, 0, deviceId->c_str(), -1, wideId.data(),
                                      static_cast<int32_t>(wideId.size())) == 0)
            return {FailureCode(kResultNoTranslation), kLineNoProfiles, true};
    }
    EnumTypeW criteria = MonitorCriteria<char16_t>(deviceId ? wideId.data() : nullptr);

    HeapBlock buffer;
    uint32_t size = 0;
    const Enumeration enumeration = Enumerate(criteria, buffer, size);
    if (enumeration.code != 0)
        return enumeration;

    std::vector<std::u16string> names;
    SplitPacked(static_cast<const char16_t*>(buffer.Get()), size / sizeof(char16_t), names);
    for (const std::u16string& name : names) {
        std::string ansi;
        if (NarrowExactly(name, codePage, ansi)) {
            AddIfProfile(list, directory + "\\" + ansi);
            continue;
        }
        // Only a name that would have been listed is worth a word.
        const std::string shown = directory + "\\" + ShowName(name, codePage);
        if (IsProfileExtension(shown))
            unlisted.push_back(shown);
    }
    return {};
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
    if (buffer)
        SplitPacked(buffer, length, names);
    return 0;
}

int32_t AddAllProfilesToList(const std::string* deviceId, ProfileList& list)
{
    list.ResetProfiles();

    EnumTypeA criteria = MonitorCriteria<char>(deviceId ? deviceId->c_str() : nullptr);

    char directoryBuffer[kMaxProfilePath] = {};
    uint32_t directorySize = sizeof directoryBuffer;
    ClearLastError();
    if (!Sys().GetColorDirectoryA(nullptr, directoryBuffer, &directorySize)) {
        // Without a code the buffer was never filled, and no path can be built from it.
        const int32_t code = FailureCode(kResultNoColorDirectory);
        Report("AddAllProfilesToList.GetColorDirectory failed", code, kLineColorDirectory);
        return code;
    }
    directoryBuffer[sizeof directoryBuffer - 1] = '\0';
    const std::string directory(directoryBuffer);

    const uint32_t codePage = Sys().GetACP();
    HeapBlock buffer;
    uint32_t size = 0;
    const Enumeration ansi = Enumerate(criteria, buffer, size);
    std::vector<std::string> names;
    if (ansi.code == 0)
        SplitMultiString(static_cast<const char*>(buffer.Get()), size, names);
    // A name the A call's conversion lost characters of cannot be opened by it: the W list
    // then stands in for the A one, as it does when the A call fails.
    const auto lost = [codePage](const std::string& name) { return LostCharacters(name, codePage); };
    const bool wide = ansi.code != 0 ? ansi.refused : std::any_of(names.begin(), names.end(), lost);
    std::vector<std::string> unlisted;
    if (!wide || AddWideNames(deviceId, directory, codePage, list, unlisted).code != 0) {
        if (ansi.code != 0) {
            // The A call's failure is the one the user is shown.
            ReportEnumeration(ansi);
            return ansi.code;
        }
        AddAnsiNames(names, directory, codePage, list, unlisted);
    }

    if (!unlisted.empty()) {
        std::string paths;
        for (const std::string& path : unlisted)
            paths += (paths.empty() ? "" : " | ") + path;
        Report("AddAllProfilesToList (WideCharToMultiByte) [" + paths + "]", kResultNoTranslation,
               kLineUnlistedNames);
    }
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
