// Win32 only. The user's settings in the registry, which survive a restart: under
// HKEY_CURRENT_USER\Software\Kestrava, and the logon entry under
// HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run.
#pragma once

#include "settings/settings.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace settings {

// All three, as the registry holds them now.
Settings Load();

// Each writes one setting: 0, or the registry's code when it refused (the program's
// path, which the Run value names, counts as part of the write).
int32_t SetKeepLoaded(bool on);
int32_t SetExtendedTables(bool on);
// Writes or removes the Run value; written, it runs /tray while keepLoaded, else /load.
int32_t SetLoadAtLogon(bool on, bool keepLoaded);

// The registry as the store the window menu's and the icon's settings are written to.
class Store : public SettingsStore {
public:
    int32_t SetKeepLoaded(bool on) override { return settings::SetKeepLoaded(on); }
    int32_t SetExtendedTables(bool on) override { return settings::SetExtendedTables(on); }
    int32_t SetLoadAtLogon(bool on, bool keepLoaded) override { return settings::SetLoadAtLogon(on, keepLoaded); }
};

// What the Run value holds when it is on: the program's UTF-16 path in quotes, then
// /tray or /load. Empty when the path cannot be read.
std::wstring LogonCommand(bool keepLoaded);

}  // namespace settings
