// Monitors that go and come back, from outside: the test bed's second output is turned
// off and on through the X server while the built kestrava.exe runs, and its windows and
// the ramp are read back.
#include "support/program_fixture.h"
#include "support/win_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace {

using namespace programtest;
using program::Monitor;

constexpr UINT kStateLoadedId = 1027;

using program::BroadcastDisplayChange;
using program::SetSecondOutput;
using program::WaitForMonitorCount;

class ProgramMonitors : public ProgramKeeping {
protected:
    void TearDown() override
    {
        // The other tests need both monitors, whatever this one left.
        if (program::Monitors().size() < 2) {
            SetSecondOutput(true);
            WaitForMonitorCount(2);
        }
        ProgramKeeping::TearDown();
    }
};

TEST_F(ProgramMonitors, SecondMonitorOffAndOnClosesItsWindowAloneThenOpensANewOne)
{
    if (monitors.size() != 2)
        GTEST_SKIP() << "needs the test bed's two monitors";
    ASSERT_NO_FATAL_FAILURE(Install({kFirst, kMild, kGreen}));
    ASSERT_NO_FATAL_FAILURE(Start());
    // The second window keeps a ramp while its monitor goes: no report may come of it.
    ASSERT_NO_FATAL_FAILURE(Select(1, kGreen, Table(kGreen)));
    const HWND first = windows[0];
    const HWND second = windows[1];

    // Wine tells no window when an X output goes or comes: the program looks by itself
    // every few seconds; told with WM_DISPLAYCHANGE (as Windows tells it) it looks at once.
    const auto turnSecondOff = [&](HWND window, bool tell) {
        ASSERT_TRUE(SetSecondOutput(false)) << "xrandr could not be run";
        ASSERT_TRUE(WaitForMonitorCount(1)) << "Wine still shows two monitors";
        if (tell)
            BroadcastDisplayChange();
        EXPECT_TRUE(wintest::WaitUntilGone(window)) << "the gone monitor's window is still open";
        EXPECT_TRUE(app->IsRunning()) << "the program ended with its second window";
        EXPECT_TRUE(IsWindowVisible(first));
    };
    ASSERT_NO_FATAL_FAILURE(turnSecondOff(second, false));

    ASSERT_TRUE(SetSecondOutput(true)) << "xrandr could not be run";
    ASSERT_TRUE(WaitForMonitorCount(2)) << "Wine still shows one monitor";
    std::vector<HWND> now;
    EXPECT_TRUE(program::WaitFor([&] {
        now = app->MonitorWindows();
        return now.size() == 2;
    })) << app->OpenReports();
    ASSERT_EQ(now.size(), 2u);
    EXPECT_EQ(now[0], first);
    const HWND reopened = now[1];
    EXPECT_NE(reopened, second);
    // Visible comes before captioned and placed: the window answers once it is built.
    ASSERT_TRUE(program::Send(reopened, WM_NULL, 0, 0));
    const Monitor back = program::Monitors()[1];
    EXPECT_EQ(wintest::WindowText(reopened), back.deviceString);
    const RECT rect = program::WindowRect(reopened);
    const POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    EXPECT_TRUE(PtInRect(&back.rect, centre)) << program::Describe(rect) << " on " << program::Describe(back.rect);
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();

    // The main window gone with its monitor, Quit in the remaining one still ends it all.
    ASSERT_NO_FATAL_FAILURE(turnSecondOff(reopened, true));
    ASSERT_TRUE(PostMessageW(first, WM_COMMAND, program::kQuitCommand, 0));
    DWORD code = 1234;
    EXPECT_TRUE(app->WaitForExit(code, 5s)) << "Quit closed nothing once the main window had gone";
    EXPECT_EQ(code, 0u);
}

TEST_F(ProgramMonitors, ReturningMonitorIsCalibratedAgainAndKeepsOneWindowThroughTenReturns)
{
    if (monitors.size() != 2)
        GTEST_SKIP() << "needs the test bed's two monitors";
    ASSERT_NO_FATAL_FAILURE(Install({kMild, kValid}));
    ASSERT_NO_FATAL_FAILURE(MakeCurrent(kMild));
    ASSERT_EQ(program::FirstProfileOf(monitors[1].deviceId), kMild);
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::vector<BYTE> mild = Table(kMild);

    for (int round = 1; round <= 10; ++round) {
        SCOPED_TRACE("return " + std::to_string(round));
        ASSERT_TRUE(SetSecondOutput(false)) << "xrandr could not be run";
        ASSERT_TRUE(WaitForMonitorCount(1)) << "Wine still shows two monitors";
        ASSERT_TRUE(program::WaitFor([&] { return app->MonitorWindows().size() == 1; })) << app->OpenReports();
        // A monitor comes back with the ramp the system put there.
        ASSERT_TRUE(program::WriteIdentityRamp());
        ASSERT_TRUE(SetSecondOutput(true)) << "xrandr could not be run";
        ASSERT_TRUE(WaitForMonitorCount(2)) << "Wine still shows one monitor";
        EXPECT_TRUE(WaitForRamp(mild, kKeepPromise)) << "not calibrated within 5 s of its return; "
                                                     << app->OpenReports();
        ASSERT_TRUE(program::WaitFor([&] { return app->MonitorWindows().size() == 2; })) << app->OpenReports();
        ASSERT_TRUE(app->IsRunning());
    }

    // A burst of display-change notices is answered at once and costs one look.
    const HWND programWindow = program::TopWindowOf(program::kProgramWindowClass, app->Id());
    ASSERT_NE(programWindow, nullptr);
    for (int notice = 0; notice < 1000; ++notice)
        PostMessageW(programWindow, WM_DISPLAYCHANGE, 32, 0);
    EXPECT_TRUE(program::Send(programWindow, WM_NULL, 0, 0)) << "the burst hung the program";
    EXPECT_FALSE(program::WaitFor([&] { return app->MonitorWindows().size() != 2; }, 3s));
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
}

// Resident with its windows closed, the program only loads a monitor that comes back
// (a dock, a KVM switch): no window and no report, through ten returns. Wine's ramp is
// one for the screen, so what the returning monitor got is read from the program
// window's text (the icon's tooltip): a line for each monitor loaded.
TEST_F(ProgramMonitors, ResidentProgramLoadsAReturningMonitorAndShowsNothingThroughTenReturns)
{
    if (monitors.size() != 2)
        GTEST_SKIP() << "needs the test bed's two monitors";
    ASSERT_NO_FATAL_FAILURE(Install({kMild, kValid}));
    ASSERT_NO_FATAL_FAILURE(MakeCurrent(kMild));
    ASSERT_NO_FATAL_FAILURE(Launch({}, "/tray"));
    const std::vector<BYTE> mild = Table(kMild);
    ASSERT_TRUE(WaitForRamp(mild)) << app->OpenReports();
    HWND tray = nullptr;
    ASSERT_TRUE(program::WaitFor([&] { return (tray = program::TopWindowOf(program::kProgramWindowClass, app->Id())); }));
    const std::string loadedLine = ": " + ResourceText(kStateLoadedId) + ", " + kMild;
    const auto loadedLines = [&] {
        const std::string text = wintest::WindowText(tray);
        size_t count = 0;
        for (size_t at = text.find(loadedLine); at != std::string::npos; at = text.find(loadedLine, at + 1))
            ++count;
        return count;
    };
    const auto shown = [&] { return !app->MonitorWindows().empty() || !program::VisibleDialogsOf(app->Id()).empty(); };

    for (int round = 1; round <= 10; ++round) {
        SCOPED_TRACE("return " + std::to_string(round));
        ASSERT_TRUE(SetSecondOutput(false)) << "xrandr could not be run";
        ASSERT_TRUE(WaitForMonitorCount(1)) << "Wine still shows two monitors";
        ASSERT_TRUE(program::WaitFor([&] { return loadedLines() == 1; })) << wintest::WindowText(tray);
        ASSERT_TRUE(SetSecondOutput(true)) << "xrandr could not be run";
        ASSERT_TRUE(WaitForMonitorCount(2)) << "Wine still shows one monitor";
        EXPECT_TRUE(program::WaitFor([&] { return loadedLines() == 2; }, kKeepPromise))
            << "not loaded within 5 s of its return: " << wintest::WindowText(tray);
        EXPECT_EQ(program::CurrentTable(), mild);
        // The program looks every 2 s: by then a window or report would be there.
        ASSERT_FALSE(program::WaitFor(shown, 2500ms)) << "shown on a return: " << app->OpenReports();
        ASSERT_TRUE(app->IsRunning());
    }
}

TEST_F(ProgramMonitors, MonitorThatGoesAndComesUnderTheReportOfItsNewWindowGetsOneWindow)
{
    if (monitors.size() != 2)
        GTEST_SKIP() << "needs the test bed's two monitors";
    // With no profile at all each window reports while it is built (505).
    ASSERT_TRUE(store.ParkEverything());
    ASSERT_NO_FATAL_FAILURE(Launch());
    for (size_t built = 1; built <= 2; ++built) {
        const HWND report = app->WaitForReport();
        ASSERT_NE(report, nullptr) << "no report while building window " << built;
        wintest::ClickButton(report, IDOK);
        ASSERT_TRUE(wintest::WaitUntilGone(report));
    }
    ASSERT_EQ(app->WaitForMonitorWindows(2).size(), 2u);

    ASSERT_TRUE(SetSecondOutput(false));
    ASSERT_TRUE(WaitForMonitorCount(1));
    ASSERT_TRUE(program::WaitFor([&] { return app->MonitorWindows().size() == 1; })) << app->OpenReports();
    ASSERT_TRUE(SetSecondOutput(true));
    ASSERT_TRUE(WaitForMonitorCount(2));
    const HWND report = app->WaitForReport();
    ASSERT_NE(report, nullptr) << "the returning monitor's window did not report";

    // While its new window's report is open, the monitor goes and comes once more, and
    // Windows would tell of each change.
    ASSERT_TRUE(SetSecondOutput(false));
    ASSERT_TRUE(WaitForMonitorCount(1));
    BroadcastDisplayChange();
    ASSERT_TRUE(SetSecondOutput(true));
    ASSERT_TRUE(WaitForMonitorCount(2));
    BroadcastDisplayChange();
    Sleep(3000);
    EXPECT_EQ(app->Reports().size(), 1u) << "a look at the desktop ran inside the report: " << app->OpenReports();

    wintest::ClickButton(report, IDOK);
    ASSERT_TRUE(wintest::WaitUntilGone(report));
    EXPECT_FALSE(program::WaitFor([&] { return app->MonitorWindows().size() != 2 || app->FindReport(); }, 5s))
        << app->MonitorWindows().size() << " windows; " << app->OpenReports();
    EXPECT_TRUE(app->IsRunning());
}

}  // namespace
