// The program behind the windows, apart from the system it runs on: which monitor
// windows are open and what a closed one means, the desktop it follows, the keeping of
// every monitor's calibration, pausing for a listed program, the requests of a second
// copy, and what the icon's tooltip says. The system side (ProgramShell) carries out
// what this decides: the windows themselves, the timers, the icon, the program window.
#pragma once

#include "app/tray_reports.h"
#include "cms/desktop_snapshot.h"
#include "cms/keeper_set.h"
#include "ui/monitor_window_host.h"
#include "settings/settings.h"

#include <cstdint>
#include <string>
#include <vector>

// What the core asks of the system it runs on.
class ProgramShell {
public:
    virtual ~ProgramShell() = default;

    // Makes the window of a monitor, handing it its monitor and its host; the window
    // registers itself with the host. False when the program ended while the window was
    // built (the user closed it from a report of its own): open no more then.
    virtual bool MakeWindow(const DesktopMonitor& monitor, MonitorWindowHost& host) = 0;
    // At start: a window for every monitor of the desktop, in enumeration order, each
    // made through ProgramCore::OpenWindow.
    virtual void OpenStartWindows() = 0;
    // The main window closed with its monitor: another takes its place.
    virtual void HandOverMainWindow(MonitorView& window) = 0;
    // The windows were put in front: the foreground goes to the last of them.
    virtual void ActivateWindows() = 0;
    // Ends the message loop.
    virtual void Quit() = 0;

    // Calls ProgramCore::HandleNotices once the sender of a notice has returned.
    virtual void PostNotices() = 0;
    // Calls ProgramCore::FollowNow a moment from now, once a burst of notices is over.
    virtual void FollowSoon() = 0;

    // The icon in the notification area: added (false when the shell has no place for
    // it yet), removed, whether it is there, a warning balloon over it.
    virtual bool AddIcon() = 0;
    virtual void RemoveIcon() = 0;
    virtual bool IconShown() const = 0;
    virtual void Balloon(const std::string& text) = 0;
    // The tooltip (cut to what the icon holds) and the whole text, uncut, for the
    // program's window.
    virtual void ShowTip(const std::u16string& tip, const std::u16string& whole) = 0;
    // A message box of the program's own, with no monitor window (the icon's settings).
    virtual void ShowProgramMessage(const std::string& text) = 0;

    // Milliseconds since some fixed moment.
    virtual uint64_t Now() = 0;
    // The file name (lower case) of the program whose window is in front, when that is
    // another program; empty otherwise.
    virtual std::u16string ForegroundProgram() = 0;
    // Where the settings are written.
    virtual SettingsStore& Store() = 0;
};

class ProgramCore : public MonitorWindowHost {
public:
    // A check of the keepers at least this often (the system side's timer).
    static constexpr uint64_t kKeepPeriodMs = KeeperSet::kCheckPeriodMs;

    ProgramCore(ProgramShell& shell, const Settings& settings);
    ~ProgramCore() override;
    ProgramCore(const ProgramCore&) = delete;
    ProgramCore& operator=(const ProgramCore&) = delete;

    // ---- Start ----
    // The windows: one for every monitor of the desktop.
    void StartWindows();
    // Resident (/tray): no window; every monitor's current calibration loaded and kept.
    void StartResident(bool quiet);
    // A window for the monitor (at start); false when the program ended meanwhile.
    bool OpenWindow(MonitorHandle monitor);
    // The programs while whose window is in front nothing is rewritten (lower case).
    void SetPauseFor(const std::vector<std::u16string>& programs);

    // ---- Events ----
    // A system notice, heard by the program window or a monitor window.
    void Notice(SystemNotice notice) override;
    // The notices posted since the last call.
    void HandleNotices();
    // The moment after a display change: the desktop is read, then the ramps checked.
    void FollowNow();
    // The desktop's monitors looked at cheaply: followed when something moved. Also
    // before every load, so that what is loaded is kept.
    void Poll();
    // The keepers' look at their ramps.
    void CheckKeepers();
    // Another window came to the front.
    void ForegroundChanged();

    // ---- Requests: the icon's menu, a second copy ----
    // Open (the icon, a plain second start): the windows, opened when there are none,
    // in front.
    void OpenRequested();
    // /tray from a second copy, or /tray at start: stays in the notification area.
    void BecomeResident(bool quiet);
    // /load from a second copy: every monitor's current calibration; the first failure.
    int32_t LoadRequested(bool quiet);
    void ReloadAll();
    void ResetAll();
    // A setting turned over from the icon's menu: a refusal is said at once.
    void ToggleFromTray(CalibrationAction action);
    // Exit from the icon, or Quit while resident: the program ends, icon included.
    void Exit();
    // The shell's notification area came back (TaskbarCreated), or the icon can be tried again.
    void AddIconAgain();
    // A click on a balloon: the report behind it, as a window would have shown it.
    void ShowLastReport() { m_trayReports.ShowLast(); }

    // ---- MonitorWindowHost ----
    const Settings& CurrentSettings() const override { return m_settings; }
    void WindowOpened(MonitorView& window) override;
    void WindowGone(MonitorView& window) override;
    void WindowClosed(bool byUser) override;
    void Select(MonitorHandle monitor, const std::string& path) override;
    void Reload(MonitorHandle monitor, const std::string& path) override;
    void Reset(MonitorView& window, MonitorHandle monitor, const std::string& path) override;
    KeepState KeepStateOf(MonitorHandle monitor) const override;
    bool IsAdvancedColor(MonitorHandle monitor) const override;
    int32_t ToggleSetting(CalibrationAction action) override;

    // ---- What it holds ----
    bool IsResident() const { return m_bResident; }
    bool IsQuiet() const { return m_bQuiet; }
    bool HasEnded() const { return m_bEnded; }
    const KeeperSet& Keepers() const { return m_keepers; }
    const DesktopSnapshot& Desktop() const { return m_desktop; }
    // The windows open, in the order they were made; closing ones left out.
    std::vector<MonitorView*> Windows() const;
    // The window of a monitor, not one that is closing; null when there is none.
    MonitorView* FindWindow(const MonitorIdentity& identity) const;
    // The listed program in front now; empty when none.
    const std::u16string& PausedFor() const { return m_pausedFor; }
    // Whether the monitor was put back to linear by the user and stays so.
    bool IsReset(const MonitorIdentity& identity) const;

private:
    static bool Listed(const std::vector<MonitorIdentity>& list, const MonitorIdentity& identity);
    static void Unlist(std::vector<MonitorIdentity>& list, const MonitorIdentity& identity);
    struct OpenWindowEntry {
        MonitorView* view;
        bool closing;   // asked to close by the program
    };

    // Runs work unless work of its kind is already running, in which case it runs once
    // more after that (a report's modal loop lets events in at any time).
    void FollowDesktop();
    void OpenWindows();
    void RunPending();
    void CloseWindow(MonitorView& window);
    void CloseAll();
    void BringWindowsToFront();

    // Loads the current calibration of a monitor that came, unless the user reset it.
    void LoadReturning(MonitorHandle monitor);
    // The calibration at path loaded into monitor (select: made its default first).
    void Apply(MonitorHandle monitor, const std::string& path, bool select);
    // Every monitor's current calibration: the first failure.
    int32_t LoadAll(bool quiet);
    // Says once that a monitor's keeping backed off: over its window, any window, or by
    // a balloon.
    void TellBackedOff(const std::vector<MonitorHandle>& monitors);
    // The listed program in front, or empty; pausing starts and ends here.
    void UpdatePause();
    void UpdateTip(bool force = false);
    // Tells every window that the ramps were looked at or written.
    void TellRampsChecked();
    const DesktopMonitor* DesktopMonitorOf(MonitorHandle monitor) const;
    // Who a monitor is, also under a handle newer than the desktop last read.
    MonitorIdentity IdentityOf(MonitorHandle monitor) const;
    void KeepingChanged();

    ProgramShell& m_shell;
    Settings m_settings;
    KeeperSet m_keepers;
    DesktopSnapshot m_desktop;          // the monitors the windows follow
    DesktopSnapshot m_layout;           // where they were at the last look
    std::vector<OpenWindowEntry> m_windows;
    std::vector<MonitorIdentity> m_reset;   // put back to linear by the user: not loaded when they return
    std::vector<MonitorIdentity> m_sdrWaiting;   // came back in HDR: loaded once they show SDR

    bool m_bDesktopWasEmpty = false;    // every monitor was away at the last look
    bool m_bFollowing = false;          // the desktop is followed, or windows are being made
    bool m_bFollowAgain = false;
    bool m_bFollowPending = false;      // a display change waits to be followed: no check before
    bool m_bOpenAgain = false;          // Open came while windows were being made
    bool m_bChecking = false;
    bool m_bCheckAgain = false;
    RampsBefore m_forgiven;             // what a listed program left: the next check counts none of it
    uint32_t m_nPendingNotices = 0;     // posted and not yet handled: a burst posts once

    bool m_bResident = false;
    bool m_bQuiet = false;
    bool m_bEnded = false;
    TrayReports m_trayReports;
    ReportPresenter* m_pWindowsPresenter = nullptr;
    std::string m_told;                 // what the tooltip was made from

    std::vector<std::u16string> m_pauseFor;
    std::u16string m_pausedFor;
};
