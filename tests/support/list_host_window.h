// A pop-up window holding one list box like the monitor window's, shared by the
// profile-list-box tests and the bench that drive a profile list box in a real
// control. Only the windows: what binds to the list, and how a failure to create them
// is met, stay with each user.
#pragma once

#include "fw/gdi.h"
#include "fw/list_box.h"
#include "support/win_handles.h"

#include <windows.h>

namespace wintest {

// Hands this thread's pending messages to their targets.
void PumpMessages();

// The list's font: Tahoma at 13 pixels, a TrueType face on Windows and Wine alike.
HFONT CreateListFont();

// A visible 380 x 340 pop-up at (left, 40) with a list box of the given style and id
// filling it but for a 10-pixel margin, in the list font. Whatever could not be made
// reads null.
class ListHostWindow {
public:
    ListHostWindow(DWORD listStyle, int listId, int left = 40);

    HWND Window() const { return m_window.Get(); }
    HWND List() const { return m_hList; }
    HFONT Font() const { return m_font.Get(); }

private:
    fw::Font m_font;
    WindowOwner m_window;
    HWND m_hList = nullptr;   // destroyed with its window
};

}  // namespace wintest
