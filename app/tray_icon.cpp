// Win32 only: the program's icon in the notification area.
#include "app/tray_icon.h"

#include "platform/win32/win32_text.h"

#include <shellapi.h>

#include <algorithm>
#include <iterator>

namespace {

constexpr UINT kIconId = 1;

}  // namespace

bool TrayIcon::Add(HWND window, UINT callbackMessage, HICON icon)
{
    m_hWindow = window;
    m_nCallback = callbackMessage;
    m_hIcon = icon;
    // The shell may have gone and come back: the icon is added afresh either way.
    m_bShown = false;
    if (!Modify(NIM_ADD))
        return false;
    m_bShown = true;
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = m_hWindow;
    data.uID = kIconId;
    data.uVersion = NOTIFYICON_VERSION_4;
    ::Shell_NotifyIconW(NIM_SETVERSION, &data);
    return true;
}

void TrayIcon::SetTip(const std::wstring& tip)
{
    if (tip == m_tip)
        return;
    m_tip = tip;
    if (m_bShown)
        Modify(NIM_MODIFY);
}

void TrayIcon::Remove()
{
    if (m_bShown)
        Modify(NIM_DELETE);
    m_bShown = false;
}

void TrayIcon::Balloon(const std::string& title, const std::string& text)
{
    if (!m_bShown)
        return;
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = m_hWindow;
    data.uID = kIconId;
    data.uFlags = NIF_INFO;
    data.dwInfoFlags = NIIF_WARNING;
    const std::wstring wideTitle = WidenAnsi(title);
    const std::wstring wideText = WidenAnsi(text);
    std::copy_n(wideTitle.begin(), std::min(wideTitle.size(), std::size(data.szInfoTitle) - 1), data.szInfoTitle);
    std::copy_n(wideText.begin(), std::min(wideText.size(), std::size(data.szInfo) - 1), data.szInfo);
    ::Shell_NotifyIconW(NIM_MODIFY, &data);
}

bool TrayIcon::Modify(DWORD message)
{
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = m_hWindow;
    data.uID = kIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
    data.uCallbackMessage = m_nCallback;
    data.hIcon = m_hIcon;
    // The tip's buffer holds 127 characters and its end.
    const size_t length = std::min(m_tip.size(), std::size(data.szTip) - 1);
    std::copy_n(m_tip.begin(), length, data.szTip);
    return ::Shell_NotifyIconW(message, &data) != FALSE;
}
