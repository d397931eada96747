// The arithmetic of the monitor windows: placing, resizing, the size grip and the
// minimised icon. Plain integers, so it is tested without a window system.
#pragma once

#include "platform/platform.h"

#include <cstdint>

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

// The smallest size a monitor window may be given: as wide as it was made (the legends
// fill its width) and tall enough for the list to keep `rows` rows of rowHeight.
// window and list are the window's and the list's rectangles as made.
Point32 MinimumWindowSize(const Rect32& window, const Rect32& list, int32_t rowHeight, int32_t rows);

// Where the icon of a minimised window is drawn in its client area.
Point32 IconOrigin(int32_t clientWidth, int32_t clientHeight, int32_t iconWidth, int32_t iconHeight);
