// Win32 only. The application: one window per monitor of the desktop.
#pragma once

#include "fw/app.h"
#include "platform/platform.h"

#include <windows.h>

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

    // The resource library serves the windows and the strings alike.
    void SetResourceModule(HINSTANCE module) override;

private:
    static Bool32 MonitorEnumProc(MonitorHandle monitor, DcHandle dc, Rect32* rect, intptr_t data);

    Win32Platform& m_platform;
};
