// Win32 only. The calibration side of a monitor window: the commands it adds to its
// window menu, Verify, and the messages they show. The program behind the windows
// (MonitorWindowHost) loads and keeps every monitor's calibration and holds the
// settings; this hands it what the window is asked.
#pragma once

#include "platform/platform.h"
#include "ui/monitor_window_host.h"

#include <windows.h>

#include <string>

class MonitorCalibration {
public:
    explicit MonitorCalibration(MonitorWindowHost& host) : m_host(host) {}

    MonitorWindowHost& Host() const { return m_host; }
    const Settings& CurrentSettings() const { return m_host.CurrentSettings(); }
    bool IsAdvancedColor(MonitorHandle monitor) const { return m_host.IsAdvancedColor(monitor); }

    // The commands after a separator in the window's window menu, then the one that
    // shows the calibration curves, and their marks as the settings are now (Reload and
    // Verify greyed without a selected profile).
    void AddCommands(HWND window) const;
    void UpdateCommands(HWND window, bool hasSelection) const;

    // Carries out a window-menu command for the window's monitor, whose selected profile
    // is at path (empty for none); false for a command that is not a calibration one.
    bool Command(HWND window, MonitorView& view, UINT id, MonitorHandle monitor, const std::string& path,
                 const std::string& monitorName) const;

    // A message box owned by the window, with the window's caption. Behind another
    // program's window it waits there rather than take the focus.
    static void ShowMessage(HWND window, const std::string& text, UINT type);

private:
    MonitorWindowHost& m_host;
};
