// What the built program works on, read and set from the test's side of the same Wine
// prefix: the desktop's monitors (and the test bed's second output), the colour
// directory and its associations, the X server's gamma ramp, and the registry values
// the program keeps its settings in.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

namespace program {

// ---- Monitors -------------------------------------------------------------------

struct Monitor {
    std::string adapter;        // \\.\DISPLAYn
    RECT rect{};                // the full monitor rectangle
    std::string deviceString;   // what the monitor's window is captioned with
    std::string deviceId;       // what the colour store keys associations by
};

// The desktop's monitors, in the platform's enumeration order.
std::vector<Monitor> Monitors();

// Turns the test bed's second output off, or on again where tools/testbed.sh put it.
bool SetSecondOutput(bool on);
bool WaitForMonitorCount(size_t count);

// What the system tells every top-level window when monitors come or go. Wine 8 does
// not: its handler of the X server's output changes resizes the desktop without the
// broadcast (winex11.drv, X11DRV_resize_desktop(FALSE)), so tests send it as Windows
// would.
void BroadcastDisplayChange();

// ---- The colour directory and its associations ----------------------------------

class ColourStore {
public:
    ColourStore();

    bool Valid() const { return !m_directory.empty() && !m_parking.empty(); }
    std::string PathOf(const std::string& file) const { return m_directory + "\\" + file; }

    // Every file of the directory whose name matches pattern.
    std::vector<std::string> Files(const std::string& pattern = "*") const { return FilesIn(m_directory, pattern); }

    // The test profiles come and go with the tests; any other file is the prefix's own.
    void RemoveTestProfiles();
    // Associations outlast a run: no file of the directory stays associated.
    void ForgetAssociations(const std::string& deviceId);
    // Copies a generated profile in, under its own name or another one.
    bool Install(const std::string& profile, const std::string& asName = {});
    bool Remove(const std::string& file);
    bool Associate(const std::string& file, const std::string& deviceId);
    // Moves every file out of the directory, for a system with no profiles at all.
    bool ParkEverything();
    // Brings parked files back; also after an earlier run that could not.
    void RestoreParked();

    static std::vector<std::string> FilesIn(const std::string& directory, const std::string& pattern);

private:
    std::string m_directory;
    std::string m_parking;
};

// The file name of the profile the colour store lists first for a monitor device: the
// device's current profile. Wine's store lists every monitor profile for any device, in
// file name order, so there it is the first of the directory.
std::string FirstProfileOf(const std::string& deviceId);

// The profile the graphics system names for an adapter, as a full path.
std::string AdapterProfile(const std::string& adapter);

// ---- The gamma ramp --------------------------------------------------------------

struct Ramp {
    WORD values[3][256];
};

bool ReadRamp(Ramp& ramp);
bool WriteIdentityRamp();

// A profile's 768 table bytes (red, green, blue) from its 786-byte calibration tag, read
// with the colour-management calls; empty when it has none.
std::vector<BYTE> CalibrationTable(const std::string& path);
// The ramp's high bytes for a tag of any form, by the program's own decoder (which the
// host tests hold to LittleCMS's curves); empty when it has none or a faulty one.
std::vector<BYTE> DecodedTable(const std::string& path);

// The X server keeps 8 bits per entry: the high bytes are what was written.
std::vector<BYTE> HighBytes(const Ramp& ramp);
std::vector<BYTE> IdentityTable();
// The ramp's high bytes now; empty when it cannot be read.
std::vector<BYTE> CurrentTable();

// ---- The registry, read and written as the program's user -------------------------

constexpr const char* kSettingsKey = "Software\\Kestrava";
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunValue = "Kestrava";
// Windows' own switch for the Run value (Task Manager's Startup tab), of the same name.
constexpr const char* kStartupApprovedKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

struct RegistryValue {
    bool present = false;
    DWORD type = REG_NONE;
    std::string text;    // for REG_SZ
    DWORD number = 0;    // for REG_DWORD
};

RegistryValue ReadValue(const char* key, const char* name);
bool WriteString(const char* key, const char* name, const std::string& text);
void DeleteValue(const char* key, const char* name);
// No Run value and no settings key: the program's settings as on a new account.
void ForgetSettings();

}  // namespace program
