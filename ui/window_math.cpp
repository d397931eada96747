#include "ui/window_math.h"

Point32 CenteredOrigin(const Rect32& window, const Rect32& monitor)
{
    // Integer division truncates toward zero, for windows wider than the monitor too.
    Point32 origin{monitor.left + (Width(monitor) - Width(window)) / 2,
                   monitor.top + (Height(monitor) - Height(window)) / 2};
    if (origin.x < monitor.left)
        origin.x = monitor.left;
    if (origin.y < monitor.top)
        origin.y = monitor.top;
    return origin;
}

Rect32 SizeGripRect(const Rect32& client, int32_t scrollWidth, int32_t scrollHeight)
{
    return Rect32{client.right - scrollWidth, client.bottom - scrollHeight, client.right, client.bottom};
}

bool IsInGrip(const Rect32& grip, Point32 point)
{
    return point.x >= grip.left && point.x < grip.right && point.y >= grip.top && point.y < grip.bottom;
}

Anchor AnchorOf(int32_t controlId)
{
    switch (controlId) {
    case 1:
    case 1003:
        return Anchor::BottomRight;
    case 1000:
        return Anchor::Stretch;
    case 1001:
    case 1002:
    case -1:
        return Anchor::Bottom;
    default:
        return Anchor::Stay;
    }
}

Rect32 FollowResize(const Rect32& control, Anchor anchor, int32_t dx, int32_t dy)
{
    switch (anchor) {
    case Anchor::BottomRight:
        return Rect32{control.left + dx, control.top + dy, control.right + dx, control.bottom + dy};
    case Anchor::Stretch:
        return Rect32{control.left, control.top, control.right + dx, control.bottom + dy};
    case Anchor::Bottom:
        return Rect32{control.left, control.top + dy, control.right, control.bottom + dy};
    case Anchor::Stay:
        break;
    }
    return control;
}

Point32 MinimumWindowSize(const Rect32& window, const Rect32& list, int32_t rowHeight, int32_t rows)
{
    // The list's frame takes a few pixels besides its rows.
    constexpr int32_t kListFrame = 4;
    const int32_t spare = Height(list) - (rows * rowHeight + kListFrame);
    return Point32{Width(window), spare > 0 ? Height(window) - spare : Height(window)};
}

Point32 IconOrigin(int32_t clientWidth, int32_t clientHeight, int32_t iconWidth, int32_t iconHeight)
{
    return Point32{(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}
