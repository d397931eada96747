// Win32 only. A top-level window's own icons at its DPI.
#include "fw/window_icons.h"

#include "fw/dpi.h"
#include "fw/window_math.h"

#include <utility>

namespace fw {

void WindowIcons::Load(HWND window, HINSTANCE module, UINT id, UINT dpi)
{
    const auto load = [&](int width, int height) {
        return Icon(static_cast<HICON>(::LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON,
                                                    SystemMetricForDpi(width, dpi), SystemMetricForDpi(height, dpi),
                                                    0)));
    };
    Icon bigIcon = load(SM_CXICON, SM_CYICON);
    Icon smallIcon = load(SM_CXSMICON, SM_CYSMICON);
    ::SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.Get()));
    ::SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.Get()));
    m_big = std::move(bigIcon);
    m_small = std::move(smallIcon);
}

void WindowIcons::PaintMinimised(HWND window, HDC dc, UINT dpi) const
{
    ::SendMessageA(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    ::GetClientRect(window, &client);
    const int width = SystemMetricForDpi(SM_CXICON, dpi);
    const int height = SystemMetricForDpi(SM_CYICON, dpi);
    const Point32 origin = IconOrigin(client.right - client.left, client.bottom - client.top, width, height);
    ::DrawIconEx(dc, origin.x, origin.y, m_big.Get(), width, height, 0, nullptr, DI_NORMAL);
}

}  // namespace fw
