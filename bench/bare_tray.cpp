// Win32 only. The least a program in the notification area holds, written straight
// against the Win32 API: the yardstick that tools/bench.sh sets the resident
// `kestrava.exe /tray`'s memory against, in the same run. One hidden top-level window
// (its class is bare_programs.h's), one icon added to the notification area the way the
// program adds its own (a shell without a notification area refuses it; the call is
// made all the same), then the message loop. Closing the window ends it with exit code
// 0; 1 when the window could not be made.
#include "bare_programs.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <iterator>

namespace {

constexpr UINT kIconId = 1;
constexpr UINT kMsgIcon = WM_APP + 5;
const wchar_t* const kClass = L"" KESTRAVA_BARE_TRAY_CLASS;
const wchar_t kTip[] = L"" KESTRAVA_BARE_TRAY_CLASS;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The icon, removed again on the way out when the shell took it.
class Icon {
public:
    explicit Icon(HWND window)
    {
        m_data.cbSize = sizeof m_data;
        m_data.hWnd = window;
        m_data.uID = kIconId;
        m_data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
        m_data.uCallbackMessage = kMsgIcon;
        m_data.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));   // IDI_APPLICATION, shared
        std::copy(std::begin(kTip), std::end(kTip), m_data.szTip);
        m_shown = Shell_NotifyIconW(NIM_ADD, &m_data) != FALSE;
    }
    ~Icon()
    {
        if (m_shown)
            Shell_NotifyIconW(NIM_DELETE, &m_data);
    }
    Icon(const Icon&) = delete;
    Icon& operator=(const Icon&) = delete;

private:
    NOTIFYICONDATAW m_data{};
    bool m_shown = false;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = WindowProc;
    type.hInstance = instance;
    type.lpszClassName = kClass;
    if (!RegisterClassExW(&type))
        return 1;
    // Never shown, and destroyed by the close that ends the loop.
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kClass, kTip, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance,
                                  nullptr);
    if (!window)
        return 1;
    const Icon icon(window);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
