// The arithmetic of the monitor windows: placing, resizing, the size grip and the
// minimised icon. Plain integers, so it is tested without a window system.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <vector>

struct Point32 {
    int32_t x;
    int32_t y;
};

inline int32_t Width(const Rect32& r) { return r.right - r.left; }
inline int32_t Height(const Rect32& r) { return r.bottom - r.top; }

// The top-left corner that centres a window on a monitor's rectangle. A window larger
// than the monitor keeps its top-left corner on the monitor.
Point32 CenteredOrigin(const Rect32& window, const Rect32& monitor);

// The scroll-arrow-sized square in the bottom-right corner of the client area.
Rect32 SizeGripRect(const Rect32& client, int32_t scrollWidth, int32_t scrollHeight);

// Whether a client point is in the grip: left and top inclusive, right and bottom not.
bool IsInGrip(const Rect32& grip, Point32 point);

// How a control follows a change of the window's size by (dx, dy).
enum class Anchor {
    Stay,          // left where it is
    BottomRight,   // moves by (dx, dy): OK (1) and Refresh (1003)
    Stretch,       // right and bottom grow by (dx, dy): the list (1000)
    Bottom,        // moves by (0, dy): the radio buttons (1001, 1002) and the unnamed (-1)
};
Anchor AnchorOf(int32_t controlId);

// The control's new rectangle, in the dialog's client coordinates.
Rect32 FollowResize(const Rect32& control, Anchor anchor, int32_t dx, int32_t dy);

// A control of a monitor window as made: its rectangle in the dialog's client
// coordinates and how it follows the window's size.
struct PlacedControl {
    Rect32 rect;
    Anchor anchor;
};

// The smallest size a monitor window may be given, from its controls as made:
//  - the controls that keep their x (Anchor::Bottom: the group box, its radio buttons
//    and the legends) stay whole inside the client area;
//  - one that follows the right edge (Anchor::BottomRight: Refresh) stops at the right
//    edge of each kept control that starts left of it and shares some of its height;
//  - one that stretches (the list) keeps `rows` rows of rowHeight.
// Never larger than the window as made. window is the window's outer rectangle and
// client its client rectangle, both as made.
Point32 MinimumWindowSize(const Rect32& window, const Rect32& client, const std::vector<PlacedControl>& controls,
                          int32_t rowHeight, int32_t rows);

// Where the icon of a minimised window is drawn in its client area.
Point32 IconOrigin(int32_t clientWidth, int32_t clientHeight, int32_t iconWidth, int32_t iconHeight);
