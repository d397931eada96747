// The user's settings as the program holds them: plain data, read once by the
// application (ui/settings.h reads and writes the registry) and handed to whoever needs
// it.
#pragma once

#include <cstdint>

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

// Where the settings are written (the registry, ui/settings.h). Each write returns 0,
// or the code with which the store refused it; a refused write leaves the stored value
// as it was.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual int32_t SetKeepLoaded(bool on) = 0;
    virtual int32_t SetExtendedTables(bool on) = 0;
    // Writes or removes the logon entry; written, it runs /tray while keepLoaded, else /load.
    virtual int32_t SetLoadAtLogon(bool on, bool keepLoaded) = 0;
};
