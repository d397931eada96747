// The user's settings, which survive a restart: under HKEY_CURRENT_USER\Software\Kestrava,
// and the logon entry under HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run.
// The model is plain data, read once by the application and handed to whoever needs
// it; the functions that read and write the registry are Win32 only (settings.cpp).
#pragma once

#include <string>
#include <vector>

struct Settings {
    // "Keep calibration loaded": DWORD KeepLoaded, on when absent or not a DWORD.
    bool keepLoaded = true;
    // "Also load 16-bit and formula tables": DWORD ExtendedTables, off when absent or
    // not a DWORD.
    bool extendedTables = false;
    // "Load calibration at logon": the Run value Kestrava = "<this program's full path>"
    // /tray while keeping is on, /load while it is off; on whenever a value of that name
    // is there, whatever it holds.
    bool loadAtLogon = false;
};

namespace settings {

// All three, as the registry holds them now.
Settings Load();

// Each writes one setting; false when the registry refused.
bool SetKeepLoaded(bool on);
bool SetExtendedTables(bool on);
// Writes or removes the Run value; written, it runs /tray while keepLoaded, else /load.
bool SetLoadAtLogon(bool on, bool keepLoaded);

// The programs while whose window is in front nothing is rewritten (games and video
// players that set their own ramp): REG_MULTI_SZ PauseFor, file names such as game.exe,
// in lower case. Win32 only.
std::vector<std::wstring> PauseFor();

// What the Run value holds when it is on: the program's UTF-16 path in quotes, then
// /tray or /load. Empty when the path cannot be read.
std::wstring LogonCommand(bool keepLoaded);

}  // namespace settings
