// Win32 only. The window layer's borrowed window handle and small window helpers.
#include "fw/window.h"

namespace fw {

HWND Window::Detach()
{
    HWND window = m_hWnd;
    m_hWnd = nullptr;
    return window;
}

RECT ChildRect(HWND parent, HWND child)
{
    RECT rect{};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void RestoreAndRaise(HWND window)
{
    if (::IsIconic(window))
        ::ShowWindow(window, SW_RESTORE);
    ::SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

}  // namespace fw
