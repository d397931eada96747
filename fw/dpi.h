// Win32 only. What the system tells of DPI, and the fonts and metrics for a DPI.
// Windows 10 gives each monitor its own DPI; the functions that tell it are looked up
// when first asked for, so that the program still starts on Windows 7 and 8, where
// everything is at the one system DPI.
#pragma once

#include "fw/gdi.h"

#include <windows.h>

namespace fw {

// The DPIs a window can be asked to follow: the display settings' scales, 100 % to
// 500 %. A WM_DPICHANGED outside them comes from no monitor and is ignored.
constexpr UINT kMinimumDpi = 96;
constexpr UINT kMaximumDpi = 480;
constexpr bool IsSettableDpi(UINT dpi) { return dpi >= kMinimumDpi && dpi <= kMaximumDpi; }

// The system DPI: the screen's LOGPIXELSY, what every window is made for unless it
// follows its monitor.
UINT SystemDpi();
// The window's own DPI as the system tells it (Windows 10 1607 on: its monitor's under
// per-monitor awareness), else the system DPI.
UINT OwnDpi(HWND window);
// The DPI the dialog manager made a dialog for: under per-monitor awareness v2 its
// monitor's; otherwise (Windows 7 to 10 1607, and Wine, which has one DPI) the
// system's.
UINT MadeDpi(HWND dialog);
// Turns off the dialog manager's own following of WM_DPICHANGED (Windows 10 1703 on),
// where the system has it.
void TurnOffDialogScaling(HWND dialog);

// A system metric (SM_CXICON, SM_CXVSCROLL, ...) at a DPI: the system's own where it
// has one (Windows 10 1607 on), else the metric at the system DPI scaled to dpi.
int SystemMetricForDpi(int index, UINT dpi);
// The system's font for tooltips and status bars (NONCLIENTMETRICS' lfStatusFont) at a
// DPI; null when the system tells none.
Font StatusFontForDpi(UINT dpi);
// The size of a window whose client area is client and whose frame is that of window
// (its styles and menu) at dpi; the frame as it is now where the system cannot say.
SIZE WindowSizeForDpi(HWND window, SIZE client, UINT dpi);

// A face and its size in points, as a dialog template gives its font: the same font
// can be made for any DPI, always from the points, so that no rounding piles up as
// the DPI changes back and forth.
struct PointFont {
    LOGFONTW face{};
    int points = 0;            // 0: the face could not be read
    bool cellHeight = false;   // the height is the cell's, not the characters'
};
// The face of font, made by the dialog manager for madeDpi, with its point size.
PointFont PointFontOf(HFONT font, UINT madeDpi);
// The font at dpi: lfHeight = -points * dpi / 72, rounded, as the dialog manager makes
// it. Null when pointFont holds no face.
Font FontAtDpi(const PointFont& pointFont, UINT dpi);

// The dialog base units of a font, as the dialog manager measures them: the average
// width of the 52 letters, rounded, and the height. The system font when font is null.
SIZE BaseUnitsOf(HFONT font);

}  // namespace fw
