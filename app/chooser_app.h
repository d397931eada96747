// Win32 only. The application: the system side of the program. It starts the program's
// core (ProgramCore), which decides, and carries out what the core asks: the monitor
// windows, the program's own hidden window with its timers and messages, the icon, the
// foreground hook.
#pragma once

#include "app/command_line.h"
#include "app/program_core.h"
#include "app/tray_icon.h"
#include "fw/app.h"
#include "platform/owner.h"
#include "platform/platform.h"
#include "settings/pause_for_watch.h"
#include "settings/registry_settings.h"

#include <windows.h>

#include <memory>
#include <string>

class Win32Platform;

class ChooserApp : public fw::App, public ProgramShell {
public:
    // The platform whose resource source follows the resource library, when one loads.
    explicit ChooserApp(Win32Platform& platform);
    ~ChooserApp() override;

    // Turns on the visual-style controls, takes resources from "Res.dll" beside it or
    // in the folder of the user's display language when there is one, and opens a
    // window for every monitor whose information can be read; or, where a copy already
    // runs in this session, hands the start to it. Always TRUE.
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
    bool StaysWithoutWindows() const override { return m_core && m_core->IsResident(); }

    // The resource library serves the windows and the strings alike.
    void SetResourceModule(HINSTANCE module) override;

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
    void OnTimer(UINT_PTR timer);

    // The first copy in the session owns the name; a later one hands its start to it.
    // True when this copy goes on; otherwise m_nExitCode says how the other took it.
    bool ClaimSingleCopy(const CommandLine& line);
    // The program's own window: invisible, it hears the system's notices, runs the
    // timers and is how a second copy reaches this one.
    bool CreateProgramWindow();

    // The icon's events: its menu, a click or Enter (the windows), a click on a
    // balloon. The shell gives where the icon is: the menu opens there, also when
    // asked for from the keyboard (the context-menu key, Shift+F10).
    void OnTrayEvent(UINT event, POINT anchor);
    void ShowTrayMenu(POINT at);
    void OnTrayCommand(UINT id);

    // PauseFor read again when the registry says it changed.
    void FollowPauseFor();

    // ---- ProgramShell ----
    bool MakeWindow(const DesktopMonitor& monitor, MonitorWindowHost& host) override;
    void OpenStartWindows() override { EnumerateMonitors(); }
    void HandOverMainWindow(MonitorView& window) override;
    void ActivateWindows() override;
    void Quit() override { ::PostQuitMessage(0); }
    void PostNotices() override;
    void FollowSoon() override;
    bool AddIcon() override;
    void RemoveIcon() override { m_trayIcon.Remove(); }
    bool IconShown() const override { return m_trayIcon.IsShown(); }
    void Balloon(const std::string& text) override { m_trayIcon.Balloon("Kestrava", text); }
    void ShowTip(const std::u16string& tip, const std::u16string& whole) override;
    void ShowProgramMessage(const std::string& text) override;
    uint64_t Now() override { return ::GetTickCount64(); }
    std::u16string ForegroundProgram() override;
    SettingsStore& Store() override { return m_store; }

    bool m_bWindows = true;     // the windows were opened (no /load, no /?, no second copy)
    int m_nExitCode = 0;        // the result of the work done without windows

    std::unique_ptr<ProgramCore> m_core;
    settings::Store m_store;
    settings::PauseForWatch m_pauseForWatch;
    TrayIcon m_trayIcon;
    UINT m_nTaskbarCreated = 0;         // the shell's word that it has a notification area again
    HWINEVENTHOOK m_hForegroundHook = nullptr;
    static void CALLBACK OnForegroundChange(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child,
                                            DWORD thread, DWORD time);

    Owner<HANDLE, HandleTraits> m_hSingleCopy;
    Owner<HWND, WindowTraits> m_hProgram;
    bool m_bSessionNotices = false;

    Win32Platform& m_platform;
};
