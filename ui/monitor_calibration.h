// Win32 only. The calibration side of a monitor window: the commands it adds to its
// window menu, the loading of a selected profile's calibration, Verify and Reset, and
// the messages they show. The program behind the windows (MonitorWindowHost) keeps
// every monitor's calibration and holds the settings; this carries out what a window
// is asked and tells the program what came of it.
#pragma once

#include "cms/CMSSupport.h"
#include "cms/keeper_set.h"
#include "platform/platform.h"
#include "ui/calibration_commands.h"
#include "ui/settings.h"

#include <windows.h>

#include <cstdint>
#include <string>

// What a monitor window asks of the program it belongs to.
class MonitorWindowHost {
public:
    virtual ~MonitorWindowHost() = default;
    virtual const Settings& CurrentSettings() const = 0;
    // A window loaded a calibration into its monitor's ramp (a selection, Reload), or
    // the load failed (a refused Reset too), or it put the linear ramp back.
    virtual void CalibrationLoaded(MonitorHandle monitor, const std::string& path, const LoadedRamp& ramp) = 0;
    virtual void CalibrationFailed(MonitorHandle monitor) = 0;
    virtual void RampReset(MonitorHandle monitor, const LoadedRamp& ramp) = 0;
    // How the program keeps the monitor's calibration, and whether HDR is on there.
    virtual KeepState KeepStateOf(MonitorHandle monitor) const = 0;
    virtual bool IsAdvancedColor(MonitorHandle monitor) const = 0;
    // Turns over one of the settings the window menu shows: 0, or the code with which
    // the registry refused it (the setting then stays as it is stored).
    virtual int32_t ToggleSetting(CalibrationAction action) = 0;
    // A notice of the system's that a window heard (a display change, a resume, a
    // session change): answered at once, acted on after the sender has returned.
    virtual void SystemNotice(UINT message, WPARAM wParam) = 0;
    // Resident in the notification area: closing the windows does not end the program.
    virtual bool StaysWithoutWindows() const = 0;
};

class MonitorCalibration {
public:
    // The program is the application object, where it is one; without it (a bare
    // window) nothing is kept and the settings are the defaults.
    MonitorCalibration();

    MonitorWindowHost* Host() const { return m_pHost; }
    const Settings& CurrentSettings() const;
    bool IsAdvancedColor(MonitorHandle monitor) const { return m_pHost && m_pHost->IsAdvancedColor(monitor); }

    // The commands after a separator in the window's window menu, and their marks as
    // the settings are now (Reload and Verify greyed without a selected profile).
    void AddCommands(HWND window) const;
    void UpdateCommands(HWND window, bool hasSelection) const;

    // Loads the calibration of the profile at path into the monitor's ramp (select:
    // makes it the monitor's default first), tells the program and reports a failure.
    void Apply(MonitorHandle monitor, const std::string& path, bool select) const;
    // Carries out a window-menu command for the window's monitor, whose selected profile
    // is at path (empty for none); false for a command that is not a calibration one.
    bool Command(HWND window, UINT id, MonitorHandle monitor, const std::string& path,
                 const std::string& monitorName) const;

    // A message box owned by the window, with the window's caption. Behind another
    // program's window it waits there rather than take the focus.
    static void ShowMessage(HWND window, const std::string& text, UINT type);

private:
    MonitorWindowHost* m_pHost;
};
