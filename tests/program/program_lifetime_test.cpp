// How the program's windows end and what opens over them, from outside: the About box,
// Enter and Escape, Quit and closing any window, windows closed under their own reports,
// and the info page F1 opens.
#include "support/program_fixture.h"
#include "support/test_profiles.h"
#include "support/win_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace {

using namespace programtest;
using program::Control;

// ---- Menu and keys -----------------------------------------------------------------

class ProgramMenu : public ProgramTest {};

TEST_F(ProgramMenu, AboutOpensOverTheWindowWhoseMenuWasUsedAndClosesWithOkOrEscape)
{
    ASSERT_NO_FATAL_FAILURE(Install({kMild}));
    ASSERT_NO_FATAL_FAILURE(Start());

    for (size_t i = 0; i < windows.size(); ++i) {
        SCOPED_TRACE("from window " + std::to_string(i));
        const HWND main = windows[i];
        ASSERT_TRUE(PostMessageW(windows[i], WM_COMMAND, program::kAboutCommand, 0));
        const HWND about = app->WaitForAboutBox();
        ASSERT_NE(about, nullptr) << "no About box";
        EXPECT_EQ(wintest::WindowText(about), "Kestrava");
        EXPECT_EQ(wintest::ControlText(about, IDOK), "OK");
        EXPECT_EQ(GetWindow(about, GW_OWNER), main);
        EXPECT_FALSE(IsWindowEnabled(main)) << "the modal About box leaves its owner enabled";

        if (i % 2 == 0)
            wintest::ClickButton(about, IDOK);
        else
            wintest::PressEscape(about);
        ASSERT_TRUE(wintest::WaitUntilGone(about)) << (i % 2 == 0 ? "OK" : "Escape") << " did not close it";
        EXPECT_TRUE(program::WaitFor([&] { return IsWindowEnabled(main) != FALSE; })) << "owner left disabled";
    }
    // Escape as well, from the first window, when the loop above did not try it.
    if (windows.size() == 1) {
        ASSERT_TRUE(PostMessageW(windows[0], WM_COMMAND, program::kAboutCommand, 0));
        const HWND about = app->WaitForAboutBox();
        ASSERT_NE(about, nullptr);
        wintest::PressEscape(about);
        EXPECT_TRUE(wintest::WaitUntilGone(about)) << "Escape did not close it";
    }
    EXPECT_TRUE(app->IsRunning());
    EXPECT_EQ(app->MonitorWindows().size(), windows.size());
}

TEST_F(ProgramMenu, EnterAndEscapeLeaveTheMonitorWindowOpen)
{
    ASSERT_NO_FATAL_FAILURE(Install({kMild, kValid}));
    ASSERT_NO_FATAL_FAILURE(Start());
    const HWND list = List(0);
    const std::string selected = program::SelectedText(list);

    ASSERT_TRUE(program::PressKey(list, VK_ESCAPE));
    ASSERT_TRUE(program::PressKey(list, VK_RETURN));
    ASSERT_TRUE(program::Flush(list));

    EXPECT_TRUE(IsWindowVisible(windows[0]));
    EXPECT_TRUE(app->IsRunning());
    EXPECT_EQ(app->MonitorWindows().size(), windows.size());
    EXPECT_EQ(program::SelectedText(list), selected);
    EXPECT_EQ(program::CurrentTable(), program::IdentityTable());
}

// ---- Ending ------------------------------------------------------------------------

class ProgramExit : public ProgramTest {};

TEST_F(ProgramExit, QuitInTheFirstWindowClosesTheMainWindowAndEndsWithZero)
{
    if (monitors.size() < 2)
        GTEST_SKIP() << "needs two monitors";
    ASSERT_NO_FATAL_FAILURE(Install({kMild}));
    ASSERT_NO_FATAL_FAILURE(Start());
    const HWND first = windows.front();
    const HWND main = windows.back();

    // No event tells of a destruction, but one of the focus does: the main window is
    // the active one, and when it goes while the first is still there, the first (or a
    // control of it) takes the focus. Closing the first, inactive, window moves nothing.
    ASSERT_EQ(app->ActiveWindow(), main) << "the window created last is not the active one";
    std::vector<HWND> firstAndItsControls{first};
    for (const Control& control : program::Controls(first))
        firstAndItsControls.push_back(control.window);
    app->ForgetFocusChanges();

    ASSERT_TRUE(PostMessageW(first, WM_COMMAND, program::kQuitCommand, 0));
    DWORD code = 1234;
    ASSERT_TRUE(app->WaitForExit(code)) << "still running after Quit";
    EXPECT_EQ(code, 0u);
    const std::vector<HWND>& focused = app->FocusChanges();
    EXPECT_TRUE(std::any_of(focused.begin(), focused.end(),
                            [&](HWND window) {
                                return std::find(firstAndItsControls.begin(), firstAndItsControls.end(), window) !=
                                       firstAndItsControls.end();
                            }))
        << "the first window never took the focus over: the main window did not close before it";
}

TEST_F(ProgramExit, ClosingAnyWindowEndsTheProgramWithZero)
{
    ASSERT_NO_FATAL_FAILURE(Install({kMild}));
    struct Way {
        const char* name;
        UINT message;
        WPARAM wParam;
    };
    const Way ways[] = {{"WM_CLOSE", WM_CLOSE, 0}, {"SC_CLOSE", WM_SYSCOMMAND, SC_CLOSE}};
    for (size_t target = 0; target < monitors.size(); ++target) {
        for (const Way& way : ways) {
            SCOPED_TRACE(std::string(way.name) + " to window " + std::to_string(target));
            ASSERT_NO_FATAL_FAILURE(Start());
            ASSERT_TRUE(PostMessageW(windows[target], way.message, way.wParam, 0));
            DWORD code = 1234;
            ASSERT_TRUE(app->WaitForExit(code)) << "still running";
            EXPECT_EQ(code, 0u);
        }
    }
}

// ---- Windows closed under their own reports --------------------------------------

// The centre of a window lies on the monitor.
bool CentredOn(HWND window, const RECT& monitor)
{
    const RECT rect = program::WindowRect(window);
    const POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    return PtInRect(&monitor, centre) != FALSE;
}

class ProgramClosedUnderReport : public ProgramTest {};

TEST_F(ProgramClosedUnderReport, ClosingAWindowWhileItIsBuiltAndReportingEndsWithZero)
{
    // With no profile at all each window reports while it is being built; the report
    // belongs to that window, which stays enabled enough to be closed from outside.
    for (size_t target = 0; target < monitors.size(); ++target) {
        SCOPED_TRACE("closing the window of " + monitors[target].adapter);
        ASSERT_TRUE(store.ParkEverything());
        ASSERT_NO_FATAL_FAILURE(Launch());
        HWND report = nullptr;
        for (size_t i = 0; i <= target; ++i) {
            report = app->WaitForReport();
            ASSERT_NE(report, nullptr) << "no report while building window " << i;
            const std::vector<HWND> built = app->MonitorWindows();
            ASSERT_EQ(built.size(), i + 1);
            EXPECT_EQ(GetWindow(report, GW_OWNER), built[i]) << "the report is not its window's";
            EXPECT_TRUE(CentredOn(report, monitors[i].rect)) << program::Describe(program::WindowRect(report));
            if (i < target) {
                wintest::ClickButton(report, IDOK);
                ASSERT_TRUE(wintest::WaitUntilGone(report));
            }
        }
        ASSERT_TRUE(PostMessageW(app->MonitorWindows()[target], WM_CLOSE, 0, 0));
        DWORD code = 1234;
        ASSERT_TRUE(app->WaitForExit(code)) << "still running: " << app->OpenReports();
        EXPECT_EQ(code, 0u) << "a crash, or a quit with another code";
        store.RestoreParked();
    }
}

TEST_F(ProgramClosedUnderReport, ClosingAWindowUnderTheReportOfAFailedSelectionEndsWithZero)
{
    ASSERT_NO_FATAL_FAILURE(Install({kMild, kNoCalibration}));
    for (size_t target = 0; target < monitors.size(); ++target) {
        SCOPED_TRACE("in the window of " + monitors[target].adapter);
        ASSERT_NO_FATAL_FAILURE(Start());
        const HWND list = List(target);
        ASSERT_TRUE(program::ClickRow(list, program::RowOf(list, "kv-novcgt")));
        const HWND report = app->WaitForReport();
        ASSERT_NE(report, nullptr) << "no report";
        // Opened over the window it speaks of, on that window's monitor.
        EXPECT_EQ(GetWindow(report, GW_OWNER), windows[target]);
        EXPECT_TRUE(CentredOn(report, monitors[target].rect)) << program::Describe(program::WindowRect(report));

        ASSERT_TRUE(PostMessageW(windows[target], WM_CLOSE, 0, 0));
        DWORD code = 1234;
        ASSERT_TRUE(app->WaitForExit(code)) << "still running: " << app->OpenReports();
        EXPECT_EQ(code, 0u) << "a crash, or a quit with another code";
    }
}

TEST_F(ProgramClosedUnderReport, QuitFromAnotherWindowWhileTheMainWindowHasItsAboutBoxOpen)
{
    if (monitors.size() < 2)
        GTEST_SKIP() << "needs two monitors";
    ASSERT_NO_FATAL_FAILURE(Install({kMild}));
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(PostMessageW(windows.back(), WM_COMMAND, program::kAboutCommand, 0));
    const HWND about = app->WaitForAboutBox();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(GetWindow(about, GW_OWNER), windows.back());
    // The first window is not the About box's owner: its menu still works.
    ASSERT_TRUE(PostMessageW(windows.front(), WM_COMMAND, program::kQuitCommand, 0));
    DWORD code = 1234;
    ASSERT_TRUE(app->WaitForExit(code)) << "still running";
    EXPECT_EQ(code, 0u);
}

// ---- Help ----------------------------------------------------------------------------

constexpr int kInfoPagePlace = 1377;

class ProgramHelp : public ProgramTest {
protected:
    // F1 as the keyboard gives it, to the window made the foreground one: only real
    // input makes the system turn the key into a help request.
    static bool PressF1(HWND window)
    {
        SetForegroundWindow(window);
        if (!program::WaitFor([&] { return GetForegroundWindow() == window; }, std::chrono::seconds(5)))
            return false;
        INPUT keys[2]{};
        keys[0].type = keys[1].type = INPUT_KEYBOARD;
        keys[0].ki.wVk = keys[1].ki.wVk = VK_F1;
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        return SendInput(2, keys, sizeof(INPUT)) == 2;
    }

    std::vector<HWND> InfoPages() const
    {
        std::vector<HWND> pages;
        for (HWND window : program::VisibleDialogsOf(app->Id()))
            if (GetDlgItem(window, kInfoPagePlace))
                pages.push_back(window);
        return pages;
    }
};

TEST_F(ProgramHelp, F1OpensOneInfoPageOverAMonitorWindowAndNeverNestsIt)
{
    ASSERT_NO_FATAL_FAILURE(Install({kMild}));
    ASSERT_NO_FATAL_FAILURE(Start());

    // F1 in a modal window of the program opens nothing.
    ASSERT_TRUE(PostMessageW(windows[0], WM_COMMAND, program::kAboutCommand, 0));
    const HWND about = app->WaitForAboutBox();
    ASSERT_NE(about, nullptr);
    // Messages of one thread are handled in the order posted: the list's marker comes
    // after the key.
    ASSERT_TRUE(PressF1(about));
    ASSERT_TRUE(program::Flush(List(0)));
    EXPECT_TRUE(InfoPages().empty()) << "F1 in the About box opened the info page";
    wintest::ClickButton(about, IDOK);
    ASSERT_TRUE(wintest::WaitUntilGone(about));

    // From a monitor window: one page, over that window.
    ASSERT_TRUE(PressF1(windows[0]));
    ASSERT_TRUE(program::WaitFor([&] { return !InfoPages().empty(); })) << "F1 opened no info page";
    const HWND page = InfoPages().front();
    EXPECT_EQ(GetWindow(page, GW_OWNER), windows[0]);

    // Asked again, from the page itself or from another window: still that one page.
    ASSERT_TRUE(PressF1(page));
    ASSERT_TRUE(program::Flush(List(0)));
    ASSERT_TRUE(PressF1(windows.back()));
    ASSERT_TRUE(program::Flush(List(0)));
    EXPECT_EQ(InfoPages().size(), 1u);

    wintest::ClickButton(page, IDOK);
    ASSERT_TRUE(wintest::WaitUntilGone(page));
    EXPECT_TRUE(app->IsRunning());
}

TEST_F(ProgramHelp, OpensThePageAtTheRootOfTheDriveAndWhereThereIsNoneThePageBesideTheProgram)
{
    const std::string program = wintest::ProgramExe();
    const std::string beside = program.substr(0, program.find_last_of('\\') + 1) + "Docs\\infoID.htm";
    if (GetFileAttributesA(beside.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no " << beside << " (the release carries it)";
    const std::string rootFolder = "C:\\Docs", root = rootFolder + "\\infoID.htm";
    ASSERT_EQ(GetFileAttributesA(rootFolder.c_str()), INVALID_FILE_ATTRIBUTES) << rootFolder << " is in the way";
    ASSERT_NO_FATAL_FAILURE(Install({kMild}));
    // Without a browser here, the page's place names the address it would open.
    for (const bool atRoot : {false, true}) {
        SCOPED_TRACE(atRoot ? "a page at the root" : "no page at the root");
        if (atRoot) {
            ASSERT_TRUE(CreateDirectoryA(rootFolder.c_str(), nullptr));
            ASSERT_TRUE(CopyFileA(beside.c_str(), root.c_str(), TRUE));
        }
        ASSERT_NO_FATAL_FAILURE(Start());
        ASSERT_TRUE(PressF1(windows[0]));
        ASSERT_TRUE(program::WaitFor([&] { return !InfoPages().empty(); })) << "F1 opened no info page";
        const std::string text = wintest::ControlText(InfoPages().front(), kInfoPagePlace);
        EXPECT_NE(text.find(atRoot ? "file:///\\Docs\\infoID.htm" : "file:///" + beside), std::string::npos) << text;
        wintest::ClickButton(InfoPages().front(), IDOK);
    }
    DeleteFileA(root.c_str());
    RemoveDirectoryA(rootFolder.c_str());
}

}  // namespace
