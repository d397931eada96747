// The arithmetic of resizable windows: placing, laying controls out, the size grip,
// the minimised icon, and how all of it follows the DPI of the window's monitor. Plain
// integers, so it is tested without a window system.
#pragma once

#include "platform/platform.h"

#include <cstddef>
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

// A window's smallest size on a monitor: its own, but never beyond the monitor's work
// area, so that a window fits every monitor at every DPI.
Point32 MinimumInside(Point32 minimum, const Rect32& work);
// A window's size made to fit a monitor's work area: no larger than the area, and no
// smaller than MinimumInside.
Point32 FittedSize(Point32 size, const Rect32& work, Point32 minimum);

// The top-left corner that keeps a window inside a work area: it moves only as far as
// it must, and a window larger than the area keeps its top-left corner on it.
Point32 KeptInside(const Rect32& window, const Rect32& work);

// The top-left corner that puts a window beside another one (a window it belongs to)
// inside a work area: right of it where the area has room, else left of it, else centred
// over it, level with its top; then kept inside the area.
Point32 BesideOrigin(const Rect32& window, const Rect32& other, const Rect32& work);

// The scroll-arrow-sized square in the bottom-right corner of the client area.
Rect32 SizeGripRect(const Rect32& client, int32_t scrollWidth, int32_t scrollHeight);

// Whether a client point is in the grip: left and top inclusive, right and bottom not.
bool IsInGrip(const Rect32& grip, Point32 point);

// How a control follows a change of the window's size by (dx, dy).
enum class Anchor {
    Stay,          // left where it is
    BottomRight,   // moves by (dx, dy): a button in the lower-right corner
    Stretch,       // right and bottom grow by (dx, dy): a list or a page
    Bottom,        // moves by (0, dy): what sits below a list, at the left
};

// A dialog's layout is a table of these, one per control id that moves: a control the
// table does not name stays where it was made. Every control with the id follows its
// rule (the unnamed ones share -1).
struct LayoutRule {
    int32_t id;
    Anchor anchor;
};
Anchor AnchorIn(const LayoutRule* rules, size_t count, int32_t controlId);
template <size_t N>
Anchor AnchorIn(const LayoutRule (&rules)[N], int32_t controlId)
{
    return AnchorIn(rules, N, controlId);
}

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
//  - one that stretches (the list) keeps `rows` rows of rowHeight inside its frame
//    (listFrame: its outer height less its client height).
// Never larger than the window as made. window is the window's outer rectangle and
// client its client rectangle, both as made.
Point32 MinimumWindowSize(const Rect32& window, const Rect32& client, const std::vector<PlacedControl>& controls,
                          int32_t rowHeight, int32_t rows, int32_t listFrame);

// ---- Following the DPI ----------------------------------------------------------------

// The DPI that sizes written as plain pixel numbers are meant for: the 100 % setting.
constexpr int32_t kDefaultDpi = 96;

// A change of scale: x in proportion toX / fromX, y in proportion toY / fromY. From
// one DPI to another both axes take the DPIs; from one dialog font to another, its
// dialog base units (the average character width, and the height).
struct Scale {
    int32_t fromX;
    int32_t toX;
    int32_t fromY;
    int32_t toY;
};

// value * to / from, rounded half away from zero as the system's MulDiv rounds; value
// unchanged when from is not positive.
int32_t ScaleValue(int32_t value, int32_t from, int32_t to);
// A size meant for 96 DPI (a picture's), at dpi.
inline int32_t ForDpi(int32_t pixelsAt96, int32_t dpi) { return ScaleValue(pixelsAt96, kDefaultDpi, dpi); }
// Each edge scaled on its own: rectangles that do not overlap still do not, and ones
// that touch still touch.
Rect32 ScaleRect(const Rect32& rect, const Scale& scale);

// Where a control goes: its rectangle as made (in the client area madeClient) scaled as
// the window's font was (`scale`: from the base units it was made with to the present
// ones), then following its anchor by as much as the client area differs from the one
// made, scaled the same way. Every layout starts from the controls as made, so no
// rounding piles up however often the window is resized or changes monitors.
Rect32 LayOutControl(const PlacedControl& made, const Rect32& madeClient, const Scale& scale, const Rect32& client);

// The smallest size of a window whose controls LayOutControl places at `scale`: that of
// its controls as made (in the client area madeClient), scaled, by MinimumWindowSize,
// with the frame the window has now (its outer size less its client size) and the rows
// and the list's frame as they are now. So the smallest size keeps its proportion to
// the controls, while the list still keeps whole rows of the font it has now.
Point32 ScaledMinimumSize(const std::vector<PlacedControl>& made, const Rect32& madeClient, const Scale& scale,
                          Point32 frame, int32_t rowHeight, int32_t rows, int32_t listFrame);

// Where the icon of a minimised window is drawn in its client area.
Point32 IconOrigin(int32_t clientWidth, int32_t clientHeight, int32_t iconWidth, int32_t iconHeight);
