// Win32 only. Where a monitor's window goes on its monitor.
#pragma once

#include "platform/platform.h"

#include <windows.h>

// Places a top-level window on a monitor's full rectangle: mode 1 centres it (then
// keeps it inside the monitor's work area), mode 4 makes it fill the monitor; other
// modes do nothing.
void CenterOnMonitor(HWND window, MonitorHandle monitor, int mode);

// The monitor a window is on (mostly).
MonitorHandle MonitorOf(HWND window);

// Keeps a window on its monitor after a change of the desktop: a window whose middle
// the change left outside the monitor's rectangle goes back to the monitor's middle.
void KeepOnMonitor(HWND window, MonitorHandle monitor, const Rect32& monitorRect);

// A window's smallest size, capped at the monitor's work area (unchanged when the
// monitor cannot be read).
POINT MinimumOnMonitor(MonitorHandle monitor, POINT minimum);

// Shrinks a window made larger than its monitor's work area (a high DPI on a small
// monitor) to the area, never below minimum (its smallest size; 0 for none).
void FitWorkArea(HWND window, MonitorHandle monitor, POINT minimum);

// Places a window beside another one on that one's monitor (BesideOrigin), first shrunk
// to the work area as FitWorkArea does.
void PlaceBeside(HWND window, HWND other, POINT minimum);
