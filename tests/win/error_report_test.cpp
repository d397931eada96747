// The error-report window as the user meets it: a worker thread finds the report,
// reads it and presses its keys and buttons while the test waits inside the call.
#include "fw/dialog.h"
#include "fw/gdi.h"
#include "fw/window.h"
#include "report/error_report_dialog.h"
#include "report/report.h"
#include "support/win_test_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

namespace {

constexpr const char* kCaption = "Kestrava";
constexpr int kHelpButton = 2;
constexpr const char* kReturnedMarker = "report returned";

using namespace std::chrono_literals;

// Runs watch on a worker thread with the report once it is on screen, then makes sure
// the report is closed, so a failed check never leaves the test hanging in the call.
class ReportWatcher {
public:
    explicit ReportWatcher(std::function<void(HWND)> watch, DWORD processId = GetCurrentProcessId())
        : m_thread([this, watch = std::move(watch), processId] {
              HWND dialog = wintest::WaitForDialog(kCaption, processId);
              m_found = dialog != nullptr;
              if (!dialog)
                  return;
              watch(dialog);
              if (IsWindow(dialog)) {
                  wintest::ClickButton(dialog, IDOK);
                  if (!wintest::WaitUntilGone(dialog, 5s))
                      PostMessageA(dialog, WM_COMMAND, IDOK, 0);
              }
          })
    {
    }
    ~ReportWatcher() { Join(); }
    ReportWatcher(const ReportWatcher&) = delete;
    ReportWatcher& operator=(const ReportWatcher&) = delete;

    // Waits for the worker; true when it found the report.
    bool Join()
    {
        if (m_thread.joinable())
            m_thread.join();
        return m_found;
    }

private:
    std::atomic<bool> m_found{false};
    std::thread m_thread;
};

// Whether the window stays open and the call stays blocked for a while after a key.
bool StaysOpen(HWND dialog, const std::atomic<bool>& returned)
{
    auto deadline = std::chrono::steady_clock::now() + 800ms;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!IsWindow(dialog) || !IsWindowVisible(dialog) || returned)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// Waits until counter reaches at least value.
bool WaitForCount(const std::atomic<int>& counter, int value)
{
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (counter < value) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

std::string SystemTextFor(DWORD code)
{
    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                      FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                  nullptr, code, LANG_USER_DEFAULT, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string result = length && text ? std::string(text, length) : std::string();
    if (text)
        LocalFree(text);
    return result;
}

// Escape opens the info page over the report: closes it, so that OK can close the
// report. False when no page came.
bool CloseInfoPage(HWND report)
{
    // The page is the dialog with the page's place, control 1377.
    HWND page = wintest::WaitForWindowWithControl(1377, report, 10s);
    if (!page)
        return false;
    wintest::ClickButton(page, IDOK);
    return wintest::WaitUntilGone(page);
}

struct SeenReport {
    std::string message;
    std::string fileLine;
    std::string system;
    bool helpVisible = false;
    bool openAfterEscape = false;
    bool pageOpenedAndClosed = false;
    bool returnedBeforeOk = false;
    bool closedByOk = false;
};

// Shows a report through ReportError, reads it, presses Escape and then OK.
SeenReport ShowAndReadReport(const char* message, int32_t code, const char* module, int32_t line,
                             int32_t helpFlag)
{
    SeenReport seen;
    std::atomic<bool> returned{false};
    ReportWatcher watcher([&](HWND dialog) {
        seen.message = wintest::ControlText(dialog, 1157);
        seen.fileLine = wintest::ControlText(dialog, 1158);
        seen.system = wintest::ControlText(dialog, 1159);
        seen.helpVisible = IsWindowVisible(GetDlgItem(dialog, kHelpButton)) != FALSE;
        wintest::PressEscape(dialog);
        seen.openAfterEscape = StaysOpen(dialog, returned);
        seen.pageOpenedAndClosed = CloseInfoPage(dialog);
        seen.returnedBeforeOk = returned;
        wintest::ClickButton(dialog, IDOK);
        seen.closedByOk = wintest::WaitUntilGone(dialog);
    });
    ReportError(message, code, module, line, 0, helpFlag);
    returned = true;
    EXPECT_TRUE(watcher.Join()) << "no report appeared";
    return seen;
}

TEST(ErrorReport, ShowsTheCodeItsModuleAndTheSystemText)
{
    SeenReport seen = ShowAndReadReport("msg", 2015, "C:\\src\\cms\\CMSSupport", 393, 0);
    EXPECT_EQ(seen.message, "msg");
    EXPECT_EQ(seen.fileLine, "Error 2015 (CMSSupport 393)");
    EXPECT_EQ(seen.system, SystemTextFor(2015));
    EXPECT_FALSE(seen.helpVisible);
    EXPECT_TRUE(seen.openAfterEscape) << "Escape must not close the report";
    EXPECT_TRUE(seen.pageOpenedAndClosed) << "Escape opened no info page";
    EXPECT_FALSE(seen.returnedBeforeOk);
    EXPECT_TRUE(seen.closedByOk);
}

TEST(ErrorReport, ShowsTheSystemTextWithItsLineBreak)
{
    // A code every system has a text for, so the comparison is not between two empty texts.
    std::string expected = SystemTextFor(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(expected.empty());
    SeenReport seen = ShowAndReadReport("not found", ERROR_FILE_NOT_FOUND, "VideoCardUtils", 46, 0);
    EXPECT_EQ(seen.fileLine, "Error 2 (VideoCardUtils 46)");
    EXPECT_EQ(seen.system, expected);
}

TEST(ErrorReport, HelpFlagShowsTheHelpButton)
{
    SeenReport seen = ShowAndReadReport("with help", 2015, "CMSSupport", 393, 1);
    EXPECT_TRUE(seen.helpVisible);
    EXPECT_TRUE(seen.openAfterEscape);
    EXPECT_TRUE(seen.closedByOk);
}

TEST(ErrorReport, CodeZeroShowsOnlyTheMessage)
{
    SeenReport seen = ShowAndReadReport("only the message", 0, nullptr, 0, 0);
    EXPECT_EQ(seen.message, "only the message");
    EXPECT_EQ(seen.fileLine, "");
    EXPECT_EQ(seen.system, "");
    EXPECT_TRUE(seen.closedByOk);
}

TEST(ErrorReport, IsOwnedByTheMainWindowAndDisablesIt)
{
    wintest::WindowOwner main(CreateWindowExA(0, "STATIC", "main", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100,
                                              nullptr, nullptr, nullptr, nullptr));
    ASSERT_NE(main.Get(), nullptr);
    wintest::MainWindowScope scope(main.Get());

    HWND owner = nullptr;
    bool ownerEnabled = true;
    ReportWatcher watcher([&](HWND dialog) {
        owner = GetWindow(dialog, GW_OWNER);
        ownerEnabled = IsWindowEnabled(main.Get()) != FALSE;
    });
    ReportError("owned", 0, nullptr, 0, 0, 0);
    ASSERT_TRUE(watcher.Join());
    EXPECT_EQ(owner, main.Get());
    EXPECT_FALSE(ownerEnabled) << "a modal report disables its owner";
    EXPECT_TRUE(IsWindowEnabled(main.Get())) << "the owner is enabled again after the report";
}

// The report class itself, with the Help command counted.
class CountingReportDialog : public ErrorReportDialog {
public:
    using ErrorReportDialog::ErrorReportDialog;
    std::atomic<int> m_nHelpCommands{0};

protected:
    void OnHelpButton() override { ++m_nHelpCommands; }
};

TEST(ErrorReportDialog, EscapeRunsTheHelpCommandWithTheButtonHiddenOrShown)
{
    for (int32_t showHelp : {0, 1}) {
        SCOPED_TRACE(showHelp);
        CountingReportDialog report(showHelp);
        report.m_messageText = "escape";
        int afterEscape = -1;
        int afterClick = -1;
        bool openAfterEscape = false;
        bool openAfterClick = false;
        ReportWatcher watcher([&](HWND dialog) {
            wintest::PressEscape(dialog);
            WaitForCount(report.m_nHelpCommands, 1);
            afterEscape = report.m_nHelpCommands;
            openAfterEscape = IsWindowVisible(dialog) != FALSE;
            if (showHelp) {
                wintest::ClickButton(dialog, kHelpButton);
                afterClick = report.m_nHelpCommands;
                openAfterClick = IsWindowVisible(dialog) != FALSE;
            }
        });
        EXPECT_EQ(report.DoModal(), IDOK);
        ASSERT_TRUE(watcher.Join());
        EXPECT_EQ(afterEscape, 1);
        EXPECT_TRUE(openAfterEscape);
        if (showHelp) {
            EXPECT_EQ(afterClick, 2);
            EXPECT_TRUE(openAfterClick);
        }
    }
}

// A text as shown, without the line breaks the report put into words too wide for it.
std::string WithoutBreaks(std::string text)
{
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
        text.erase(at, 2);
    return text;
}

TEST(ErrorReportDialog, TextsOverTheLimitAreShownWholeAndDoNotBlockOk)
{
    const std::string longMessage(600, 'm');
    const std::string longLine = "Error 1 (" + std::string(300, 'x') + " 1)";
    ErrorReportDialog report(0);
    report.m_messageText = longMessage;
    report.m_fileLineText = longLine;
    std::string shownMessage;
    std::string shownLine;
    ReportWatcher watcher([&](HWND dialog) {
        shownMessage = wintest::ControlText(dialog, 1157);
        shownLine = wintest::ControlText(dialog, 1158);
        // What OK reads back is what the controls hold then.
        SetDlgItemTextA(dialog, 1159, "changed");
    });
    EXPECT_EQ(report.DoModal(), IDOK);
    ASSERT_TRUE(watcher.Join());
    EXPECT_EQ(WithoutBreaks(shownMessage), longMessage);
    EXPECT_EQ(WithoutBreaks(shownLine), longLine);
    EXPECT_EQ(report.m_messageText, longMessage);
    EXPECT_EQ(report.m_fileLineText, longLine);
    EXPECT_EQ(report.m_systemText, "changed");
}

TEST(ErrorReportDialog, LongMessageGrowsTheReportToShowItWhole)
{
    std::string message;
    for (int i = 0; message.size() < 900; ++i)
        message += "word" + std::to_string(i) + " ";
    ErrorReportDialog report(1);
    report.m_messageText = message;
    int needed = 0;
    int shown = 0;
    bool okBelowMessage = false;
    bool okInside = false;
    ReportWatcher watcher([&](HWND dialog) {
        HWND text = GetDlgItem(dialog, 1157);
        RECT box{};
        GetClientRect(text, &box);
        shown = box.bottom - box.top;
        HDC dc = GetDC(text);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(text, WM_GETFONT, 0, 0)));
        RECT calc = box;
        DrawTextA(dc, message.c_str(), -1, &calc, DT_CALCRECT | DT_WORDBREAK);
        SelectObject(dc, old);
        ReleaseDC(text, dc);
        needed = calc.bottom - calc.top;

        RECT textRect{};
        RECT okRect{};
        RECT client{};
        GetWindowRect(text, &textRect);
        GetWindowRect(GetDlgItem(dialog, IDOK), &okRect);
        GetClientRect(dialog, &client);
        MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
        okBelowMessage = okRect.top >= textRect.bottom;
        okInside = okRect.bottom <= client.bottom && okRect.right <= client.right;
    });
    EXPECT_EQ(report.DoModal(), IDOK);
    ASSERT_TRUE(watcher.Join());
    EXPECT_GE(shown, needed);
    EXPECT_TRUE(okBelowMessage);
    EXPECT_TRUE(okInside);
}

// What a text control shows, how wide its widest line is and how tall its lines are
// as the control breaks them, and where it is in the report.
struct ShownLines {
    std::string text;
    RECT needed{};
    RECT box{};
    RECT rect{};
};

ShownLines ReadLines(HWND dialog, int id)
{
    ShownLines shown;
    HWND control = GetDlgItem(dialog, id);
    shown.text = wintest::WindowText(control);
    GetClientRect(control, &shown.box);
    shown.rect = fw::ChildRect(dialog, control);
    shown.needed = shown.box;
    fw::ClientDC dc(control);
    fw::SelectGuard font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
    DrawTextA(dc.Get(), shown.text.c_str(), -1, &shown.needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    return shown;
}

TEST(ErrorReportDialog, LongPathsAreBrokenToFitAndReadBackAsGiven)
{
    std::string path = "C:\\Windows\\System32\\spool\\drivers\\color";
    while (path.size() < 300)
        path += "\\calibrated-" + std::to_string(path.size());
    const std::string message = "Sorry, there was a problem opening the profile \"" + path + "\".";
    const std::string fileLine = "Error 2 (" + path + " 57)";
    ErrorReportDialog report(0);
    report.m_messageText = message;
    report.m_fileLineText = fileLine;
    report.m_systemText = "The system cannot find the file specified.\r\n";
    ShownLines shown[3];
    RECT ok{};
    ReportWatcher watcher([&](HWND dialog) {
        for (int i = 0; i < 3; ++i)
            shown[i] = ReadLines(dialog, 1157 + i);
        ok = fw::ChildRect(dialog, GetDlgItem(dialog, IDOK));
    });
    EXPECT_EQ(report.DoModal(), IDOK);
    ASSERT_TRUE(watcher.Join());

    for (const ShownLines& text : shown) {
        SCOPED_TRACE(text.text);
        EXPECT_LE(text.needed.right, text.box.right) << "a line runs past the right edge";
        EXPECT_LE(text.needed.bottom, text.box.bottom) << "lines are cut off at the bottom";
    }
    EXPECT_EQ(WithoutBreaks(shown[0].text), message);
    EXPECT_EQ(WithoutBreaks(shown[1].text), fileLine);
    EXPECT_NE(shown[1].text.find("\\\r\n"), std::string::npos) << "not broken after a folder";
    // File and line, system text and OK each stay below the text above them.
    EXPECT_GE(shown[1].rect.top, shown[0].rect.bottom);
    EXPECT_GE(shown[2].rect.top, shown[1].rect.bottom);
    EXPECT_GE(ok.top, shown[2].rect.bottom);
    // OK reads back the texts as they were given, not as they were shown.
    EXPECT_EQ(report.m_messageText, message);
    EXPECT_EQ(report.m_fileLineText, fileLine);
}

TEST(Dialog, MissingTemplateFailsWithoutAWindow)
{
    fw::Dialog dialog(9999);
    EXPECT_EQ(dialog.DoModal(nullptr), -1);
    EXPECT_EQ(dialog.Handle(), nullptr);

    // DialogBoxParam answers an owner that is gone with 0 and no window.
    HWND gone = CreateWindowExA(0, "STATIC", "gone", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(gone, nullptr);
    DestroyWindow(gone);
    fw::Dialog report(161);
    EXPECT_EQ(report.DoModal(gone), -1);
}

TEST(ErrorReport, ReportWhoseWindowCannotBeMadeIsShownInAMessageBox)
{
    wintest::WindowOwner main(CreateWindowExA(0, "STATIC", "main", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100,
                                              nullptr, nullptr, nullptr, nullptr));
    ASSERT_NE(main.Get(), nullptr);
    wintest::MainWindowScope scope(main.Get());
    Win32ReportPresenter broken(9999);   // a template no module has
    ReportPresenter* previous = SetReportPresenter(&broken);

    HWND owner = nullptr;
    bool icon = false;
    std::string text;
    ReportWatcher watcher([&](HWND box) {
        owner = GetWindow(box, GW_OWNER);
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (wintest::ClassName(child) != "Static")
                continue;
            if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                icon = true;
            else
                text += wintest::WindowText(child);
        }
    });
    ReportError("The profile is gone.", ERROR_FILE_NOT_FOUND, "C:\\src\\VideoCardUtils", 46, 0, 0);
    SetReportPresenter(previous);
    ASSERT_TRUE(watcher.Join()) << "no message box";

    EXPECT_EQ(owner, main.Get());
    EXPECT_TRUE(icon) << "no error icon";
    const std::string system = SystemTextFor(ERROR_FILE_NOT_FOUND);
    ASSERT_GT(system.size(), 2u);
    EXPECT_EQ(text, "The profile is gone.\r\n\r\nError 2 (VideoCardUtils 46)\r\n" + system.substr(0, system.size() - 2));
}

TEST(ErrorReport, ExitFlagEndsTheProcessWithStatusZeroAfterOk)
{
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    wintest::HandleOwner readEnd;
    wintest::HandleOwner writeEnd;
    ASSERT_TRUE(CreatePipe(readEnd.Out(), writeEnd.Out(), &inherit, 0));
    ASSERT_TRUE(SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0));

    std::string exe = wintest::OwnExe();
    ASSERT_FALSE(exe.empty());
    std::string commandLine = "\"" + exe + "\" --report-exit-child";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd.Get();
    startup.hStdError = writeEnd.Get();
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                               &startup, &info));
    wintest::HandleOwner process(info.hProcess);
    wintest::HandleOwner thread(info.hThread);
    writeEnd.Reset();

    std::string message;
    ReportWatcher watcher(
        [&](HWND dialog) {
            message = wintest::ControlText(dialog, 1157);
            wintest::ClickButton(dialog, IDOK);
        },
        info.dwProcessId);
    bool found = watcher.Join();
    DWORD waited = WaitForSingleObject(process.Get(), 30000);
    if (waited != WAIT_OBJECT_0)
        TerminateProcess(process.Get(), 99);
    ASSERT_TRUE(found) << "the child showed no report";
    ASSERT_EQ(waited, WAIT_OBJECT_0) << "the child did not end after OK";

    DWORD status = 1234;
    ASSERT_TRUE(GetExitCodeProcess(process.Get(), &status));
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(message, "The report ends this process.");

    std::string output;
    char chunk[512];
    DWORD got = 0;
    while (ReadFile(readEnd.Get(), chunk, static_cast<DWORD>(std::size(chunk)), &got, nullptr) && got > 0)
        output.append(chunk, got);
    EXPECT_NE(output.find("child: reporting"), std::string::npos) << output;
    EXPECT_EQ(output.find(kReturnedMarker), std::string::npos) << "ReportError returned: " << output;
}

}  // namespace

// The child side of ExitFlagEndsTheProcessWithStatusZeroAfterOk; main() runs it.
int RunReportExitChild()
{
    std::printf("child: reporting\n");
    std::fflush(stdout);
    ReportError("The report ends this process.", 0, nullptr, 0, 1, 0);
    std::printf("%s\n", kReturnedMarker);
    std::fflush(stdout);
    return 3;
}
