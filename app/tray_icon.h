// Win32 only. The program's icon in the notification area.
#pragma once

#include <windows.h>

#include <string>

class TrayIcon {
public:
    TrayIcon() = default;
    ~TrayIcon() { Remove(); }
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Shows the icon, whose events reach window as callbackMessage (the version 4
    // protocol: the event in LOWORD(lParam), the anchor point in wParam), with the tip
    // last set. False when the shell took no icon (it has no notification area yet, or
    // did not answer in time): Add again later.
    bool Add(HWND window, UINT callbackMessage, HICON icon);
    // A new tip, shown at once if the icon is there, and kept for the next Add.
    void SetTip(const std::wstring& tip);
    void Remove();
    bool IsShown() const { return m_bShown; }
    // A warning balloon over the icon (texts in the ANSI code page, cut to what the
    // shell holds); a click on it reaches the window as NIN_BALLOONUSERCLICK.
    void Balloon(const std::string& title, const std::string& text);

private:
    bool Modify(DWORD message);

    HWND m_hWindow = nullptr;
    UINT m_nCallback = 0;
    HICON m_hIcon = nullptr;
    std::wstring m_tip;
    bool m_bShown = false;
};
