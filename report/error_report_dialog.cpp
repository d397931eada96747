// Win32 only: the error-report window.
#include "report/error_report_dialog.h"

#include "fw/app.h"
#include "fw/gdi.h"
#include "fw/window.h"
#include "report/mbstring.h"

#include <algorithm>
#include <memory>
#include <new>
#include <utility>

namespace {

// The Help button has the id the dialog manager gives Escape (IDCANCEL), which is why
// the report has no way to be cancelled.
constexpr int kHelpButton = 2;
constexpr size_t kMaxLineText = 255;
// The report's caption, which its template carries too.
constexpr const char kCaption[] = "Kestrava";

}  // namespace

ErrorReportDialog::ErrorReportDialog(int32_t showHelp, UINT templateId)
    : fw::Dialog(templateId), m_showHelp(showHelp)
{
}

ErrorReportDialog::~ErrorReportDialog() = default;

void ErrorReportDialog::DoDataExchange(bool save)
{
    fw::Dialog::DoDataExchange(save);
    DDX_Control(kHelpButton, m_helpButton);
    DDX_Text(save, IDC_ERROR_FILE_LINE, m_fileLineText, kMaxLineText);
    DDX_Text(save, IDC_ERROR_MESSAGE, m_messageText, kMaxLineText);
    DDX_Text(save, IDC_ERROR_SYSTEM_TEXT, m_systemText);
    // The line breaks the window put in are its own business, not part of the text.
    if (save) {
        for (const ShownText& text : m_shownTexts)
            if (*text.member == text.shown)
                *text.member = text.given;
    }
}

BOOL ErrorReportDialog::OnInitDialog()
{
    fw::Dialog::OnInitDialog();
    if (m_showHelp != 0)
        m_helpButton.ShowWindow(SW_SHOW);
    FitTexts();
    return TRUE;
}

void ErrorReportDialog::FitTexts()
{
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoA(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const int room = static_cast<int>((work.bottom - work.top) - (window.bottom - window.top));

    // Top to bottom, so that each control grows from where the one above pushed it.
    m_shownTexts.clear();
    int grown = 0;
    for (const auto& [id, text] : {std::pair{IDC_ERROR_MESSAGE, &m_messageText},
                                   std::pair{IDC_ERROR_FILE_LINE, &m_fileLineText},
                                   std::pair{IDC_ERROR_SYSTEM_TEXT, &m_systemText}}) {
        HWND control = ::GetDlgItem(m_hWnd, id);
        if (!control)
            continue;
        const int grow = std::min(ShowFitted(control, *text), room - grown);
        if (grow <= 0)
            continue;
        GrowControl(control, grow);
        grown += grow;
    }
    if (grown <= 0)
        return;

    const int height = static_cast<int>(window.bottom - window.top) + grown;
    const int top = std::max<int>(static_cast<int>(work.top), static_cast<int>(window.top) - grown / 2);
    ::SetWindowPos(m_hWnd, nullptr, window.left, std::min<int>(top, static_cast<int>(work.bottom) - height),
                   static_cast<int>(window.right - window.left), height, SWP_NOZORDER);
}

int ErrorReportDialog::ShowFitted(HWND control, std::string& text)
{
    RECT box{};
    ::GetClientRect(control, &box);
    const LONG width = box.right - box.left;
    const LONG style = ::GetWindowLongA(control, GWL_STYLE);
    fw::ClientDC dc(control);
    fw::SelectGuard font(dc.Get(), reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0)));

    // A static control breaks lines only between words: a word wider than the control
    // (a path) would be cut at its right edge, so it is broken where it reaches it.
    std::string shown = MbsBreakLongWords(text, [&](const char* begin, size_t length) {
        SIZE extent{};
        return ::GetTextExtentPoint32A(dc.Get(), begin, static_cast<int>(length), &extent) && extent.cx <= width;
    });
    // Measured the way the control draws it.
    RECT needed = box;
    const UINT format = DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
    ::DrawTextA(dc.Get(), shown.c_str(), -1, &needed, format);
    if (shown != text) {
        ::SetWindowTextA(control, shown.c_str());
        m_shownTexts.push_back(ShownText{&text, text, std::move(shown)});
    }
    // A sunken edge takes a little of the control's height, above and below.
    const int edge = (style & SS_SUNKEN) ? 2 * fw::SystemMetricForDpi(SM_CYEDGE, Dpi()) : 0;
    return static_cast<int>((needed.bottom - needed.top) - (box.bottom - box.top)) + edge;
}

void ErrorReportDialog::GrowControl(HWND control, int grow)
{
    RECT rc = fw::ChildRect(m_hWnd, control);
    const LONG bottom = rc.bottom;
    ::SetWindowPos(control, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top + grow, SWP_NOMOVE | SWP_NOZORDER);
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        rc = fw::ChildRect(m_hWnd, child);
        if (rc.top >= bottom)
            ::SetWindowPos(child, nullptr, rc.left, rc.top + grow, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
}

bool ErrorReportDialog::OnCommand(UINT id, UINT code, HWND control)
{
    if (id == kHelpButton && code == BN_CLICKED) {
        OnHelpButton();
        return true;
    }
    return fw::Dialog::OnCommand(id, code, control);
}

namespace {
HelpCommand g_helpCommand = nullptr;
}

void SetHelpCommand(HelpCommand command) { g_helpCommand = command; }

void ErrorReportDialog::OnHelpButton()
{
    // The page opens over this report, which stays open behind it.
    if (g_helpCommand)
        g_helpCommand();
}

void Win32ReportPresenter::Present(const ErrorReport& report)
{
    fw::App* app = fw::App::Current();
    HWND owner = app ? app->DefaultOwner() : nullptr;
    std::unique_ptr<ErrorReportDialog> dialog(new (std::nothrow) ErrorReportDialog(report.showHelp, m_nTemplate));
    if (dialog) {
        dialog->m_messageText = report.messageText;
        dialog->m_fileLineText = report.fileLineText;
        dialog->m_systemText = report.systemText;
        if (dialog->DoModal(owner) != -1)
            return;
    }
    // The window could not be made: the system's own box still tells the user.
    const std::string text = ReportPlainText(report);
    constexpr UINT kBoxStyle = MB_OK | MB_ICONERROR;
    if (!::MessageBoxA(owner, text.c_str(), kCaption, kBoxStyle) && owner)
        ::MessageBoxA(nullptr, text.c_str(), kCaption, kBoxStyle);
}
