// The one way failures are shown to the user.
#pragma once

#include <cstdint>
#include <string>

// The three texts of one error report and whether its Help button shows.
struct ErrorReport {
    std::string messageText;   // the message
    std::string fileLineText;  // "Error <code> (<module> <line>)", empty for code 0
    std::string systemText;    // the system's description of the code, empty for code 0
    int32_t showHelp = 0;
};

// Shows a report and returns when the user has closed it. The program installs the
// error-report window; the host tests install a recorder.
class ReportPresenter {
public:
    virtual ~ReportPresenter() = default;
    virtual void Present(const ErrorReport& report) = 0;
};

// Installs a presenter and returns the one it replaces. With none installed, reports
// are composed and dropped.
ReportPresenter* SetReportPresenter(ReportPresenter* presenter);

// Builds the texts of a report. module is read only for a non-zero code (it may be null
// otherwise); only the part after its last backslash is shown.
ErrorReport ComposeErrorReport(const char* message, int32_t code, const char* module,
                               int32_t line, int32_t helpFlag);

// The texts of a report as one text, for a window that shows a single text: the
// message, then after an empty line the file-and-line text and the system text, each
// on its own line where there is one. Line breaks at the end are left off.
std::string ReportPlainText(const ErrorReport& report);

// Shows a modal error report. When exitFlag is non-zero the process then ends with
// status 0 through exit(), and the call does not return.
void ReportError(const char* message, int32_t code, const char* module, int32_t line,
                 int32_t exitFlag, int32_t helpFlag);
// The same with the message taken from string-table entry id; an entry that is
// missing or empty reads "String Resource <id>".
void ReportErrorById(uint16_t id, int32_t code, const char* module, int32_t line,
                     int32_t exitFlag, int32_t helpFlag);
