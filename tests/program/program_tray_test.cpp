// The resident program from outside: /tray keeps the calibration with no window, its
// icon's menu opens the windows, reloads, resets and exits, a failure with no window
// open is a balloon, and a program listed in PauseFor keeps its own ramp while in front.
#include "support/program_fixture.h"
#include "support/win_test_util.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace {

using namespace programtest;
using program::kRunKey;
using program::kRunValue;
using program::kSettingsKey;
using program::Monitor;
using program::ReadValue;
using program::RegistryValue;

constexpr UINT kStateLoadedId = 1027;
constexpr UINT kStateBackedOffId = 1030;

using program::kTrayExit;
using program::kTrayKeepLoaded;
using program::kTrayLoadAtLogon;
using program::kTrayOpen;
using program::kTrayReload;
using program::kTrayReset;

// The resident program's own window, which carries the icon's tooltip as its text.
HWND TrayWindowOf(DWORD process) { return program::TopWindowOf(program::kProgramWindowClass, process); }

class ProgramTray : public ProgramKeeping {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ProgramKeeping::SetUp());
        ASSERT_NO_FATAL_FAILURE(Install({kMild, kValid}));
        ASSERT_NO_FATAL_FAILURE(MakeCurrent(kMild));
        mild = Table(kMild);
    }

    std::vector<BYTE> mild;
};

TEST_F(ProgramTray, KeepsTheCalibrationWithoutAWindowAndOpensTheWindowsWhenAsked)
{
    ASSERT_NO_FATAL_FAILURE(Launch({}, "/tray"));
    HWND tray = nullptr;
    ASSERT_TRUE(program::WaitFor([&] { return (tray = TrayWindowOf(app->Id())) != nullptr; })) << "no KestravaTray";
    EXPECT_TRUE(WaitForRamp(mild, 2s)) << "not loaded within 2 s; " << app->OpenReports();
    EXPECT_TRUE(program::VisibleDialogsOf(app->Id()).empty());
    // The program window's text, as the icon's tooltip, one line per monitor: what is
    // done with its calibration, and its profile.
    const std::string loaded = monitors[0].deviceString + ": " + ResourceText(kStateLoadedId) + ", " + kMild;
    std::string tip;
    EXPECT_TRUE(program::WaitFor([&] { return (tip = wintest::WindowText(tray)).find(loaded) == 0; })) << tip;
    ASSERT_TRUE(program::WriteIdentityRamp());
    EXPECT_TRUE(WaitForRamp(mild, kKeepPromise)) << "not kept; " << app->OpenReports();

    // Open: a window per monitor. Closing one closes them all, and the program stays.
    ASSERT_TRUE(PostMessageW(tray, WM_COMMAND, kTrayOpen, 0));
    windows = app->WaitForMonitorWindows(monitors.size());
    ASSERT_EQ(windows.size(), monitors.size());
    ASSERT_TRUE(PostMessageW(windows[0], WM_CLOSE, 0, 0));
    EXPECT_TRUE(program::WaitFor([&] { return app->MonitorWindows().empty(); })) << "the other windows stayed";
    EXPECT_TRUE(app->IsRunning());

    // A start without a switch opens the resident copy's windows and ends.
    EXPECT_EQ(RunBeside({}, 2s), 0u);
    windows = app->WaitForMonitorWindows(monitors.size());
    ASSERT_EQ(windows.size(), monitors.size());
    // Quit in a window's menu ends the program, icon and all.
    ASSERT_TRUE(PostMessageW(windows[0], WM_COMMAND, program::kQuitCommand, 0));
    DWORD code = 1234;
    EXPECT_TRUE(app->WaitForExit(code, 5s));
    EXPECT_EQ(code, 0u);
}

TEST_F(ProgramTray, TheIconAnswersTheKeyboardItsMenuOpeningWhereTheIconIs)
{
    ASSERT_NO_FATAL_FAILURE(Launch({}, "/tray"));
    HWND tray = nullptr;
    ASSERT_TRUE(program::WaitFor([&] { return (tray = TrayWindowOf(app->Id())) != nullptr; })) << "no KestravaTray";
    // The context-menu key or Shift+F10 on the icon: its menu, at the icon.
    const POINT icon{300, 200};
    ASSERT_TRUE(PostMessageW(tray, program::kTrayCallback, MAKEWPARAM(icon.x, icon.y), MAKELPARAM(WM_CONTEXTMENU, 1)));
    HWND menu = nullptr;
    ASSERT_TRUE(program::WaitFor(
        [&] { return (menu = program::TopWindowOf("#32768", app->Id())) != nullptr && IsWindowVisible(menu); }))
        << "no menu";
    RECT at{};
    GetWindowRect(menu, &at);
    EXPECT_TRUE(PtInRect(&at, POINT{icon.x + 1, icon.y + 1})) << at.left << "," << at.top;
    ASSERT_TRUE(PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0));
    ASSERT_TRUE(program::WaitFor([&] { return !IsWindowVisible(menu); }));
    // Enter on the icon: the windows.
    ASSERT_TRUE(PostMessageW(tray, program::kTrayCallback, MAKEWPARAM(icon.x, icon.y), MAKELPARAM(NIN_KEYSELECT, 1)));
    EXPECT_EQ(app->WaitForMonitorWindows(monitors.size()).size(), monitors.size());
}

TEST_F(ProgramTray, TrayBesideACopyWithWindowsMakesItStayAndItsMenuReloadsResetsAndExits)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(RunBeside("/tray", 2s), 0u);
    const HWND tray = TrayWindowOf(app->Id());
    ASSERT_NE(tray, nullptr);
    ASSERT_TRUE(PostMessageW(windows[0], WM_CLOSE, 0, 0));
    EXPECT_TRUE(program::WaitFor([&] { return app->MonitorWindows().empty(); }));
    EXPECT_TRUE(app->IsRunning()) << "closing its windows ended the resident copy";

    ASSERT_TRUE(PostMessageW(tray, WM_COMMAND, kTrayReload, 0));
    EXPECT_TRUE(WaitForRamp(mild)) << app->OpenReports();
    ASSERT_TRUE(PostMessageW(tray, WM_COMMAND, kTrayReset, 0));
    EXPECT_TRUE(program::WaitFor([] { return program::CurrentTable() == program::IdentityTable(); }));
    EXPECT_TRUE(RampStays(program::IdentityTable(), kKeepPromise)) << "a reset ramp was written again";

    // The menu's settings: logon keeps it resident while keeping is on, loads once
    // otherwise; unchecked, the value goes.
    const std::string exe = "\"" + wintest::ProgramExe() + "\"";
    const auto runValueIs = [](const std::string& text) {
        return program::WaitFor([&] { return ReadValue(kRunKey, kRunValue).text == text; }, 5s);
    };
    ASSERT_TRUE(PostMessageW(tray, WM_COMMAND, kTrayLoadAtLogon, 0));
    EXPECT_TRUE(runValueIs(exe + " /tray")) << ReadValue(kRunKey, kRunValue).text;
    ASSERT_TRUE(PostMessageW(tray, WM_COMMAND, kTrayKeepLoaded, 0));
    EXPECT_TRUE(runValueIs(exe + " /load")) << ReadValue(kRunKey, kRunValue).text;
    ASSERT_TRUE(PostMessageW(tray, WM_COMMAND, kTrayLoadAtLogon, 0));
    EXPECT_TRUE(program::WaitFor([] { return !ReadValue(kRunKey, kRunValue).present; }, 5s));

    // /tray again: the resident copy stays the one.
    EXPECT_EQ(RunBeside("/tray", 2s), 0u);
    EXPECT_EQ(TrayWindowOf(app->Id()), tray);

    ASSERT_TRUE(PostMessageW(tray, WM_COMMAND, kTrayExit, 0));
    DWORD code = 1234;
    EXPECT_TRUE(app->WaitForExit(code, 5s));
    EXPECT_EQ(code, 0u);
}

TEST_F(ProgramTray, AFailureWithNoWindowOpenIsABalloonNotAReport)
{
    // A current profile whose table is refused (-2): the load fails at start.
    ASSERT_TRUE(store.Install(kTooDark, "kv-aaa.icm"));
    ASSERT_NO_FATAL_FAILURE(MakeCurrent("kv-aaa.icm"));
    ASSERT_NO_FATAL_FAILURE(Launch({}, "/tray"));
    HWND tray = nullptr;
    ASSERT_TRUE(program::WaitFor([&] { return (tray = TrayWindowOf(app->Id())) != nullptr; }));
    EXPECT_TRUE(program::WaitFor([&] { return wintest::WindowText(tray).find("kv-aaa.icm") != std::string::npos; }))
        << wintest::WindowText(tray);
    EXPECT_FALSE(program::WaitFor([&] { return app->FindReport() != nullptr; }, 3s))
        << "a report opened with no window: " << app->OpenReports();
    EXPECT_TRUE(app->IsRunning());
}

TEST_F(ProgramTray, AProgramThatSetsItsOwnRampIsLeftAloneWhileInFront)
{
    // This test's own program stands for a game: listed in PauseFor, its window in front.
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string game = path;
    game = game.substr(game.find_last_of('\\') + 1);
    std::vector<wchar_t> list(game.begin(), game.end());
    list.insert(list.end(), {L'\0', L'\0'});
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"PauseFor", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(list.data()),
                   static_cast<DWORD>(list.size() * sizeof(wchar_t)));
    RegCloseKey(key);

    ASSERT_NO_FATAL_FAILURE(Launch({}, "/tray"));
    ASSERT_TRUE(WaitForRamp(mild)) << app->OpenReports();
    HWND tray = nullptr;
    ASSERT_TRUE(program::WaitFor([&] { return (tray = TrayWindowOf(app->Id())) != nullptr; }));
    // In front and away three times within a minute: what it set while in front is no
    // change from outside, so the program never backs off.
    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE("in front " + std::to_string(round));
        HWND front = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"game", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200,
                                     nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(front, nullptr);
        SetForegroundWindow(front);
        ASSERT_TRUE(program::WaitFor([&] { return GetForegroundWindow() == front; }, 2s)) << "the test is not in front";
        ASSERT_TRUE(program::WriteIdentityRamp());
        EXPECT_TRUE(RampStays(program::IdentityTable(), round == 1 ? 10s : 3s))
            << "rewritten while the game was in front";
        EXPECT_NE(wintest::WindowText(tray).find(game), std::string::npos) << wintest::WindowText(tray);

        DestroyWindow(front);
        EXPECT_TRUE(WaitForRamp(mild, kKeepPromise)) << "not back within 5 s of the game's end; " << app->OpenReports();
    }
    EXPECT_TRUE(RampStays(mild, 3s)) << "backed off after the game left";
    EXPECT_EQ(wintest::WindowText(tray).find(ResourceText(kStateBackedOffId)), std::string::npos)
        << wintest::WindowText(tray);
}

}  // namespace
