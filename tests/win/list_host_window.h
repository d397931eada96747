// A pop-up window holding one list box like the monitor window's, shared by the
// profile-list-box tests and the bench that drive a profile list box in a real
// control. Only the windows: what binds to the list, and how a failure to create them
// is met, stay with each user.
#pragma once

#include "fw/gdi.h"
#include "fw/list_box.h"
#include "win_handles.h"

#include <windows.h>

namespace wintest {

// Hands this thread's pending messages to their targets.
inline void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The list's font: Tahoma at 13 pixels, a TrueType face on Windows and Wine alike.
inline HFONT CreateListFont()
{
    return CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Tahoma");
}

// The host hands the list's owner-draw requests back to a bound list, as the monitor
// window does.
inline LRESULT CALLBACK ListHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (fw::ListBox::ReflectOwnerDraw(window, message, wParam, lParam, result))
        return result;
    return DefWindowProcA(window, message, wParam, lParam);
}

// A visible 380 x 340 pop-up at (left, 40) with a list box of the given style and id
// filling it but for a 10-pixel margin, in the list font. Whatever could not be made
// reads null.
class ListHostWindow {
public:
    ListHostWindow(DWORD listStyle, int listId, int left = 40)
    {
        static const ATOM hostClass = [] {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = ListHostProc;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
            windowClass.lpszClassName = "KestravaListHost";
            return RegisterClassA(&windowClass);
        }();
        m_font.Reset(CreateListFont());
        m_window.Reset(CreateWindowExA(0, MAKEINTATOM(hostClass), "Profiles",
                                       WS_POPUP | WS_BORDER | WS_CLIPCHILDREN | WS_VISIBLE, left, 40, 380, 340,
                                       nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
        m_hList = CreateWindowExA(0, "LISTBOX", "", listStyle, 10, 10, 356, 316, m_window.Get(),
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(listId)), GetModuleHandleA(nullptr),
                                  nullptr);
        SendMessageA(m_hList, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), TRUE);
    }

    HWND Window() const { return m_window.Get(); }
    HWND List() const { return m_hList; }
    HFONT Font() const { return m_font.Get(); }

private:
    fw::Font m_font;
    WindowOwner m_window;
    HWND m_hList = nullptr;   // destroyed with its window
};

}  // namespace wintest
