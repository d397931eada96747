// Win32 only. A top-level window's own icons, big and small, at the window's DPI: set
// on the window, drawn in its client area while it is minimised, and made again when
// its DPI changes.
#pragma once

#include "fw/gdi.h"

#include <windows.h>

namespace fw {

class WindowIcons {
public:
    // Loads icon id of module at dpi's sizes and gives them to window; the ones it had
    // go once the window shows the new ones. A size that cannot be loaded leaves the
    // window without that icon.
    void Load(HWND window, HINSTANCE module, UINT id, UINT dpi);
    // Draws the big icon in the middle of a minimised window's client area.
    void PaintMinimised(HWND window, HDC dc, UINT dpi) const;
    HICON Big() const { return m_big.Get(); }

private:
    Icon m_big;     // the window borrows both
    Icon m_small;
};

}  // namespace fw
