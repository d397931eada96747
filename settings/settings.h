// The user's settings as the program holds them: plain data, read once by the
// application (settings/registry_settings.h reads and writes the registry) and handed to whoever needs
// it.
#pragma once

#include <cstdint>
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

// Where the settings are written (the registry, settings/registry_settings.h). Each write returns 0,
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

// The names of a REG_MULTI_SZ value as the registry gave its bytes, of any length: an
// odd last byte is dropped, the list ends at its first empty name or its end, whether
// the value was stored with its terminators or not.
std::vector<std::u16string> SplitMultiString(const std::vector<uint8_t>& bytes);

// Whether Windows' own startup switch (StartupApproved\Run, a value of the program's
// name, as Task Manager and Settings write it) turns the program's logon entry off: a
// binary value whose first byte is odd. Any other type or length leaves it on.
bool StartupDisabled(uint32_t type, const std::vector<uint8_t>& bytes);
// What marks the entry on there: twelve bytes, the first 2.
std::vector<uint8_t> StartupEnabledValue();
