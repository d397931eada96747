// Keeping the calibration true, as a user and the system meet it: the ramp written
// again after someone else reset it and on the notices that come with a ramp the system
// may have put back, the last selection winning, another writer making it back off, a
// second copy, and the window menu's Reset, Reload and Verify. The built kestrava.exe is
// worked from outside; the ramp, and the boxes it shows, are read back from this process.
#include "fw/gdi.h"
#include "support/program_fixture.h"
#include "support/row_image.h"
#include "support/win_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace programtest;
using program::Monitor;

// Notices that come with a ramp the system may have put back (winuser.h and wtsapi32.h).
constexpr UINT kSessionChange = 0x02B1;   // WM_WTSSESSION_CHANGE
constexpr WPARAM kConsoleConnect = 0x1;
constexpr WPARAM kSessionUnlock = 0x8;
constexpr WPARAM kResumeSuspend = 0x7;
constexpr WPARAM kResumeAutomatic = 0x12;

// Which of the system's icons for MB_ICONINFORMATION and MB_ICONWARNING a message box
// shows ("information" or "warning"), told by its pixels on the screen: the one of the
// two, drawn here on the box's own background, that differs from it in fewer pixels.
// "(no icon)" for a box without one.
std::string IconOf(HWND box)
{
    HWND icon = nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child && !icon; child = GetWindow(child, GW_HWNDNEXT))
        if (lstrcmpiA(wintest::ClassName(child).c_str(), "Static") == 0 &&
            (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child))
            icon = child;
    if (!icon)
        return "(no icon)";
    RECT rc{};
    GetWindowRect(icon, &rc);
    const wintest::Image shown = wintest::ScreenImage(rc);
    if (shown.pixels.empty())
        return "(no pixels)";
    const uint32_t corner = shown.pixels[0];
    const auto differing = [&](WORD id) {
        wintest::Canvas canvas(shown.width, shown.height);
        fw::Brush background(CreateSolidBrush(RGB(corner >> 16 & 0xFF, corner >> 8 & 0xFF, corner & 0xFF)));
        RECT all{0, 0, shown.width, shown.height};
        FillRect(canvas.Dc(), &all, background.Get());
        DrawIconEx(canvas.Dc(), 0, 0, LoadIconW(nullptr, MAKEINTRESOURCEW(id)), shown.width, shown.height, 0, nullptr,
                   DI_NORMAL);
        const wintest::Image drawn = canvas.Read();
        size_t count = 0;
        for (size_t i = 0; i < drawn.pixels.size(); ++i)
            count += drawn.pixels[i] != shown.pixels[i] ? 1 : 0;
        return count;
    };
    const size_t information = differing(32516);   // IDI_INFORMATION
    const size_t warning = differing(32515);       // IDI_WARNING
    if (information == warning)
        return "(neither: " + std::to_string(information) + " pixels differ from each)";
    return information < warning ? "information" : "warning";
}

TEST_F(ProgramKeeping, RampResetFromOutsideComesBackInTimeAndAtOnceOnEachNotice)
{
    ASSERT_NO_FATAL_FAILURE(Install({kFirst, kMild, kGreen}));
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::vector<BYTE> mild = Table(kMild);
    const std::vector<BYTE> identity = program::IdentityTable();

    // Before the first write nothing is kept.
    ASSERT_TRUE(program::WriteIdentityRamp());
    EXPECT_TRUE(RampStays(identity, kKeepPromise + 1s)) << "a ramp came back before any selection";

    ASSERT_NO_FATAL_FAILURE(Select(0, kMild, mild));
    ASSERT_TRUE(program::WriteIdentityRamp());
    EXPECT_TRUE(WaitForRamp(mild, kKeepPromise)) << "not back within 5 s; " << app->OpenReports();

    // Each notice right after the periodic check has run: a ramp back within a second
    // is then the notice's doing, since the next check is two and a half seconds away.
    struct Notice {
        const char* name;
        UINT message;
        WPARAM wParam;
    };
    // The system's notices reach the program's own window (a broadcast reaches every
    // top-level window; the monitor windows leave them to it).
    const HWND programWindow = program::TopWindowOf(program::kProgramWindowClass, app->Id());
    ASSERT_NE(programWindow, nullptr);
    for (const Notice& notice :
         {Notice{"WM_DISPLAYCHANGE", WM_DISPLAYCHANGE, 32}, Notice{"PBT_APMRESUMEAUTOMATIC", WM_POWERBROADCAST,
                                                                  kResumeAutomatic},
          Notice{"PBT_APMRESUMESUSPEND", WM_POWERBROADCAST, kResumeSuspend},
          Notice{"WTS_SESSION_UNLOCK", kSessionChange, kSessionUnlock},
          Notice{"WTS_CONSOLE_CONNECT", kSessionChange, kConsoleConnect}}) {
        SCOPED_TRACE(notice.name);
        ASSERT_TRUE(program::WriteIdentityRamp());
        ASSERT_TRUE(WaitForRamp(mild, kKeepPromise)) << app->OpenReports();
        ASSERT_TRUE(program::WriteIdentityRamp());
        const auto sent = std::chrono::steady_clock::now();
        ASSERT_TRUE(PostMessageW(programWindow, notice.message, notice.wParam, 0));
        EXPECT_TRUE(WaitForRamp(mild, kNoticePromise)) << "not back within 1 s; " << app->OpenReports();
        EXPECT_LT(std::chrono::steady_clock::now() - sent, kNoticePromise);
    }

    // Turned off in any window, nothing comes back: not periodically, not on a notice.
    ASSERT_NO_FATAL_FAILURE(Command(windows.size() - 1, kKeepLoaded));
    ASSERT_TRUE(program::WriteIdentityRamp());
    ASSERT_TRUE(PostMessageW(programWindow, WM_DISPLAYCHANGE, 32, 0));
    EXPECT_TRUE(RampStays(identity, kKeepPromise + 1s)) << "the ramp came back with keeping turned off";
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
}

TEST_F(ProgramKeeping, LastSelectionOfTwoWindowsWinsAndNeitherFights)
{
    if (monitors.size() < 2)
        GTEST_SKIP() << "needs two monitors";
    ASSERT_NO_FATAL_FAILURE(Install({kFirst, kMild, kGreen}));
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::vector<BYTE> mild = Table(kMild);
    const std::vector<BYTE> green = Table(kGreen);

    ASSERT_NO_FATAL_FAILURE(Select(0, kMild, mild));
    ASSERT_NO_FATAL_FAILURE(Select(1, kGreen, green));
    EXPECT_TRUE(RampStays(green, 10s)) << "the windows fight over the one ramp";

    // Reset from outside, the ramp comes back as the last selection left it.
    ASSERT_TRUE(program::WriteIdentityRamp());
    bool mildSeen = false;
    EXPECT_TRUE(program::WaitFor(
        [&] {
            const std::vector<BYTE> now = program::CurrentTable();
            mildSeen = mildSeen || now == mild;
            return now == green;
        },
        kKeepPromise));
    EXPECT_FALSE(mildSeen) << "the earlier selection's window wrote over the later one's ramp";
    EXPECT_TRUE(RampStays(green, 3s));
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
}

// ---- Another writer, and a second copy --------------------------------------------------

TEST_F(ProgramKeeping, AnotherWriterMakesItBackOffOnceAndReloadRestores)
{
    ASSERT_NO_FATAL_FAILURE(Install({kFirst, kMild, kGreen}));
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::vector<BYTE> mild = Table(kMild);
    const std::vector<BYTE> identity = program::IdentityTable();
    ASSERT_NO_FATAL_FAILURE(Select(0, kMild, mild));

    // A game or another loader that puts its own ramp back every 100 ms: each time it
    // finds ours there, the program has written it again.
    int rewrites = 0;
    std::vector<HWND> boxes;
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < 15s) {
        if (program::CurrentTable() != identity)
            ++rewrites;
        ASSERT_TRUE(program::WriteIdentityRamp());
        if (HWND box = program::FindMessageBox(app->Id()); box && std::find(boxes.begin(), boxes.end(), box) == boxes.end())
            boxes.push_back(box);
        Sleep(100);
    }
    EXPECT_GE(rewrites, 1) << "the program never wrote its ramp again";
    EXPECT_LE(rewrites, 3) << "the program keeps fighting the other writer";
    ASSERT_EQ(boxes.size(), 1u) << "the back-off is told once";
    EXPECT_EQ(GetWindow(boxes[0], GW_OWNER), windows[0]);
    const std::string told = wintest::WindowText(program::MessageTextControl(boxes[0]));
    EXPECT_NE(told.find(monitors[0].deviceString), std::string::npos) << told;
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
    wintest::ClickButton(boxes[0], IDOK);
    ASSERT_TRUE(wintest::WaitUntilGone(boxes[0]));

    // Backed off, it leaves the ramp alone; Reload writes it and keeps it again.
    EXPECT_TRUE(RampStays(identity, kKeepPromise));
    ASSERT_NO_FATAL_FAILURE(Command(0, kReload));
    EXPECT_TRUE(WaitForRamp(mild)) << app->OpenReports();
    ASSERT_TRUE(program::WriteIdentityRamp());
    EXPECT_TRUE(WaitForRamp(mild, kKeepPromise)) << "Reload did not resume the keeping";
}

TEST_F(ProgramKeeping, SecondStartLeavesTheRunningCopyAndLoadAsksItToLoad)
{
    ASSERT_NO_FATAL_FAILURE(Install({kMild, kValid}));
    ASSERT_NO_FATAL_FAILURE(MakeCurrent(kMild));
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::vector<BYTE> mild = Table(kMild);

    // Started twice (or unzipped twice): the second start shows no window of its own.
    EXPECT_EQ(RunBeside({}, 2s), 0u);
    EXPECT_EQ(app->MonitorWindows(), windows) << "the running copy's windows changed";

    // /load beside it: the running copy loads, so it keeps what it loaded.
    ASSERT_TRUE(program::WriteIdentityRamp());
    EXPECT_EQ(RunBeside("/load", program::kTimeout), 0u);
    EXPECT_EQ(program::CurrentTable(), mild);
    ASSERT_TRUE(program::WriteIdentityRamp());
    EXPECT_TRUE(WaitForRamp(mild, kKeepPromise)) << "the running copy did not keep the load";
    EXPECT_TRUE(app->IsRunning());
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
}

// ---- The window menu's commands ------------------------------------------------------

class ProgramCalibrationMenu : public ProgramKeeping {};

TEST_F(ProgramCalibrationMenu, ResetReloadAndVerifyTellTheRampAsItIs)
{
    ASSERT_NO_FATAL_FAILURE(Install({kFirst, kMild, kGreen}));
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::vector<BYTE> mild = Table(kMild);
    const std::vector<BYTE> identity = program::IdentityTable();
    ASSERT_NO_FATAL_FAILURE(Select(0, kMild, mild));

    // Reset to linear is no ramp to keep.
    ASSERT_NO_FATAL_FAILURE(Command(0, kReset));
    EXPECT_EQ(program::CurrentTable(), identity);
    EXPECT_TRUE(RampStays(identity, kKeepPromise + 1s)) << "the reset ramp was written over";

    ASSERT_NO_FATAL_FAILURE(Command(0, kReload));
    EXPECT_EQ(program::CurrentTable(), mild);

    // The answer is the window's own, captioned with its monitor, with the icon that
    // tells whether the calibration holds; its words are Verify's to choose.
    const std::string monitor = monitors[0].deviceString;
    const auto verify = [&](const char* icon, std::string& answer) {
        ASSERT_TRUE(PostMessageW(windows[0], WM_SYSCOMMAND, kVerify, 0));
        HWND box = nullptr;
        answer = WaitForMessageBox(&box);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(GetWindow(box, GW_OWNER), windows[0]) << "the answer is not the window's own";
        EXPECT_EQ(wintest::WindowText(box), monitor);
        EXPECT_NE(answer.find("kv-mild"), std::string::npos) << answer;
        std::string shown;
        EXPECT_TRUE(program::WaitFor([&] { return (shown = IconOf(box)) == icon; })) << shown;
        wintest::ClickButton(box, IDOK);
        ASSERT_TRUE(wintest::WaitUntilGone(box));
    };
    std::string loaded;
    ASSERT_NO_FATAL_FAILURE(verify("information", loaded));

    // With keeping off a reset from outside stays, and Verify says it is not loaded.
    ASSERT_NO_FATAL_FAILURE(Command(0, kKeepLoaded));
    ASSERT_TRUE(program::WriteIdentityRamp());
    ASSERT_NE(mild, identity);
    std::string notLoaded;
    ASSERT_NO_FATAL_FAILURE(verify("warning", notLoaded));
    EXPECT_NE(notLoaded, loaded);
    EXPECT_EQ(program::CurrentTable(), identity);
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
}

}  // namespace
