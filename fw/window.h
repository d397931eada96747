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

// Restores a window when it is minimised, and puts it above the other windows.
void RestoreAndRaise(HWND window);

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
