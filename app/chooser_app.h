// Win32 only. The application: one window per monitor of the desktop.
#pragma once

#include "fw/app.h"
#include "platform/platform.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

class Win32Platform;

class ChooserApp : public fw::App {
public:
    // The platform whose resource source follows the resource library, when one loads.
    explicit ChooserApp(Win32Platform& platform) : m_platform(platform) {}

    // Turns on the visual-style controls, takes resources from "Res.dll" when it is
    // there, and opens a window for every monitor whose information can be read.
    // Always TRUE.
    BOOL InitInstance() override;
    // F1: the info page.
    void OnHelp() override;

    // 0 when the enumeration succeeded, otherwise its last error.
    virtual int EnumerateMonitors();

    // Without windows (/load, /?), the exit code is what that work gave.
    int ExitInstance(int code) override;

    // Monitors that came get a window, windows whose monitor went close, the others
    // are checked again; once the changes have settled.
    void OnDisplayChange() override;
    virtual void RefreshMonitors();

    // The resource library serves the windows and the strings alike.
    void SetResourceModule(HINSTANCE module) override;

private:
    static Bool32 MonitorEnumProc(MonitorHandle monitor, DcHandle dc, Rect32* rect, intptr_t data);
    static void CALLBACK OnRefreshTimer(HWND window, UINT message, UINT_PTR id, DWORD time);
    static void CALLBACK OnMonitorPoll(HWND window, UINT message, UINT_PTR id, DWORD time);

    bool m_bWindows = true;     // the windows were opened (no /load, no /?)
    int m_nExitCode = 0;        // the result of the work done without windows
    UINT_PTR m_nRefreshTimer = 0;
    std::vector<std::pair<std::string, Rect32>> m_layout;   // the monitors the windows follow

    Win32Platform& m_platform;
};
