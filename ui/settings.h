// Win32 only. The user's settings, which survive a restart: under
// HKEY_CURRENT_USER\Software\Kestrava, and the logon entry under
// HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run.
#pragma once

#include <string>

namespace settings {

// "Keep calibration loaded": DWORD KeepLoaded, on when absent or not a DWORD.
bool KeepLoaded();
bool SetKeepLoaded(bool on);

// "Also load 16-bit and formula tables": DWORD ExtendedTables, off when absent or not
// a DWORD.
bool ExtendedTables();
bool SetExtendedTables(bool on);

// "Load calibration at logon": the Run value Kestrava = "<this program's full path>" /load.
// On only when the value is there and names this program so.
bool LoadsAtLogon();
// Writes or removes the value; false when the registry refused.
bool SetLoadAtLogon(bool on);

// What the Run value holds when it is on: the program's path in quotes, then /load.
std::string LogonCommand();

}  // namespace settings
