#include "report/report.h"

#include "platform/guards.h"
#include "platform/platform.h"
#include "report/mbstring.h"
#include "report/resource_strings.h"
#include "report/text_format.h"
#include "res/resource.h"

#include <cstdlib>

namespace {

ReportPresenter* g_presenter = nullptr;

// The module text and the file-and-line text each live in 256 bytes.
constexpr size_t kReportTextSize = 256;
constexpr const char* kFileLineFormat = "Error %hd (%s %ld)";
constexpr const char* kFileLineConversions = "hd s ld";
constexpr uint32_t kSystemTextFlags =
    kFormatMessageFromSystem | kFormatMessageIgnoreInserts | kFormatMessageAllocateBuffer;

// The code as the report shows it: its low 16 bits, read as a signed number.
int LowWordSigned(int32_t code)
{
    int low = static_cast<int>(static_cast<uint32_t>(code) & 0xFFFFu);
    return low >= 0x8000 ? low - 0x10000 : low;
}

std::string FileLineText(int32_t code, const char* module, int32_t line)
{
    std::string moduleText = MbsTruncate(module ? module : "", kReportTextSize - 1);
    const char* slash = MbsRChr(moduleText.c_str(), '\\');
    const char* moduleName = slash ? slash + 1 : moduleText.c_str();

    // The table's format is used only if it takes exactly these arguments: a resource
    // library with a stray conversion must not make us read arguments we never passed.
    const char* format = GetResourceString(IDS_ERROR_FILE_LINE);
    if (!FormatMatches(format, kFileLineConversions))
        format = kFileLineFormat;
    return FormatBounded(kReportTextSize, format, LowWordSigned(code), moduleName, static_cast<long>(line));
}

std::string SystemText(int32_t code)
{
    char* text = nullptr;
    Sys().FormatMessageA(kSystemTextFlags, nullptr, static_cast<uint32_t>(code), kLangUserDefault, &text,
                         0, nullptr);
    LocalText owner(text);
    return text ? std::string(text) : std::string();
}

}  // namespace

ReportPresenter* SetReportPresenter(ReportPresenter* presenter)
{
    ReportPresenter* previous = g_presenter;
    g_presenter = presenter;
    return previous;
}

ErrorReport ComposeErrorReport(const char* message, int32_t code, const char* module, int32_t line,
                               int32_t helpFlag)
{
    ErrorReport report;
    report.messageText = message ? message : "";
    report.showHelp = helpFlag;
    if (code != 0) {
        report.fileLineText = FileLineText(code, module, line);
        report.systemText = SystemText(code);
    }
    return report;
}

std::string ReportPlainText(const ErrorReport& report)
{
    std::string text = report.messageText;
    const char* separator = "\r\n\r\n";
    for (const std::string* part : {&report.fileLineText, &report.systemText}) {
        if (part->empty())
            continue;
        text += separator;
        text += *part;
        separator = "\r\n";
    }
    // The system's texts end with a line break.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

void ReportError(const char* message, int32_t code, const char* module, int32_t line, int32_t exitFlag,
                 int32_t helpFlag)
{
    ErrorReport report = ComposeErrorReport(message, code, module, line, helpFlag);
    if (g_presenter)
        g_presenter->Present(report);
    if (exitFlag != 0)
        std::exit(0);
}

void ReportErrorById(uint16_t id, int32_t code, const char* module, int32_t line, int32_t exitFlag,
                     int32_t helpFlag)
{
    std::string text;
    if (!Sys().LoadResourceString(id, text) || text.empty())
        text = FormatBounded(kReportTextSize, "String Resource %d", static_cast<int>(id));
    ReportError(text.c_str(), code, module, line, exitFlag, helpFlag);
}
