// A monitor window and the program behind it, as each sees the other. The window shows
// one monitor's profiles and hands what the user chose to the program; the program
// opens, moves and closes the windows, keeps every monitor's calibration and holds the
// settings.
#pragma once

#include "cms/desktop_snapshot.h"
#include "cms/keeper_set.h"
#include "ui/calibration_commands.h"
#include "settings/settings.h"

#include <cstdint>
#include <optional>
#include <string>

// A monitor window, as the program sees it.
class MonitorView {
public:
    virtual ~MonitorView() = default;
    // The monitor the window was opened for.
    virtual const MonitorIdentity& Identity() const = 0;
    // The monitor is still there, maybe under another handle or in another place.
    virtual void MonitorMoved(const DesktopMonitor& monitor) = 0;
    // The program closes the window: its monitor went, or a resident program closes all
    // its windows together. Takes effect once the caller has returned.
    virtual void Close() = 0;
    // A setting, or what the program does with the monitor's calibration, changed.
    virtual void SettingsChanged() = 0;
    // The program looked at the ramps (the keepers' check) or wrote one: whatever shows
    // the monitor's ramp reads it again.
    virtual void RampsChecked() = 0;
    // A message box over the window; it never takes the focus from another program.
    virtual void ShowMessage(const std::string& text, bool warning) = 0;
    // Restored when minimised, and put above the other windows.
    virtual void BringToFront() = 0;
};

// The system's notices that concern the ramps and the desktop.
enum class SystemNotice : uint32_t {
    Display = 0x1,   // the desktop changed
    Resume = 0x2,    // resume, unlock, a session's reconnect: the ramp may be linear again
};

// The system's notice carried by a window message (WM_DISPLAYCHANGE, a resume of
// WM_POWERBROADCAST, an unlock or a console or remote connect of WM_WTSSESSION_CHANGE);
// none for any other message.
std::optional<SystemNotice> NoticeOf(uint32_t message, uintptr_t wParam);

// What a monitor window asks of the program it belongs to.
class MonitorWindowHost {
public:
    virtual ~MonitorWindowHost() = default;
    virtual const Settings& CurrentSettings() const = 0;

    // The window registers itself when it is made, and leaves when its object ends.
    virtual void WindowOpened(MonitorView& window) = 0;
    virtual void WindowGone(MonitorView& window) = 0;
    // A window had its last message: closed by the user (its close box, Quit), or by
    // the program (Close). The program decides what that means (its end, or nothing).
    virtual void WindowClosed(bool byUser) = 0;

    // The selection of the profile at path: the monitor's default, and its calibration
    // loaded. Reload loads it again; Reset puts the linear ramp back (path names the
    // selected profile for a report, or is empty). Each reports its own failure.
    virtual void Select(MonitorHandle monitor, const std::string& path) = 0;
    virtual void Reload(MonitorHandle monitor, const std::string& path) = 0;
    virtual void Reset(MonitorView& window, MonitorHandle monitor, const std::string& path) = 0;

    // How the program keeps the monitor's calibration, and whether HDR is on there.
    virtual KeepState KeepStateOf(MonitorHandle monitor) const = 0;
    virtual bool IsAdvancedColor(MonitorHandle monitor) const = 0;
    // Turns over one of the settings the window menu shows: 0, or the code with which
    // the registry refused it (the setting then stays as it is stored).
    virtual int32_t ToggleSetting(CalibrationAction action) = 0;
    // A notice of the system's that a window heard: answered at once, acted on after
    // the sender has returned.
    virtual void Notice(SystemNotice notice) = 0;
};
