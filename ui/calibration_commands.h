// The calibration commands of a monitor window's window menu, and Verify's answers:
// what the menu shows (checked, greyed) and what Verify says, as plain functions of the
// settings and the monitor's state. The window draws them; the program carries them out.
#pragma once

#include "cms/keeper_set.h"
#include "platform/platform.h"
#include "settings/settings.h"

#include <cstddef>
#include <cstdint>
#include <string>

enum class CalibrationAction {
    Reload,           // load the selected profile's calibration again
    Verify,           // say whether the monitor's ramp holds it
    Reset,            // write the linear ramp, and keep nothing until the next load
    KeepLoaded,       // the settings, each turned over
    LoadAtLogon,
    ExtendedTables,
};

struct CalibrationCommand {
    uint32_t id;                  // the system command (res/resource.h)
    uint32_t stringId;            // its text
    CalibrationAction action;
    bool Settings::*checked;      // the setting its check mark shows; null for none
    bool needsSelection;          // greyed while the list selects no profile
};

// The commands, in the order the menu lists them after a separator.
extern const CalibrationCommand kCalibrationCommands[6];
// The command of a system command id; null for one that is not a calibration command.
const CalibrationCommand* FindCalibrationCommand(uint32_t id);

struct CommandState {
    bool checked = false;
    bool enabled = true;
};
CommandState StateOf(const CalibrationCommand& command, const Settings& settings, bool hasSelection);

// Turns over the setting of a settings command (KeepLoaded, LoadAtLogon,
// ExtendedTables) in the store, and in settings only once the store has taken it, so
// that the check mark shows what is stored. Turning KeepLoaded over while the logon
// entry is on writes that entry again in its other form (/tray or /load); refused, the
// keeping is put back as it was, so that the setting, its mark and the logon entry
// agree. Returns 0, or the code of the first write the store refused; 0 for any other
// action, which changes nothing.
int32_t ToggleStoredSetting(Settings& settings, CalibrationAction action, SettingsStore& store);

// The message for a refused settings write (IDS_SETTING_NOT_SAVED with its code).
std::string SettingNotSavedText(int32_t result);

// Verify's answer for the profile at path on a monitor: whether its ramp holds what the
// profile loads (to 8 bits), and if not, by how much; that there is nothing to verify;
// that the ramp cannot be read; or that HDR is on there. While the program has backed
// off from another writer of the monitor's ramp, the answer says that too.
struct VerifyAnswer {
    std::string text;
    bool warning = false;   // shown with the warning icon, else the information one
};
// With keeping off, a calibration that holds is said not to be kept.
VerifyAnswer VerifyCalibration(MonitorHandle monitor, const std::string& path, const std::string& monitorName,
                               bool extendedTables, bool advancedColor, KeepState state, bool keeping = true);

// The back-off message for a monitor (IDS_BACKED_OFF with its name).
std::string BackedOffText(const std::string& monitorName);
// That HDR is on for a monitor, and its ramp is left alone (IDS_HDR_NOT_KEPT).
std::string HdrNotKeptText(const std::string& monitorName);
