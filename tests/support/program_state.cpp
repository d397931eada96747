#include "support/program_state.h"

#include "cms/gamma_ramp.h"
#include "cms/vcgt_decoder.h"
#include "support/program_driver.h"
#include "support/win_test_util.h"

#include <icm.h>

#include <cstdint>

namespace program {

using namespace std::chrono_literals;

namespace {

constexpr DWORD kVcgtTag = 0x76636774;   // 'vcgt'

// Runs a Unix program (found on PATH) and waits for it, through Wine's own way out of
// the prefix; the X clients among them reach the test bed's server through DISPLAY,
// which Wine leaves in their environment. False when it could not be run or failed.
bool RunUnix(std::vector<std::string> arguments)
{
    using Spawn = LONG(CDECL*)(char* const* argv, int wait);
    const FARPROC found = GetProcAddress(GetModuleHandleA("ntdll.dll"), "__wine_unix_spawnvp");
    if (!found)
        return false;
    const auto spawn = reinterpret_cast<Spawn>(reinterpret_cast<void (*)()>(found));
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    return spawn(argv.data(), 1) == 0;
}

// An open profile file, closed with its owner.
class OpenProfile {
public:
    explicit OpenProfile(const std::string& path)
    {
        PROFILE record{PROFILE_FILENAME, const_cast<char*>(path.c_str()), static_cast<DWORD>(path.size() + 1)};
        m_profile = OpenColorProfileA(&record, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
    }
    ~OpenProfile()
    {
        if (m_profile)
            CloseColorProfile(m_profile);
    }
    OpenProfile(const OpenProfile&) = delete;
    OpenProfile& operator=(const OpenProfile&) = delete;

    // The whole calibration tag; empty when there is none.
    std::vector<uint8_t> Calibration() const
    {
        if (!m_profile)
            return {};
        DWORD size = 0;
        BOOL reference = FALSE;
        GetColorProfileElement(m_profile, kVcgtTag, 0, &size, nullptr, &reference);
        std::vector<uint8_t> tag(size);
        if (size == 0 || !GetColorProfileElement(m_profile, kVcgtTag, 0, &size, tag.data(), &reference))
            return {};
        tag.resize(size);
        return tag;
    }

private:
    HPROFILE m_profile = nullptr;
};

}  // namespace

// ---- Monitors -------------------------------------------------------------------

std::vector<Monitor> Monitors()
{
    std::vector<Monitor> monitors;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR handle, HDC, LPRECT, LPARAM param) -> BOOL {
            MONITORINFOEXA info{};
            info.cbSize = sizeof info;
            if (!GetMonitorInfoA(handle, &info))
                return TRUE;
            Monitor monitor;
            monitor.adapter = info.szDevice;
            monitor.rect = info.rcMonitor;
            DISPLAY_DEVICEA device{};
            device.cb = sizeof device;
            if (EnumDisplayDevicesA(info.szDevice, 0, &device, 0)) {
                monitor.deviceString = device.DeviceString;
                monitor.deviceId = device.DeviceID;
            }
            reinterpret_cast<std::vector<Monitor>*>(param)->push_back(monitor);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

bool SetSecondOutput(bool on)
{
    if (on)
        return RunUnix({"xrandr", "--output", "DUMMY1", "--mode", "1280x1024_t", "--right-of", "DUMMY0"});
    return RunUnix({"xrandr", "--output", "DUMMY1", "--off"});
}

bool WaitForMonitorCount(size_t count)
{
    return WaitFor([&] { return Monitors().size() == count; }, 15s);
}

void BroadcastDisplayChange()
{
    const RECT primary = Monitors().front().rect;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_DISPLAYCHANGE, 32, MAKELPARAM(primary.right, primary.bottom),
                        SMTO_ABORTIFHUNG, 2000, &ignored);
}

// ---- The colour directory and its associations ----------------------------------

ColourStore::ColourStore()
{
    char directory[MAX_PATH] = {};
    DWORD size = sizeof directory;
    if (GetColorDirectoryA(nullptr, directory, &size))
        m_directory = directory;
    char temp[MAX_PATH] = {};
    if (GetTempPathA(MAX_PATH, temp))
        m_parking = std::string(temp) + "kestrava-parked-profiles";
}

void ColourStore::RemoveTestProfiles()
{
    for (const std::string& file : Files("kv-*"))
        DeleteFileA(PathOf(file).c_str());
}

void ColourStore::ForgetAssociations(const std::string& deviceId)
{
    for (const std::string& file : Files())
        DisassociateColorProfileFromDeviceA(nullptr, PathOf(file).c_str(), deviceId.c_str());
}

bool ColourStore::Install(const std::string& profile, const std::string& asName)
{
    const std::string source = wintest::ProfileDir() + "\\" + profile;
    return CopyFileA(source.c_str(), PathOf(asName.empty() ? profile : asName).c_str(), FALSE) != FALSE;
}

bool ColourStore::Remove(const std::string& file) { return DeleteFileA(PathOf(file).c_str()) != FALSE; }

bool ColourStore::Associate(const std::string& file, const std::string& deviceId)
{
    return AssociateColorProfileWithDeviceA(nullptr, PathOf(file).c_str(), deviceId.c_str()) != FALSE;
}

bool ColourStore::ParkEverything()
{
    CreateDirectoryA(m_parking.c_str(), nullptr);
    bool moved = true;
    for (const std::string& file : Files())
        moved = MoveFileExA(PathOf(file).c_str(), (m_parking + "\\" + file).c_str(),
                            MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING) &&
                moved;
    return moved;
}

void ColourStore::RestoreParked()
{
    for (const std::string& file : FilesIn(m_parking, "*"))
        MoveFileExA((m_parking + "\\" + file).c_str(), PathOf(file).c_str(), MOVEFILE_COPY_ALLOWED);
    RemoveDirectoryA(m_parking.c_str());
}

std::vector<std::string> ColourStore::FilesIn(const std::string& directory, const std::string& pattern)
{
    std::vector<std::string> files;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((directory + "\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
}

std::string FirstProfileOf(const std::string& deviceId)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, deviceId.c_str(), -1, nullptr, 0);
    std::wstring device(static_cast<size_t>(length > 0 ? length : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, deviceId.c_str(), -1, device.data(), length);
    ENUMTYPEW criteria{};
    criteria.dwSize = sizeof criteria;
    criteria.dwVersion = 0x300;
    criteria.dwFields = ET_DEVICENAME | ET_CLASS;
    criteria.pDeviceName = device.c_str();
    criteria.dwClass = 0x6D6E7472;   // 'mntr'
    DWORD size = 0;
    DWORD count = 0;
    EnumColorProfilesW(nullptr, &criteria, nullptr, &size, &count);
    if (count == 0 || size == 0)
        return {};
    std::vector<BYTE> names(size + sizeof(wchar_t));
    if (!EnumColorProfilesW(nullptr, &criteria, names.data(), &size, &count))
        return {};
    return Narrow(std::wstring(reinterpret_cast<const wchar_t*>(names.data())));
}

std::string AdapterProfile(const std::string& adapter)
{
    wintest::DcOwner dc(CreateDCA(adapter.c_str(), adapter.c_str(), nullptr, nullptr));
    char path[MAX_PATH] = {};
    DWORD size = sizeof path;
    if (!dc.Get() || !GetICMProfileA(dc.Get(), &size, path))
        return {};
    return path;
}

// ---- The gamma ramp --------------------------------------------------------------

bool ReadRamp(Ramp& ramp)
{
    wintest::DcOwner dc(CreateDCA("\\\\.\\DISPLAY1", "\\\\.\\DISPLAY1", nullptr, nullptr));
    return dc.Get() && GetDeviceGammaRamp(dc.Get(), &ramp);
}

bool WriteIdentityRamp()
{
    Ramp identity{};
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i)
            identity.values[c][i] = static_cast<WORD>(i << 8);
    wintest::DcOwner dc(CreateDCA("\\\\.\\DISPLAY1", "\\\\.\\DISPLAY1", nullptr, nullptr));
    return dc.Get() && SetDeviceGammaRamp(dc.Get(), &identity);
}

std::vector<BYTE> CalibrationTable(const std::string& path)
{
    const std::vector<uint8_t> tag = OpenProfile(path).Calibration();
    if (tag.size() != 786)
        return {};
    return std::vector<BYTE>(tag.begin() + 18, tag.end());
}

std::vector<BYTE> DecodedTable(const std::string& path)
{
    const std::vector<uint8_t> tag = OpenProfile(path).Calibration();
    HardwareRamp ramp{};
    if (tag.empty() || DecodeVcgt(tag.data(), tag.size(), ramp).fault != VcgtFault::None)
        return {};
    std::vector<BYTE> table;
    for (const uint16_t* channel : {ramp.red, ramp.green, ramp.blue})
        for (size_t i = 0; i < 256; ++i)
            table.push_back(static_cast<BYTE>(channel[i] >> 8));
    return table;
}

std::vector<BYTE> HighBytes(const Ramp& ramp)
{
    std::vector<BYTE> bytes;
    bytes.reserve(768);
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i)
            bytes.push_back(static_cast<BYTE>(ramp.values[c][i] >> 8));
    return bytes;
}

std::vector<BYTE> IdentityTable()
{
    std::vector<BYTE> bytes;
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i)
            bytes.push_back(static_cast<BYTE>(i));
    return bytes;
}

std::vector<BYTE> CurrentTable()
{
    Ramp ramp{};
    if (!ReadRamp(ramp))
        return {};
    return HighBytes(ramp);
}

// ---- The registry -------------------------------------------------------------------

RegistryValue ReadValue(const char* key, const char* name)
{
    RegistryValue value;
    BYTE data[2048] = {};
    DWORD size = sizeof data - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_ANY | RRF_NOEXPAND, &value.type, data, &size) !=
        ERROR_SUCCESS)
        return value;
    value.present = true;
    if (value.type == REG_SZ)
        value.text = reinterpret_cast<const char*>(data);
    if (value.type == REG_DWORD && size == sizeof(DWORD))
        value.number = *reinterpret_cast<const DWORD*>(data);
    return value;
}

bool WriteString(const char* key, const char* name, const std::string& text)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const bool written = RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                        static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(handle);
    return written;
}

void DeleteValue(const char* key, const char* name)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(handle, name);
    RegCloseKey(handle);
}

void ForgetSettings()
{
    DeleteValue(kRunKey, kRunValue);
    DeleteValue(kStartupApprovedKey, kRunValue);
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
}

}  // namespace program
