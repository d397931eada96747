// Win32 only. The window layer's borrowed window handle and the small window helpers
// every dialog needs.
#pragma once

#include "fw/gdi.h"

#include <windows.h>

namespace fw {

// A window the object does not own: the dialog that created it destroys it.
class Window {
public:
    Window() = default;
    explicit Window(HWND window) : m_hWnd(window) {}

    void Attach(HWND window) { m_hWnd = window; }
    HWND Detach();
    HWND Handle() const { return m_hWnd; }

    BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
    bool IsVisible() const { return ::IsWindowVisible(m_hWnd) != FALSE; }

protected:
    HWND m_hWnd = nullptr;
};

// A child's window rectangle in its parent's client coordinates.
RECT ChildRect(HWND parent, HWND child);

// ---- DPI ----
// Windows 10 gives each monitor its own DPI; the functions that tell it are looked up
// when first asked for, so that the program still starts on Windows 7 and 8, where
// everything is at the one system DPI.

// The system DPI: the screen's LOGPIXELSY, what every window is made for unless it
// follows its monitor.
UINT SystemDpi();
// The DPI a window is laid out for: its top-level dialog's (a Dialog follows
// WM_DPICHANGED itself), else the system's answer for the window (Windows 10 1607 on),
// else the system DPI.
UINT WindowDpi(HWND window);
// A system metric (SM_CXICON, SM_CXVSCROLL, ...) at a DPI: the system's own where it
// has one (Windows 10 1607 on), else the metric at the system DPI scaled to dpi.
int SystemMetricForDpi(int index, UINT dpi);
// The system's font for tooltips and status bars (NONCLIENTMETRICS' lfStatusFont) at a
// DPI; null when the system tells none.
Font StatusFontForDpi(UINT dpi);

// Shows the wait cursor while the guard lives and puts the previous cursor back when it
// ends: for work that keeps the message loop from running long enough to be noticed.
class WaitCursor {
public:
    WaitCursor() : m_hPrevious(::SetCursor(::LoadCursor(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { ::SetCursor(m_hPrevious); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR m_hPrevious;
};

}  // namespace fw
