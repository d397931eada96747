// The user's settings, which survive a restart: under HKEY_CURRENT_USER\Software\Kestrava,
// and the logon entry under HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run.
// The model is plain data, read once by the application and handed to whoever needs
// it; the functions that read and write the registry are Win32 only (settings.cpp).
#pragma once

#include <string>

struct Settings {
    // "Keep calibration loaded": DWORD KeepLoaded, on when absent or not a DWORD.
    bool keepLoaded = true;
    // "Also load 16-bit and formula tables": DWORD ExtendedTables, off when absent or
    // not a DWORD.
    bool extendedTables = false;
    // "Load calibration at logon": the Run value Kestrava = "<this program's full path>"
    // /load; on only when the value is there and names this program so.
    bool loadAtLogon = false;
};

namespace settings {

// All three, as the registry holds them now.
Settings Load();

// Each writes one setting; false when the registry refused.
bool SetKeepLoaded(bool on);
bool SetExtendedTables(bool on);
// Writes or removes the Run value.
bool SetLoadAtLogon(bool on);

// What the Run value holds when it is on: the program's path in quotes, then /load.
std::string LogonCommand();

}  // namespace settings
