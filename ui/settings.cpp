// Win32 only: the user's settings in the registry.
#include "ui/settings.h"

#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <vector>

namespace settings {

namespace {

constexpr const char* kSettingsKey = "Software\\Kestrava";
constexpr const char* kKeepLoaded = "KeepLoaded";
constexpr const char* kExtendedTables = "ExtendedTables";
constexpr const wchar_t* kPauseFor = L"PauseFor";
constexpr DWORD kMaxPauseForBytes = 65536;
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kRunValueW = L"Kestrava";

// A registry key opened or created under HKEY_CURRENT_USER, closed when it ends.
class Key {
public:
    Key(const char* path, bool create)
    {
        m_status = create ? ::RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0,
                                              KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &m_hKey, nullptr)
                          : ::RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, &m_hKey);
        if (m_status != ERROR_SUCCESS)
            m_hKey = nullptr;
    }
    ~Key()
    {
        if (m_hKey)
            ::RegCloseKey(m_hKey);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY Get() const { return m_hKey; }
    // Why the key could not be opened or created; ERROR_SUCCESS when it was.
    int32_t Status() const { return static_cast<int32_t>(m_status); }

private:
    HKEY m_hKey = nullptr;
    LONG m_status = ERROR_SUCCESS;
};

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

std::vector<std::wstring> PauseFor()
{
    std::vector<std::wstring> names;
    Key key(kSettingsKey, false);
    DWORD type = 0;
    DWORD size = 0;
    if (!key.Get() || ::RegQueryValueExW(key.Get(), kPauseFor, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ || size == 0 || size > kMaxPauseForBytes)
        return names;
    // Two terminators more than the value holds, so that a list stored without its ends
    // is still read to its end and no further.
    std::vector<wchar_t> list(size / sizeof(wchar_t) + 2, L'\0');
    if (::RegQueryValueExW(key.Get(), kPauseFor, nullptr, &type, reinterpret_cast<BYTE*>(list.data()), &size) !=
        ERROR_SUCCESS)
        return names;
    for (const wchar_t* name = list.data(); *name; name += wcslen(name) + 1) {
        std::wstring lower(name);
        ::CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
        names.push_back(lower);
    }
    return names;
}

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
// folder that moved is removed from the menu all the same.
bool LoadsAtLogon()
{
    Key key(kRunKey, false);
    return key.Get() && ::RegQueryValueExW(key.Get(), kRunValueW, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

}  // namespace

int32_t SetLoadAtLogon(bool on, bool keepLoaded)
{
    Key key(kRunKey, true);
    if (!key.Get())
        return key.Status();
    if (!on) {
        const LONG status = ::RegDeleteValueW(key.Get(), kRunValueW);
        return status == ERROR_FILE_NOT_FOUND ? 0 : static_cast<int32_t>(status);
    }
    // Wide, so that a folder outside the system's code page is named as it is.
    ::SetLastError(ERROR_SUCCESS);
    const std::wstring command = LogonCommand(keepLoaded);
    if (command.empty()) {
        // GetModuleFileNameW failed, or the path outgrew the longest a path can be.
        const DWORD error = ::GetLastError();
        return static_cast<int32_t>(error != ERROR_SUCCESS ? error : ERROR_FILENAME_EXCED_RANGE);
    }
    return static_cast<int32_t>(::RegSetValueExW(key.Get(), kRunValueW, 0, REG_SZ,
                                                 reinterpret_cast<const BYTE*>(command.c_str()),
                                                 static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))));
}

}  // namespace settings
