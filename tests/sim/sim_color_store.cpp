// The simulated colour store: the colour directory and its profile files, their
// enumeration, and the profiles associated with each device.
#include "sim/sim_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

namespace simwin {

std::optional<std::vector<uint8_t>> ReadWholeFile(const fs::path& path)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<fs::path> HostPath(const std::string& path, const fs::path& colorDir,
                                 const std::set<uint8_t>& leads)
{
    if (path.empty())
        return std::nullopt;
    if (path[0] == '/')
        return fs::path(path);
    const std::string prefix = std::string(SimPlatform::kColorDirectory) + "\\";
    std::string rest;
    if (StartsWithNoCase(path, prefix))
        rest = path.substr(prefix.size());
    else if (path[0] != '\\' && !(path.size() >= 2 && path[1] == ':'))
        rest = path;
    else
        return std::nullopt;

    fs::path host = colorDir;
    for (const std::string& part : SplitPath(rest, leads)) {
        fs::path next = host / part;
        std::error_code ec;
        if (!fs::exists(next, ec)) {
            for (const fs::directory_entry& entry : fs::directory_iterator(host, ec)) {
                if (EqualsNoCase(entry.path().filename().string(), part, leads)) {
                    next = entry.path();
                    break;
                }
            }
        }
        host = next;
    }
    return host;
}

}  // namespace simwin

using namespace simwin;

namespace {

constexpr uint32_t kErrorProfileNotAssociated = 2015;

bool HasProfileExtension(const std::string& name)
{
    if (name.size() < 4)
        return false;
    const std::string ext = AsciiLower(name.substr(name.size() - 4));
    return ext == ".icm" || ext == ".icc";
}

// The refusals AssociateColorProfileWithDeviceA and DisassociateColorProfileFromDeviceA
// share: an injected failure, a missing name (ERROR_INVALID_PARAMETER) and a remote
// machine (ERROR_NOT_SUPPORTED). True when the call fails; the last error is set.
bool RefusesAssociationCall(SimState& state, SimCall call, const char* machine, const char* profile,
                            const char* deviceName)
{
    if (state.Intercept(call))
        return true;
    if (!profile || !deviceName)
        return !state.Fails(kErrorInvalidParameter);
    if (machine)
        return !state.Fails(kErrorNotSupported);
    return false;
}

// Files the colour directory offers as profiles, in byte order of their names.
std::vector<std::string> ProfileFiles(const fs::path& colorDir, bool everyFile = false)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(colorDir, ec)) {
        std::string name = entry.path().filename().string();
        if (entry.is_regular_file(ec) && (everyFile || HasProfileExtension(name)))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The matching profile file names for EnumColorProfilesA/W, or nothing when the folder
// holds no profile file at all.
std::optional<std::vector<std::string>> MatchProfiles(const SimState& state, uint32_t fields,
                                                      const std::string& device, uint32_t profileClass)
{
    std::vector<std::string> files = ProfileFiles(state.colorDir, state.listEveryFile);
    if (files.empty())
        return std::nullopt;

    std::vector<std::string> names;
    if (fields & kEtDeviceName) {
        auto it = state.associations.find(device);
        if (it != state.associations.end())
            for (const std::string& associated : it->second)
                for (const std::string& file : files)
                    if (EqualsNoCase(file, associated, state.leadBytes)) {
                        names.push_back(file);
                        break;
                    }
    } else {
        names = files;
    }

    if (fields & kEtClass) {
        std::vector<std::string> ofClass;
        for (const std::string& name : names) {
            std::optional<std::vector<uint8_t>> data = ReadWholeFile(state.colorDir / name);
            if (data && IsValidProfile(*data) && ProfileClass(*data) == profileClass)
                ofClass.push_back(name);
        }
        names.swap(ofClass);
    }
    return names;
}

// Whether an EnumColorProfilesA/W call is one to answer: local, with a record of its
// own size and version, and somewhere to put the size.
template <typename EnumType>
bool IsEnumRequest(const void* machine, const EnumType* criteria, const uint32_t* size)
{
    return !machine && criteria && size && criteria->dwSize == sizeof(EnumType) &&
           criteria->dwVersion == kEnumTypeVersion;
}

// Hands out a packed name list (each name with its terminator, then one more) as
// EnumColorProfilesA/W do: the count and the bytes needed always, the list only when
// the buffer holds it. False when it does not.
bool HandOutProfileList(const void* packed, size_t bytes, size_t names, uint8_t* buffer, uint32_t* size,
                        uint32_t* count)
{
    if (count)
        *count = static_cast<uint32_t>(names);
    const bool fits = buffer && *size >= bytes;
    if (fits)
        std::memcpy(buffer, packed, bytes);
    *size = static_cast<uint32_t>(bytes);
    return fits;
}

}  // namespace

// ---- Building the colour store ----

void SimPlatform::InstallProfile(const fs::path& source, const std::string& name)
{
    std::error_code ec;
    fs::path target = m_state->colorDir / (name.empty() ? source.filename().string() : name);
    fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
    if (ec)
        ADD_FAILURE() << "cannot install " << source << " as " << target << ": " << ec.message();
}

void SimPlatform::InstallProfile(const fs::path& source, const std::u16string& name)
{
    const AnsiPage page = m_state->Page();
    const std::string ansi = NarrowQuietly(name, page);
    if (Widen(ansi.data(), ansi.size(), page) == name) {
        InstallProfile(source, ansi);
        return;
    }
    const std::string host = Utf8(name);
    InstallProfile(source, host);
    m_state->wideNames[host] = name;
}

void SimPlatform::WriteProfile(const std::string& name, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(m_state->colorDir / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        ADD_FAILURE() << "cannot write " << (m_state->colorDir / name);
}

const fs::path& SimPlatform::ColorDirectory() const { return m_state->colorDir; }

std::vector<std::string>& SimPlatform::Associations(const std::string& deviceId)
{
    return m_state->associations[deviceId];
}

void SimPlatform::SetListEveryFile(bool every) { m_state->listEveryFile = every; }
void SimPlatform::SetLossyAnsiNames(bool lossy) { m_state->lossyAnsiNames = lossy; }
EnumTypeA SimPlatform::LastEnumCriteriaA() const { return m_state->lastEnumA; }
std::string SimPlatform::LastEnumDeviceA() const { return m_state->lastEnumDeviceA; }
EnumTypeW SimPlatform::LastEnumCriteriaW() const { return m_state->lastEnumW; }
std::u16string SimPlatform::LastEnumDeviceW() const { return m_state->lastEnumDeviceW; }

// ---- The calls ----

Bool32 SimPlatform::GetColorDirectoryA(const char* machine, char* buffer, uint32_t* size)
{
    if (m_state->Intercept(SimCall::GetColorDirectoryA))
        return 0;
    if (machine || !size)
        return 0;
    auto needed = static_cast<uint32_t>(std::strlen(kColorDirectory) + 1);
    if (!buffer || *size < needed) {
        *size = needed;
        return m_state->Fails(kErrorInsufficientBuffer);
    }
    std::memcpy(buffer, kColorDirectory, needed);
    *size = needed;
    return 1;
}

// Follows Wine's EnumColorProfilesA/W (dlls/mscms/profile.c): a bad record fails with
// the last error untouched; a folder without profile files fails as FindFirstFile does,
// with ERROR_FILE_NOT_FOUND and *size and *count untouched; when files exist but none
// match, the list is empty: one terminator, TRUE when it fits, and *count = 0.
Bool32 SimPlatform::EnumColorProfilesA(const char* machine, EnumTypeA* criteria, uint8_t* buffer,
                                       uint32_t* size, uint32_t* count)
{
    if (criteria) {
        m_state->lastEnumA = *criteria;
        m_state->lastEnumDeviceA = criteria->pDeviceName ? criteria->pDeviceName : "";
    }
    if (m_state->Intercept(SimCall::EnumColorProfilesA))
        return 0;
    if (!IsEnumRequest(machine, criteria, size))
        return 0;

    std::optional<std::vector<std::string>> names =
        MatchProfiles(*m_state, criteria->dwFields, m_state->lastEnumDeviceA, criteria->dwClass);
    if (!names)
        return m_state->Fails(kErrorFileNotFound);

    // Wine finds such a file by a name full of '?', fails to open it and sets 87 while
    // it goes on with the others, whether or not the file is a profile at all. The code
    // then stands in for the size query's own ERROR_INSUFFICIENT_BUFFER. Windows lists
    // the name as its conversion left it.
    bool unlistable = false;
    if (m_state->lossyAnsiNames) {
        for (std::string& name : *names) {
            auto wide = m_state->wideNames.find(name);
            if (wide != m_state->wideNames.end())
                name = NarrowQuietly(wide->second, m_state->Page());
        }
    } else {
        for (const std::string& file : ProfileFiles(m_state->colorDir, m_state->listEveryFile))
            unlistable = unlistable || m_state->wideNames.count(file) != 0;
        names->erase(std::remove_if(names->begin(), names->end(),
                                    [this](const std::string& name) { return m_state->wideNames.count(name) != 0; }),
                     names->end());
    }

    std::string packed;
    for (const std::string& name : *names) {
        packed += name;
        packed.push_back('\0');
    }
    packed.push_back('\0');
    const bool fits = HandOutProfileList(packed.data(), packed.size(), names->size(), buffer, size, count);
    if (unlistable)
        m_state->lastError = kErrorInvalidParameter;
    if (!fits)
        return unlistable ? 0 : m_state->Fails(kErrorInsufficientBuffer);
    return 1;
}

// As the A form, with the names in UTF-16 and sizes in bytes. Wine adds a single byte
// for the final terminator here; the full UTF-16 unit Windows needs is counted instead.
Bool32 SimPlatform::EnumColorProfilesW(const char16_t* machine, EnumTypeW* criteria, uint8_t* buffer,
                                       uint32_t* size, uint32_t* count)
{
    if (criteria) {
        m_state->lastEnumW = *criteria;
        m_state->lastEnumDeviceW.clear();
        if (criteria->pDeviceName)
            m_state->lastEnumDeviceW = criteria->pDeviceName;
    }
    if (m_state->Intercept(SimCall::EnumColorProfilesW))
        return 0;
    if (!IsEnumRequest(machine, criteria, size))
        return 0;

    const AnsiPage page = m_state->Page();
    std::optional<std::vector<std::string>> names =
        MatchProfiles(*m_state, criteria->dwFields, NarrowQuietly(m_state->lastEnumDeviceW, page), criteria->dwClass);
    if (!names)
        return m_state->Fails(kErrorFileNotFound);

    std::u16string packed;
    for (const std::string& name : *names) {
        auto wide = m_state->wideNames.find(name);
        packed += wide != m_state->wideNames.end() ? wide->second : Widen(name.data(), name.size(), page);
        packed.push_back(u'\0');
    }
    packed.push_back(u'\0');
    if (!HandOutProfileList(packed.data(), packed.size() * sizeof(char16_t), names->size(), buffer, size, count))
        return m_state->Fails(kErrorInsufficientBuffer);
    return 1;
}

// Windows keeps one list per device, the default first. The profile must be installed:
// a missing file fails with ERROR_FILE_NOT_FOUND, one that does not open as a profile
// with ERROR_INVALID_PROFILE (as Wine's set_profile_device_key does); a remote machine
// with ERROR_NOT_SUPPORTED, as in Wine.
Bool32 SimPlatform::AssociateColorProfileWithDeviceA(const char* machine, const char* profile,
                                                     const char* deviceName)
{
    if (RefusesAssociationCall(*m_state, SimCall::AssociateColorProfileWithDeviceA, machine, profile, deviceName))
        return 0;

    const std::string wanted = FileNamePart(profile, m_state->leadBytes);
    std::optional<std::string> installed;
    for (const std::string& file : ProfileFiles(m_state->colorDir))
        if (EqualsNoCase(file, wanted, m_state->leadBytes))
            installed = file;
    if (!installed) {
        std::error_code ec;
        if (!wanted.empty() && fs::is_regular_file(m_state->colorDir / wanted, ec))
            installed = wanted;   // installed under a name the enumeration does not list
        else
            return m_state->Fails(kErrorFileNotFound);
    }
    std::optional<std::vector<uint8_t>> data = ReadWholeFile(m_state->colorDir / *installed);
    if (!data || !IsValidProfile(*data))
        return m_state->Fails(kErrorInvalidProfile);

    const std::set<uint8_t>& leads = m_state->leadBytes;
    std::vector<std::string>& list = m_state->associations[deviceName];
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&](const std::string& name) { return EqualsNoCase(name, *installed, leads); }),
               list.end());
    list.insert(list.begin(), *installed);
    return 1;
}

// Removing a profile that is not associated fails with
// ERROR_PROFILE_NOT_ASSOCIATED_WITH_DEVICE. (Wine 8 returns TRUE here: it only deletes
// a registry value and ignores whether there was one.)
Bool32 SimPlatform::DisassociateColorProfileFromDeviceA(const char* machine, const char* profile,
                                                        const char* deviceName)
{
    if (RefusesAssociationCall(*m_state, SimCall::DisassociateColorProfileFromDeviceA, machine, profile, deviceName))
        return 0;

    auto it = m_state->associations.find(deviceName);
    if (it == m_state->associations.end())
        return m_state->Fails(kErrorProfileNotAssociated);
    const std::string wanted = FileNamePart(profile, m_state->leadBytes);
    const std::set<uint8_t>& leads = m_state->leadBytes;
    std::vector<std::string>& list = it->second;
    auto kept = std::remove_if(list.begin(), list.end(),
                               [&](const std::string& name) { return EqualsNoCase(name, wanted, leads); });
    if (kept == list.end())
        return m_state->Fails(kErrorProfileNotAssociated);
    list.erase(kept, list.end());
    return 1;
}
