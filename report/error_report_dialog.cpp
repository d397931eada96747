#include "report/error_report_dialog.h"

#include "res/resource.h"

#include <memory>
#include <new>

namespace {

// The Help button has the id the dialog manager gives Escape (IDCANCEL), which is why
// the report has no way to be cancelled.
constexpr int kHelpButton = 2;
constexpr size_t kMaxLineText = 255;

}  // namespace

ErrorReportDialog::ErrorReportDialog(int32_t showHelp) : fw::Dialog(IDD_ERROR_REPORT), m_showHelp(showHelp) {}

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
    return TRUE;
}

bool ErrorReportDialog::OnCommand(UINT id, UINT code, HWND control)
{
    if (id == kHelpButton && code == BN_CLICKED) {
        OnHelpButton();
        return true;
    }
    return fw::Dialog::OnCommand(id, code, control);
}

void ErrorReportDialog::OnHelpButton() {}

void Win32ReportPresenter::Present(const ErrorReport& report)
{
    std::unique_ptr<ErrorReportDialog> dialog(new (std::nothrow) ErrorReportDialog(report.showHelp));
    if (!dialog)
        return;
    dialog->m_messageText = report.messageText;
    dialog->m_fileLineText = report.fileLineText;
    dialog->m_systemText = report.systemText;
    dialog->DoModal();
}
