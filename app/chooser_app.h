// Win32 only. The application: one window per monitor of the desktop, and the program
// behind them that follows the desktop and keeps every monitor's calibration.
#pragma once

#include "app/command_line.h"
#include "app/tray_icon.h"
#include "app/tray_reports.h"
#include "cms/desktop_snapshot.h"
#include "cms/keeper_set.h"
#include "fw/app.h"
#include "platform/owner.h"
#include "platform/platform.h"
#include "report/report.h"
#include "ui/monitor_profile_dialog.h"
#include "ui/settings.h"

#include <windows.h>

#include <string>
#include <vector>

class Win32Platform;

class ChooserApp : public fw::App, public MonitorWindowHost {
public:
    // The platform whose resource source follows the resource library, when one loads.
    explicit ChooserApp(Win32Platform& platform) : m_platform(platform) {}

    // Turns on the visual-style controls, takes resources from "Res.dll" when it is
    // there, and opens a window for every monitor whose information can be read; or,
    // where a copy already runs in this session, hands the start to it. Always TRUE.
    BOOL InitInstance() override;
    // F1: the info page.
    void OnHelp() override;

    // 0 when the enumeration succeeded, otherwise its last error.
    virtual int EnumerateMonitors();

    // Without windows (/load, /?, a second copy), the exit code is what that work gave.
    int ExitInstance(int code) override;
    // Quit ends the program, resident or not; Help opens the info page.
    bool OnCommand(UINT id) override;
    // Resident in the notification area (/tray): the program goes on with no window.
    bool StaysWithoutWindows() const override { return m_bResident; }

    // Monitors that came get a window (and, while keeping, their calibration), windows
    // whose monitor went close, the others are checked again. Never runs inside
    // itself: asked for while it runs (from a report's modal loop, a timer or a
    // notice), it runs once more after it.
    virtual void RefreshMonitors();

    // The resource library serves the windows and the strings alike.
    void SetResourceModule(HINSTANCE module) override;

    // ---- What the monitor windows ask of the program ----
    const Settings& CurrentSettings() const override { return m_settings; }
    void CalibrationLoaded(MonitorHandle monitor, const std::string& path, const LoadedRamp& ramp) override;
    void CalibrationFailed(MonitorHandle monitor) override;
    void RampReset(MonitorHandle monitor, const LoadedRamp& ramp) override;
    KeepState KeepStateOf(MonitorHandle monitor) const override;
    bool IsAdvancedColor(MonitorHandle monitor) const override;
    int32_t ToggleSetting(CalibrationAction action) override;
    void SystemNotice(UINT message, WPARAM wParam) override;

private:
    struct WindowTraits {
        static void Close(HWND window) { ::DestroyWindow(window); }
    };
    struct HandleTraits {
        static void Close(HANDLE handle) { ::CloseHandle(handle); }
    };

    // The icon's events reach the program's window as this message.
    static constexpr UINT kMsgTray = WM_APP + 5;

    static Bool32 MonitorEnumProc(MonitorHandle monitor, DcHandle dc, Rect32* rect, intptr_t data);
    static LRESULT CALLBACK ProgramWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnProgramMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // The first copy in the session owns the name; a later one hands its start to it.
    // True when this copy goes on; otherwise m_nExitCode says how the other took it.
    bool ClaimSingleCopy(const CommandLine& line);
    // The program's own window: invisible, it hears the system's notices, runs the
    // timers and is how a second copy reaches this one.
    bool CreateProgramWindow();

    // One look at the desktop (see RefreshMonitors).
    void FollowDesktop();
    // Loads the current profile's calibration of a monitor that came, while keeping.
    void LoadReturning(MonitorHandle monitor);
    // The keepers' look at their ramps; never inside itself. A back-off is said once the
    // look is over, by the monitor's window.
    void CheckKeepers();
    // A display change, a resume, an unlock: keeping resumes and looks at once.
    void OnNotice(WPARAM notice);
    // A second copy was started: this one's windows come to the front (opened first,
    // when it is resident without them).
    void BringWindowsToFront();
    // A window for every monitor that has none.
    void OpenWindows();

    // ---- Resident in the notification area ----
    // Adds the icon and stays when the windows close; quiet, failures show nothing.
    void BecomeResident(bool quiet);
    void UpdateTrayTip();
    // The icon's events: its menu, a click (the windows).
    void OnTrayEvent(UINT event);
    void ShowTrayMenu();
    void OnTrayCommand(UINT id);
    // Every monitor's current calibration loaded again, and keeping resumed.
    void ReloadAll();
    // The linear ramp on every monitor, and nothing kept until the next load.
    void ResetAll();
    void Exit();
    // /load asked of this copy by a second one: the load's result.
    int LoadForOtherCopy(bool quiet);

    bool m_bWindows = true;     // the windows were opened (no /load, no /?, no second copy)
    int m_nExitCode = 0;        // the result of the work done without windows

    Settings m_settings;
    KeeperSet m_keepers;
    DesktopSnapshot m_desktop;          // the monitors the windows follow
    DesktopSnapshot m_layout;           // where they were at the last look
    bool m_bDesktopWasEmpty = false;    // every monitor was away at the last look
    bool m_bFollowing = false;
    bool m_bFollowAgain = false;
    bool m_bChecking = false;
    bool m_bCheckAgain = false;
    WPARAM m_nPendingNotices = 0;       // posted and not yet handled: a burst posts once

    bool m_bResident = false;
    bool m_bQuiet = false;              // /quiet: no message while resident
    TrayIcon m_trayIcon;
    TrayReports m_trayReports;
    UINT m_nTaskbarCreated = 0;         // the shell's word that it has a notification area again
    std::string m_told;                 // what the tooltip was made from

    // Programs that set their own ramp: while one is in front, nothing is rewritten.
    std::vector<std::wstring> m_pauseFor;
    std::string m_pausedFor;            // the one in front now; empty when none
    HWINEVENTHOOK m_hForegroundHook = nullptr;
    // The program of the foreground window when it is one of m_pauseFor; empty otherwise.
    std::string PausingProgram() const;
    static void CALLBACK OnForegroundChange(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child,
                                            DWORD thread, DWORD time);

    Owner<HANDLE, HandleTraits> m_hSingleCopy;
    Owner<HWND, WindowTraits> m_hProgram;
    bool m_bSessionNotices = false;

    Win32Platform& m_platform;
};
