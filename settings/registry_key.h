// Win32 only. The registry key of the user's settings, and a key opened or created
// under HKEY_CURRENT_USER that closes when it ends.
#pragma once

#include <windows.h>

#include <cstdint>

namespace settings {

constexpr const char* kSettingsKey = "Software\\Kestrava";

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

}  // namespace settings
