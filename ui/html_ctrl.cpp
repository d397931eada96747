// Win32 only: the HTML control of the info page.
#include "ui/html_ctrl.h"

#include "fw/window.h"
#include "ui/info_page.h"

CHtmlCtrl::CHtmlCtrl() = default;

CHtmlCtrl::~CHtmlCtrl() = default;

BOOL CHtmlCtrl::CreateInPlaceOfStatic(int id, HWND parent)
{
    HWND placeholder = ::GetDlgItem(parent, id);
    if (!placeholder)
        return FALSE;
    const RECT rect = fw::ChildRect(parent, placeholder);
    // The view is made before the placeholder goes, so that a failure leaves the
    // dialog as it was and the caller can still use the place.
    if (!Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, rect, parent, static_cast<UINT>(id)))
        return FALSE;
    ::SetWindowPos(m_hWnd, placeholder, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::DestroyWindow(placeholder);
    return TRUE;
}

void CHtmlCtrl::PostNcDestroy() {}

void CHtmlCtrl::OnBeforeNavigate2(const char* url, DWORD, const char*, const std::vector<uint8_t>&, const char*,
                                  bool& cancel)
{
    if (const char* command = AppLinkCommand(url)) {
        OnAppLink(command);
        cancel = true;
    }
}

void CHtmlCtrl::OnAppLink(const char*) {}

LRESULT CHtmlCtrl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        ReleaseBrowser();
        return Default(message, wParam, lParam);
    case WM_MOUSEACTIVATE:
        return Default(message, wParam, lParam);
    default:
        return fw::HtmlView::HandleMessage(message, wParam, lParam);
    }
}
