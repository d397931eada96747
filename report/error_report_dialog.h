// Win32 only. The error-report window and the presenter that shows every report in it.
#pragma once

#include "fw/dialog.h"
#include "report/report.h"
#include "res/resource.h"

#include <cstdint>
#include <string>
#include <vector>

// One report: the message, the file-and-line text and the system's text for the code,
// closed only by OK. The texts are set before DoModal and read back by OK: a text the
// window showed with line breaks of its own (a long path broken to fit) reads back as
// it was given.
class ErrorReportDialog : public fw::Dialog {
public:
    // templateId: the report's window; another only for tests of a report that
    // cannot open.
    explicit ErrorReportDialog(int32_t showHelp, UINT templateId = IDD_ERROR_REPORT);
    ~ErrorReportDialog() override;

    std::string m_fileLineText;
    std::string m_messageText;
    std::string m_systemText;

protected:
    void DoDataExchange(bool save) override;
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;

    // The Help command. Escape reaches it too, since the Help button carries the
    // cancel id; the report stays open either way.
    virtual void OnHelpButton();

private:
    // A text control's text as given and as shown, when they differ.
    struct ShownText {
        std::string* member;
        std::string given;
        std::string shown;
    };

    // Breaks each text's words that are too wide for its control, and makes each
    // control, and the window with them, tall enough for its whole text, as far as the
    // monitor's work area allows.
    void FitTexts();
    // Shows the text in the control, its long words broken, and returns how much
    // taller the control must be for all of it.
    int ShowFitted(HWND control, std::string& text);
    // Makes the control taller by grow and moves everything below it down as far.
    void GrowControl(HWND control, int grow);

    fw::Window m_helpButton;
    int32_t m_showHelp;
    std::vector<ShownText> m_shownTexts;
};

// What the reports' Help command shows: the program installs its info page here, so
// that the report knows nothing of the windows above it. Nothing is shown until then.
using HelpCommand = void (*)();
void SetHelpCommand(HelpCommand command);

// Shows each report as a modal ErrorReportDialog over the window asking. When that
// window cannot be made (its template missing, no memory for it, an owner gone), the
// report's texts are shown in a message box with the same owner instead: a failure
// is never dropped.
class Win32ReportPresenter : public ReportPresenter {
public:
    // templateId: as for ErrorReportDialog.
    explicit Win32ReportPresenter(UINT templateId = IDD_ERROR_REPORT) : m_nTemplate(templateId) {}
    void Present(const ErrorReport& report) override;

private:
    UINT m_nTemplate;
};
