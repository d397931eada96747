// Win32 only. The PauseFor list and its watch.
#include "settings/pause_for_watch.h"

#include "settings/registry_key.h"
#include "settings/settings.h"

#include <algorithm>
#include <cstdint>

namespace settings {

namespace {

constexpr const wchar_t* kPauseFor = L"PauseFor";
constexpr DWORD kMaxPauseForBytes = 65536;

}  // namespace

PauseForWatch::PauseForWatch() : m_hEvent(::CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

PauseForWatch::~PauseForWatch()
{
    if (m_hKey)
        ::RegCloseKey(m_hKey);
    if (m_hEvent)
        ::CloseHandle(m_hEvent);
}

bool PauseForWatch::Arm()
{
    if (!m_hKey && ::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_NOTIFY, &m_hKey) != ERROR_SUCCESS) {
        m_hKey = nullptr;
        return false;
    }
    return m_hEvent && ::RegNotifyChangeKeyValue(m_hKey, FALSE, REG_NOTIFY_CHANGE_LAST_SET, m_hEvent, TRUE) ==
                           ERROR_SUCCESS;
}

bool PauseForWatch::Changed()
{
    // Without the key there is nothing to watch yet: it is looked for again each time,
    // and its coming is a change.
    if (!m_hKey)
        return Arm();
    if (!m_hEvent || ::WaitForSingleObject(m_hEvent, 0) != WAIT_OBJECT_0)
        return false;
    Arm();
    return true;
}

std::vector<std::u16string> PauseForWatch::Read()
{
    if (!m_hKey)
        Arm();
    std::vector<std::u16string> names;
    Key key(kSettingsKey, false);
    DWORD type = 0;
    DWORD size = 0;
    if (!key.Get() || ::RegQueryValueExW(key.Get(), kPauseFor, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ || size == 0 || size > kMaxPauseForBytes)
        return names;
    std::vector<uint8_t> bytes(size);
    if (::RegQueryValueExW(key.Get(), kPauseFor, nullptr, &type, bytes.data(), &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ)
        return names;
    bytes.resize(std::min<size_t>(size, bytes.size()));
    for (std::u16string name : SplitMultiString(bytes)) {
        std::wstring lower(name.begin(), name.end());
        ::CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
        names.emplace_back(lower.begin(), lower.end());
    }
    return names;
}

}  // namespace settings
