// Win32 only. The layout of a resizable dialog.
#include "fw/dialog_layout.h"

#include "fw/dpi.h"
#include "fw/window.h"
#include "platform/win32/win32_platform.h"

#include <cstdint>

namespace fw {

void DialogLayout::Remember(HWND dialog, SIZE madeClient, SIZE units, const LayoutRule* rules, size_t count)
{
    RECT client{};
    ::GetClientRect(dialog, &client);
    m_client = madeClient.cx > 0 && madeClient.cy > 0 ? Rect32{0, 0, madeClient.cx, madeClient.cy} : ToRect32(client);
    m_units = units;
    m_made.clear();
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const auto id = static_cast<int16_t>(::GetDlgCtrlID(child));
        m_made.push_back(Made{child, PlacedControl{ToRect32(ChildRect(dialog, child)), AnchorIn(rules, count, id)}});
    }
    m_bMade = true;
}

Scale DialogLayout::ScaleTo(SIZE units) const { return Scale{m_units.cx, units.cx, m_units.cy, units.cy}; }

void DialogLayout::Apply(HWND dialog, SIZE units) const
{
    RECT client{};
    ::GetClientRect(dialog, &client);
    const Scale scale = ScaleTo(units);
    for (const Made& made : m_made) {
        const RECT now = ChildRect(dialog, made.window);
        const RECT rect = ToRect(LayOutControl(made.placed, m_client, scale, ToRect32(client)));
        if (::EqualRect(&now, &rect))
            continue;
        // A stretching control repaints itself; the others would leave their old place
        // behind.
        if (made.placed.anchor != Anchor::Stretch)
            ::InvalidateRect(made.window, nullptr, TRUE);
        ::MoveWindow(made.window, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    }
}

POINT DialogLayout::MinimumSize(HWND dialog, SIZE units, HWND list, int rows) const
{
    RECT window{};
    RECT client{};
    ::GetWindowRect(dialog, &window);
    ::GetClientRect(dialog, &client);
    const auto rowHeight = static_cast<int32_t>(::SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    RECT listWindow{};
    RECT listClient{};
    ::GetWindowRect(list, &listWindow);
    ::GetClientRect(list, &listClient);
    const auto listFrame = static_cast<int32_t>((listWindow.bottom - listWindow.top) - listClient.bottom);
    const Point32 frame{(window.right - window.left) - client.right, (window.bottom - window.top) - client.bottom};
    std::vector<PlacedControl> made;
    made.reserve(m_made.size());
    for (const Made& control : m_made)
        made.push_back(control.placed);
    const Point32 minimum = ScaledMinimumSize(made, m_client, ScaleTo(units), frame, rowHeight, rows, listFrame);
    return POINT{minimum.x, minimum.y};
}

RECT SizeGripRectFor(HWND dialog, UINT dpi)
{
    RECT client{};
    ::GetClientRect(dialog, &client);
    return ToRect(SizeGripRect(ToRect32(client), SystemMetricForDpi(SM_CXHSCROLL, dpi),
                               SystemMetricForDpi(SM_CYVSCROLL, dpi)));
}

void FollowSizeGrip(HWND dialog, RECT& grip, UINT dpi)
{
    const RECT old = grip;
    grip = SizeGripRectFor(dialog, dpi);
    RECT both{};
    ::UnionRect(&both, &old, &grip);
    ::InvalidateRect(dialog, &both, TRUE);
}

void PaintSizeGrip(HDC dc, const RECT& grip)
{
    RECT rect = grip;
    ::DrawFrameControl(dc, &rect, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
}

LRESULT SizeGripHitTest(HWND dialog, const RECT& grip, POINT screenPoint)
{
    POINT client = screenPoint;
    ::ScreenToClient(dialog, &client);
    if (IsInGrip(ToRect32(grip), Point32{client.x, client.y}))
        return HTBOTTOMRIGHT;
    return ::DefWindowProcA(dialog, WM_NCHITTEST, 0, MAKELPARAM(screenPoint.x, screenPoint.y));
}

}  // namespace fw
