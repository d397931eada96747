#include "fw/window_math.h"

#include <algorithm>

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

Point32 MinimumInside(Point32 minimum, const Rect32& work)
{
    return Point32{std::min(minimum.x, Width(work)), std::min(minimum.y, Height(work))};
}

Point32 FittedSize(Point32 size, const Rect32& work, Point32 minimum)
{
    const Point32 least = MinimumInside(minimum, work);
    return Point32{std::max(std::min(size.x, Width(work)), least.x), std::max(std::min(size.y, Height(work)), least.y)};
}

Point32 KeptInside(const Rect32& window, const Rect32& work)
{
    Point32 origin{window.left, window.top};
    origin.x = std::max(std::min(origin.x, work.right - Width(window)), work.left);
    origin.y = std::max(std::min(origin.y, work.bottom - Height(window)), work.top);
    return origin;
}

Point32 BesideOrigin(const Rect32& window, const Rect32& other, const Rect32& work)
{
    const int32_t width = Width(window);
    int32_t x = other.right;
    if (x + width > work.right)
        x = other.left - width;
    if (x < work.left)
        x = other.left + (Width(other) - width) / 2;
    return KeptInside(Rect32{x, other.top, x + width, other.top + Height(window)}, work);
}

Rect32 SizeGripRect(const Rect32& client, int32_t scrollWidth, int32_t scrollHeight)
{
    return Rect32{client.right - scrollWidth, client.bottom - scrollHeight, client.right, client.bottom};
}

bool IsInGrip(const Rect32& grip, Point32 point)
{
    return point.x >= grip.left && point.x < grip.right && point.y >= grip.top && point.y < grip.bottom;
}

Anchor AnchorIn(const LayoutRule* rules, size_t count, int32_t controlId)
{
    for (size_t i = 0; i < count; ++i)
        if (rules[i].id == controlId)
            return rules[i].anchor;
    return Anchor::Stay;
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

namespace {

bool ShareHeight(const Rect32& a, const Rect32& b) { return a.top < b.bottom && b.top < a.bottom; }

// The narrowest client area: every kept control shown whole, and no control that
// follows the right edge run over a kept one on its left. Both kinds move by the same
// dy, so whether two of them share height never changes with the size.
int32_t MinimumClientWidth(const Rect32& client, const std::vector<PlacedControl>& controls)
{
    int32_t width = 0;
    for (const PlacedControl& kept : controls) {
        if (kept.anchor != Anchor::Bottom)
            continue;
        width = std::max(width, kept.rect.right - client.left);
        for (const PlacedControl& moving : controls) {
            if (moving.anchor == Anchor::BottomRight && kept.rect.left < moving.rect.left &&
                ShareHeight(kept.rect, moving.rect))
                width = std::max(width, Width(client) - (moving.rect.left - kept.rect.right));
        }
    }
    return width;
}

// The height the client area can lose before a stretching control is down to `rows`
// rows; 0 when one is there already.
int32_t SpareHeight(const std::vector<PlacedControl>& controls, int32_t rowHeight, int32_t rows, int32_t listFrame)
{
    bool found = false;
    int32_t spare = 0;
    for (const PlacedControl& control : controls) {
        if (control.anchor != Anchor::Stretch)
            continue;
        const int32_t own = std::max(0, Height(control.rect) - (rows * rowHeight + listFrame));
        spare = found ? std::min(spare, own) : own;
        found = true;
    }
    return spare;
}

}  // namespace

Point32 MinimumWindowSize(const Rect32& window, const Rect32& client, const std::vector<PlacedControl>& controls,
                          int32_t rowHeight, int32_t rows, int32_t listFrame)
{
    const int32_t spareWidth = std::max(0, Width(client) - MinimumClientWidth(client, controls));
    return Point32{Width(window) - spareWidth, Height(window) - SpareHeight(controls, rowHeight, rows, listFrame)};
}

Point32 IconOrigin(int32_t clientWidth, int32_t clientHeight, int32_t iconWidth, int32_t iconHeight)
{
    return Point32{(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

int32_t ScaleValue(int32_t value, int32_t from, int32_t to)
{
    if (from <= 0)
        return value;
    // In 64 bits: a coordinate times a DPI passes 2^31 long before either would.
    const int64_t product = int64_t{value} * to;
    const int64_t half = from / 2;
    return static_cast<int32_t>(product >= 0 ? (product + half) / from : -((-product + half) / from));
}

Rect32 ScaleRect(const Rect32& rect, const Scale& scale)
{
    return Rect32{ScaleValue(rect.left, scale.fromX, scale.toX), ScaleValue(rect.top, scale.fromY, scale.toY),
                  ScaleValue(rect.right, scale.fromX, scale.toX), ScaleValue(rect.bottom, scale.fromY, scale.toY)};
}

Rect32 LayOutControl(const PlacedControl& made, const Rect32& madeClient, const Scale& scale, const Rect32& client)
{
    const Rect32 scaledClient = ScaleRect(madeClient, scale);
    return FollowResize(ScaleRect(made.rect, scale), made.anchor, Width(client) - Width(scaledClient),
                        Height(client) - Height(scaledClient));
}

Point32 ScaledMinimumSize(const std::vector<PlacedControl>& made, const Rect32& madeClient, const Scale& scale,
                          Point32 frame, int32_t rowHeight, int32_t rows, int32_t listFrame)
{
    const Rect32 client = ScaleRect(madeClient, scale);
    std::vector<PlacedControl> controls;
    controls.reserve(made.size());
    for (const PlacedControl& control : made)
        controls.push_back(PlacedControl{ScaleRect(control.rect, scale), control.anchor});
    const Rect32 window{0, 0, Width(client) + frame.x, Height(client) + frame.y};
    return MinimumWindowSize(window, client, controls, rowHeight, rows, listFrame);
}
