// Win32 only. The layout of a resizable dialog: its controls as the dialog manager made
// them, and a table of how each follows the window (fw/window_math's LayoutRule). Every
// layout starts from the controls as made, scaled as the dialog's font was since, so
// no rounding piles up however often the window is resized or changes DPI.
#pragma once

#include "fw/window_math.h"

#include <windows.h>

#include <cstddef>
#include <vector>

namespace fw {

class DialogLayout {
public:
    // Takes dialog's controls as they are now, as made for a client area of madeClient
    // (the template's size, even when the window could not be made that large) at the
    // dialog base units units.
    template <size_t N>
    void Remember(HWND dialog, SIZE madeClient, SIZE units, const LayoutRule (&rules)[N])
    {
        Remember(dialog, madeClient, units, rules, N);
    }
    void Remember(HWND dialog, SIZE madeClient, SIZE units, const LayoutRule* rules, size_t count);

    // Whether Remember has run.
    bool IsMade() const { return m_bMade; }

    // Places every control for the client area the dialog has now, at the base units
    // units. A control already in place is not touched.
    void Apply(HWND dialog, SIZE units) const;

    // The smallest window size for the controls at units, with the frame the dialog has
    // now: every control that keeps its x whole, no control of the lower-right corner
    // over one on its left, and list (a stretching list box) keeping rows whole rows.
    POINT MinimumSize(HWND dialog, SIZE units, HWND list, int rows) const;

private:
    struct Made {
        HWND window;
        PlacedControl placed;
    };
    Scale ScaleTo(SIZE units) const;

    std::vector<Made> m_made;
    Rect32 m_client{};
    SIZE m_units{};
    bool m_bMade = false;
};

// The size grip drawn in a resizable dialog's lower-right corner: a scroll-arrow-sized
// square of the client area, at the dialog's DPI, that sizes the window from that
// corner.
RECT SizeGripRectFor(HWND dialog, UINT dpi);
// Moves grip to its place for the client area now, repainting where it was and is.
void FollowSizeGrip(HWND dialog, RECT& grip, UINT dpi);
void PaintSizeGrip(HDC dc, const RECT& grip);
// HTBOTTOMRIGHT over the grip, else what the window would answer without it.
LRESULT SizeGripHitTest(HWND dialog, const RECT& grip, POINT screenPoint);

}  // namespace fw
