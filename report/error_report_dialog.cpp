#include "report/error_report_dialog.h"

#include "fw/app.h"
#include "fw/gdi.h"

#include <algorithm>
#include <memory>
#include <new>

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
}

BOOL ErrorReportDialog::OnInitDialog()
{
    fw::Dialog::OnInitDialog();
    if (m_showHelp != 0)
        m_helpButton.ShowWindow(SW_SHOW);
    FitMessage();
    return TRUE;
}

void ErrorReportDialog::FitMessage()
{
    HWND message = ::GetDlgItem(m_hWnd, IDC_ERROR_MESSAGE);
    if (!message)
        return;
    RECT box{};
    ::GetClientRect(message, &box);
    RECT needed = box;
    {
        fw::ClientDC dc(message);
        fw::SelectGuard font(dc.Get(), reinterpret_cast<HGDIOBJ>(::SendMessageA(message, WM_GETFONT, 0, 0)));
        ::DrawTextA(dc.Get(), m_messageText.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL);
    }
    // The sunken edge takes a little of the control's height.
    int grow = (needed.bottom - needed.top) - (box.bottom - box.top) + 4;
    if (grow <= 0)
        return;

    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoA(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    grow = std::min<int>(grow, static_cast<int>((work.bottom - work.top) - (window.bottom - window.top)));
    if (grow <= 0)
        return;

    // Everything below the message moves down by what the message grows.
    RECT rc = fw::ChildRect(m_hWnd, message);
    const LONG messageBottom = rc.bottom;
    ::SetWindowPos(message, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top + grow, SWP_NOMOVE | SWP_NOZORDER);
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        rc = fw::ChildRect(m_hWnd, child);
        if (rc.top >= messageBottom)
            ::SetWindowPos(child, nullptr, rc.left, rc.top + grow, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    const int height = static_cast<int>(window.bottom - window.top) + grow;
    const int top = std::max<int>(static_cast<int>(work.top), static_cast<int>(window.top) - grow / 2);
    ::SetWindowPos(m_hWnd, nullptr, window.left, std::min<int>(top, static_cast<int>(work.bottom) - height),
                   static_cast<int>(window.right - window.left), height, SWP_NOZORDER);
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
