#include "support/list_host_window.h"

namespace wintest {

namespace {

// The host hands the list's owner-draw requests back to a bound list, as the monitor
// window does.
LRESULT CALLBACK ListHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (fw::ListBox::ReflectOwnerDraw(window, message, wParam, lParam, result))
        return result;
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

HFONT CreateListFont()
{
    return CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Tahoma");
}

ListHostWindow::ListHostWindow(DWORD listStyle, int listId, int left)
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

}  // namespace wintest
