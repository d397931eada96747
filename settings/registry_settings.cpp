// Win32 only: the user's settings in the registry.
#include "settings/registry_settings.h"

#include "settings/registry_key.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace settings {

namespace {

constexpr const char* kKeepLoaded = "KeepLoaded";
constexpr const char* kExtendedTables = "ExtendedTables";
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kRunValueW = L"Kestrava";
constexpr const char* kStartupApprovedKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
constexpr DWORD kMaxApprovedBytes = 64;

// A DWORD setting; fallback when absent or of another type (a string someone typed
// in, say).
bool ReadFlag(const char* name, bool fallback)
{
    Key key(kSettingsKey, false);
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!key.Get() || ::RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
                          ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return fallback;
    return value != 0;
}

int32_t WriteFlag(const char* name, bool on)
{
    Key key(kSettingsKey, true);
    if (!key.Get())
        return key.Status();
    const DWORD value = on ? 1 : 0;
    return static_cast<int32_t>(
        ::RegSetValueExA(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value));
}

bool LoadsAtLogon();

}  // namespace

Settings Load()
{
    Settings loaded;
    loaded.keepLoaded = ReadFlag(kKeepLoaded, true);
    loaded.extendedTables = ReadFlag(kExtendedTables, false);
    loaded.loadAtLogon = LoadsAtLogon();
    return loaded;
}

int32_t SetKeepLoaded(bool on) { return WriteFlag(kKeepLoaded, on); }

int32_t SetExtendedTables(bool on) { return WriteFlag(kExtendedTables, on); }

std::wstring LogonCommand(bool keepLoaded)
{
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size())
            return L"\"" + std::wstring(path.data(), length) + (keepLoaded ? L"\" /tray" : L"\" /load");
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);
    }
}

namespace {

// Any value of that name is the program's, whatever it holds: one left behind by a
// folder that moved is removed from the menu all the same. Windows' own startup switch
// may have turned it off (Task Manager, Settings), and then it does not run.
bool LoadsAtLogon()
{
    Key key(kRunKey, false);
    if (!key.Get() || ::RegQueryValueExW(key.Get(), kRunValueW, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    Key approved(kStartupApprovedKey, false);
    DWORD type = 0;
    DWORD size = 0;
    if (!approved.Get() ||
        ::RegQueryValueExW(approved.Get(), kRunValueW, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return true;
    std::vector<uint8_t> bytes(std::min<DWORD>(size, kMaxApprovedBytes));
    DWORD read = static_cast<DWORD>(bytes.size());
    const LONG status = ::RegQueryValueExW(approved.Get(), kRunValueW, nullptr, &type, bytes.data(), &read);
    // Longer than any such switch: only its first byte counts.
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA)
        return true;
    bytes.resize(std::min<size_t>(read, bytes.size()));
    return !StartupDisabled(type, bytes);
}

}  // namespace

int32_t SetLoadAtLogon(bool on, bool keepLoaded)
{
    Key key(kRunKey, true);
    if (!key.Get())
        return key.Status();
    if (!on) {
        const LONG status = ::RegDeleteValueW(key.Get(), kRunValueW);
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
            return static_cast<int32_t>(status);
        // Windows' switch goes with the entry; where it cannot be opened, there is none.
        Key approved(kStartupApprovedKey, true);
        if (approved.Get())
            ::RegDeleteValueW(approved.Get(), kRunValueW);
        return 0;
    }
    // Wide, so that a folder outside the system's code page is named as it is.
    ::SetLastError(ERROR_SUCCESS);
    const std::wstring command = LogonCommand(keepLoaded);
    if (command.empty()) {
        // GetModuleFileNameW failed, or the path outgrew the longest a path can be.
        const DWORD error = ::GetLastError();
        return static_cast<int32_t>(error != ERROR_SUCCESS ? error : ERROR_FILENAME_EXCED_RANGE);
    }
    if (const LONG status = ::RegSetValueExW(key.Get(), kRunValueW, 0, REG_SZ,
                                             reinterpret_cast<const BYTE*>(command.c_str()),
                                             static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))))
        return static_cast<int32_t>(status);
    // Ticked here, the entry runs: where Windows' switch has a say about it, the switch
    // says so too, or it would stay off. Where it has none, none is made.
    {
        Key seen(kStartupApprovedKey, false);
        if (!seen.Get() ||
            ::RegQueryValueExW(seen.Get(), kRunValueW, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return 0;
    }
    Key approved(kStartupApprovedKey, true);
    if (!approved.Get())
        return approved.Status();
    const std::vector<uint8_t> enabled = StartupEnabledValue();
    return static_cast<int32_t>(::RegSetValueExW(approved.Get(), kRunValueW, 0, REG_BINARY, enabled.data(),
                                                 static_cast<DWORD>(enabled.size())));
}

}  // namespace settings
