// Win32 only: the info page window.
#include "ui/info_page_dialog.h"

#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_text.h"
#include "report/code_page.h"
#include "report/resource_strings.h"
#include "res/resource.h"

#include <memory>
#include <new>
#include <string>

namespace {

constexpr const char kScheme[] = "file:///";

bool IsFile(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The program's folder, in the ANSI code page; empty when it does not convert exactly.
std::string ProgramFolderAnsi()
{
    const std::wstring wide = ProgramFolder();
    std::string folder;
    return NarrowExactly(std::u16string(wide.begin(), wide.end()), CP_ACP, folder) ? folder : std::string();
}

}  // namespace

std::string InfoPageDialog::PageToOpen(const char* address, const char* pageId)
{
    // The address names the page at the root of the current drive; where it is not,
    // the one beside the program is opened, when that is there. Where neither is, the
    // address stays: the browser says the page is missing.
    const char* file = address + sizeof kScheme - 1;
    if (IsFile(file))
        return address;
    const std::string beside = PageBesideProgram(ProgramFolderAnsi(), pageId);
    return !beside.empty() && IsFile(beside) ? kScheme + beside : std::string(address);
}

InfoPageDialog::InfoPageDialog(const char* pageId, HWND parent)
    : fw::Dialog(kInfoPageTemplate), m_bPageIdFits(CopyPageId(m_pageId, pageId)), m_hParent(parent)
{
}

InfoPageDialog::~InfoPageDialog() = default;

INT_PTR InfoPageDialog::DoModal() { return m_hParent ? fw::Dialog::DoModal(m_hParent) : fw::Dialog::DoModal(); }

void InfoPageDialog::DoDataExchange(bool) {}

bool InfoPageDialog::CanShowHtml() { return fw::HtmlView::CanRenderHtml(); }

HWND InfoPageDialog::s_hOpenPage = nullptr;

BOOL InfoPageDialog::OnInitDialog()
{
    s_hOpenPage = m_hWnd;
    fw::Dialog::OnInitDialog();

    char address[kPageAddressSize];
    const bool haveAddress =
        m_bPageIdFits && BuildPageAddress(address, GetResourceString(kInfoPageFolderString), m_pageId);
    const std::string page = haveAddress ? PageToOpen(address, m_pageId) : std::string();
    // A browser that could not render the page would show an empty window, so it is
    // made only when the page can be shown in it.
    const bool browser =
        haveAddress && CanShowHtml() && m_htmlCtrl.CreateInPlaceOfStatic(kInfoPageFrame, m_hWnd) != FALSE;

    if (!browser)
        ShowTextInPlaceOfPage(haveAddress ? page.c_str() : nullptr);
    // The controls are where the template puts them, for its size, even when the
    // window could not be made that large: laid out from there for the size it has.
    m_layout.Remember(m_hWnd, TemplateClientSize(), BaseUnits(), kInfoPageLayout);
    m_layout.Apply(m_hWnd, BaseUnits());

    // A missing page gets the browser's own error page; nothing is reported.
    if (browser)
        m_htmlCtrl.Navigate(page.c_str(), 0, nullptr, nullptr, nullptr, 0);
    return TRUE;
}

void InfoPageDialog::ShowTextInPlaceOfPage(const char* address)
{
    HWND frame = ::GetDlgItem(m_hWnd, kInfoPageFrame);
    if (!frame)
        return;
    // From the string table, which always has them: a resource library that lacks
    // them leaves the program's own in place.
    std::string text = GetResourceString(address ? IDS_INFO_NO_HTML_ENGINE : IDS_INFO_NAME_TOO_LONG);
    if (address)
        text += std::string("\r\n\r\n") + address;
    const RECT rect = fw::ChildRect(m_hWnd, frame);
    // A child of the dialog, destroyed with it. It takes the frame's id, so the
    // window's layout treats it as the page.
    HWND label = ::CreateWindowExA(0, "STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_SUNKEN,
                                   rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, m_hWnd,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kInfoPageFrame)),
                                   reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(m_hWnd, GWLP_HINSTANCE)), nullptr);
    // Without the text the empty frame stays: the window still opens and closes.
    if (!label)
        return;
    ::SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), FALSE);
    ::SetWindowPos(label, frame, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::DestroyWindow(frame);
}

INT_PTR InfoPageDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        // The dialog manager's own WM_SIZE handling moves nothing, so running it after
        // ours (by answering FALSE) is the same as running it first.
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return FALSE;
    case WM_DESTROY:
        if (s_hOpenPage == m_hWnd)
            s_hOpenPage = nullptr;
        return fw::Dialog::HandleMessage(message, wParam, lParam);
    default:
        return fw::Dialog::HandleMessage(message, wParam, lParam);
    }
}

void InfoPageDialog::OnSize(UINT sizeType, int, int)
{
    if (sizeType != SIZE_MINIMIZED && m_layout.IsMade())
        m_layout.Apply(m_hWnd, BaseUnits());
}

void InfoPageDialog::OnDpiChanged(SIZE oldUnits, const RECT* suggested)
{
    fw::Dialog::OnDpiChanged(oldUnits, suggested);
    if (m_layout.IsMade())
        m_layout.Apply(m_hWnd, BaseUnits());
}

void ShowInfoPage()
{
    if (HWND open = InfoPageDialog::s_hOpenPage; open && ::IsWindow(open)) {
        ::SetForegroundWindow(open);
        ::BringWindowToTop(open);
        return;
    }
    // No owner is named, so the window layer picks the last active pop-up of the
    // window asking: a report stays open, disabled, behind the page.
    std::unique_ptr<InfoPageDialog> page(new (std::nothrow) InfoPageDialog("infoID", nullptr));
    if (page)
        page->DoModal();
}
