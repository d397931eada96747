// Win32 only. The info page: a resizable modal window that shows one local HTML page, chosen by
// its page id, in a CHtmlCtrl. OK or the close box closes it.
#pragma once

#include "fw/dialog.h"
#include "fw/dialog_layout.h"
#include "platform/platform.h"
#include "ui/html_ctrl.h"
#include "ui/info_page.h"

#include <windows.h>

#include <string>

class InfoPageDialog : public fw::Dialog {
public:
    // pageId names the page file without its extension; it is copied. An id of 256
    // bytes or more is refused rather than cut, since a cut id could name another
    // page; so is one whose address would not fit in 256 bytes. The window then still
    // opens, sizes and closes, with a line saying that the page cannot be opened in
    // the page's place. parent: the owner, or null for the window layer's default
    // owner (the main window's last active pop-up).
    InfoPageDialog(const char* pageId, HWND parent);
    ~InfoPageDialog() override;

    using fw::Dialog::DoModal;
    // Runs the window with the owner given to the constructor.
    INT_PTR DoModal();

protected:
    void DoDataExchange(bool save) override;
    BOOL OnInitDialog() override;
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // OK keeps to the lower-right corner and the page fills the rest of the window.
    void OnSize(UINT sizeType, int width, int height);
    // Sized anew by the base for the new DPI, then laid out from the controls as made.
    void OnDpiChanged(SIZE oldUnits, const RECT* suggested) override;

    // Whether the page can be shown in a browser control here. When it cannot, the
    // page's place shows its address instead, so that it can be opened elsewhere.
    virtual bool CanShowHtml();

    CHtmlCtrl m_htmlCtrl;
    char m_pageId[kPageIdSize];
    fw::DialogLayout m_layout;

private:
    // The page's address to open, from the one the string table gives (see PageToOpen
    // in info_page_dialog.cpp).
    static std::string PageToOpen(const char* address, const char* pageId);
    // Replaces the page frame by a text: the address and how to open it, or, with no
    // address, that the page cannot be opened.
    void ShowTextInPlaceOfPage(const char* address);

    // The page open now, if any: asked for again, it comes to the front instead of
    // opening another on top of it (ShowInfoPage).
    static HWND s_hOpenPage;
    friend void ShowInfoPage();

    bool m_bPageIdFits;
    HWND m_hParent;
};

// The reports' Help command and the F1 key of a monitor window: the info page "infoID",
// modal, owned by the last active pop-up of the window asking (the report, when one is
// open). When a page is open already, that one comes to the front instead.
void ShowInfoPage();
