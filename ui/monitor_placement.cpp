// Win32 only. Where a monitor's window goes on its monitor.
#include "ui/monitor_placement.h"

#include "fw/window_math.h"
#include "platform/win32/win32_platform.h"

void CenterOnMonitor(HWND window, MonitorHandle monitor, int mode)
{
    RECT windowRect{};
    ::GetWindowRect(window, &windowRect);
    // A failed read leaves the zeroed rectangle, and the window goes to (0, 0).
    MonitorInfoEx info{};
    info.cbSize = sizeof info;
    Sys().GetMonitorInfoA(monitor, &info);
    const Rect32 area = info.rcMonitor;

    constexpr UINT kKeepOrder = SWP_NOZORDER | SWP_NOACTIVATE;
    if (mode == 1) {
        // Centred on the whole monitor, then kept inside its work area (off the taskbar).
        const auto centre = [&](const RECT& rect) {
            Rect32 placed = ToRect32(rect);
            const Point32 origin = CenteredOrigin(placed, area);
            placed = Rect32{origin.x, origin.y, origin.x + Width(placed), origin.y + Height(placed)};
            const Point32 inside = Height(info.rcWork) > 0 ? KeptInside(placed, info.rcWork) : origin;
            ::SetWindowPos(window, nullptr, inside.x, inside.y, 0, 0, kKeepOrder | SWP_NOSIZE);
        };
        centre(windowRect);
        // Moved onto a monitor of another DPI, the window took that DPI's size on the
        // way (WM_DPICHANGED): it is centred again at that size.
        RECT moved{};
        ::GetWindowRect(window, &moved);
        if (Width(ToRect32(moved)) != Width(ToRect32(windowRect)) ||
            Height(ToRect32(moved)) != Height(ToRect32(windowRect)))
            centre(moved);
    } else if (mode == 4) {
        ::SetWindowPos(window, nullptr, area.left, area.top, Width(area), Height(area), kKeepOrder);
    }
}

MonitorHandle MonitorOf(HWND window)
{
    return reinterpret_cast<MonitorHandle>(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
}

void KeepOnMonitor(HWND window, MonitorHandle monitor, const Rect32& monitorRect)
{
    RECT rect{};
    ::GetWindowRect(window, &rect);
    const POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    const RECT area = ToRect(monitorRect);
    if (!::IsRectEmpty(&area) && !::PtInRect(&area, centre))
        CenterOnMonitor(window, monitor, 1);
}

namespace {

// The monitor's work area; false when it cannot be read or is empty.
bool WorkArea(MonitorHandle monitor, Rect32& work)
{
    MonitorInfoEx info{};
    info.cbSize = sizeof info;
    if (!Sys().GetMonitorInfoA(monitor, &info) || Width(info.rcWork) <= 0 || Height(info.rcWork) <= 0)
        return false;
    work = info.rcWork;
    return true;
}

}  // namespace

POINT MinimumOnMonitor(MonitorHandle monitor, POINT minimum)
{
    Rect32 work{};
    if (!WorkArea(monitor, work))
        return minimum;
    const Point32 capped = MinimumInside(Point32{minimum.x, minimum.y}, work);
    return POINT{capped.x, capped.y};
}

void FitWorkArea(HWND window, MonitorHandle monitor, POINT minimum)
{
    Rect32 work{};
    if (!WorkArea(monitor, work))
        return;
    RECT rect{};
    ::GetWindowRect(window, &rect);
    const Point32 size{rect.right - rect.left, rect.bottom - rect.top};
    const Point32 fitted = FittedSize(size, work, Point32{minimum.x, minimum.y});
    if (fitted.x != size.x || fitted.y != size.y)
        ::SetWindowPos(window, nullptr, 0, 0, fitted.x, fitted.y, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void PlaceBeside(HWND window, HWND other, POINT minimum)
{
    const MonitorHandle monitor = MonitorOf(other);
    FitWorkArea(window, monitor, minimum);
    Rect32 work{};
    RECT otherRect{};
    RECT rect{};
    if (!WorkArea(monitor, work) || !::GetWindowRect(other, &otherRect) || !::GetWindowRect(window, &rect))
        return;
    const Point32 origin = BesideOrigin(ToRect32(rect), ToRect32(otherRect), work);
    ::SetWindowPos(window, nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
