// Kestrava as a user meets it: the built kestrava.exe runs for every test on a colour
// directory the test fills, and is worked from outside through window messages only.
// What it did is read back from its windows, from the colour store and from the X
// server's gamma ramp. A screenshot of both windows is tools/run.sh's job; a Windows
// test cannot take one of the X screen.
#include "program_driver.h"
#include "program_fixture.h"
#include "win_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using program::Ask;
using program::Control;
using program::Monitor;

// Wine's store lists these, with its own sRGB profile, as installed monitor profiles.
const char* const kMild = "kv-mild.icm";
const char* const kMildNoCreator = "kv-mild-notcpt.icm";
const char* const kValid = "kv-valid.icm";
const char* const kBare = "kv-bare.icm";
const char* const kNoCalibration = "kv-novcgt.icm";
const char* const kGreen = "kv-green16384.icm";
const char* const kValidUpper = "kv-valid-upper.ICM";
// Copies of kv-bare that turn up while the program runs.
const char* const kViewAllAdded = "kv-view-all.icm";
const char* const kViewAssociatedAdded = "kv-view-associated.icm";
const char* const kRefreshAdded = "kv-refreshed.icm";

std::string Stem(const std::string& file)
{
    const size_t dot = file.rfind('.');
    return dot == std::string::npos ? file : file.substr(0, dot);
}

bool HasProfileExtension(const std::string& file)
{
    const size_t dot = file.rfind('.');
    if (dot == std::string::npos)
        return false;
    const std::string extension = file.substr(dot);
    return lstrcmpiA(extension.c_str(), ".icm") == 0 || lstrcmpiA(extension.c_str(), ".icc") == 0;
}

bool SamePath(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// Where a window of the given outer size lands when centred on a monitor's full
// rectangle: truncating halves, but never left of or above the monitor.
POINT CentredOrigin(const RECT& window, const RECT& monitor)
{
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    LONG x = monitor.left + ((monitor.right - monitor.left) - width) / 2;
    LONG y = monitor.top + ((monitor.bottom - monitor.top) - height) / 2;
    if (x < monitor.left)
        x = monitor.left;
    if (y < monitor.top)
        y = monitor.top;
    return POINT{x, y};
}

// The answer of a window to a hit test at a screen point.
LRESULT HitTest(HWND window, POINT screen) { return Ask(window, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)); }

// The size grip: the scroll-arrow-sized square in the client area's bottom-right corner,
// in screen coordinates.
RECT GripOnScreen(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return RECT{client.right - GetSystemMetrics(SM_CXHSCROLL), client.bottom - GetSystemMetrics(SM_CYVSCROLL),
                client.right, client.bottom};
}

SIZE ClientSize(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return SIZE{client.right - client.left, client.bottom - client.top};
}

RECT Offset(RECT rect, LONG dx, LONG dy)
{
    OffsetRect(&rect, dx, dy);
    return rect;
}

class ProgramTest : public program::ProgramFixture {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ProgramFixture::SetUp());
        ASSERT_NO_FATAL_FAILURE(StartFromScratch({kViewAllAdded, kViewAssociatedAdded, kRefreshAdded}));
    }

    void TearDown() override { CleanUp(); }

    // The rows a list must show: every profile file of the colour directory, by file
    // name, in the list's collation (case-insensitive, in the user's locale).
    std::vector<std::string> ExpectedRows() const
    {
        std::vector<std::string> rows;
        for (const std::string& file : store.Files())
            if (HasProfileExtension(file))
                rows.push_back(Stem(file));
        std::sort(rows.begin(), rows.end(), [](const std::string& a, const std::string& b) {
            return CompareStringA(GetUserDefaultLCID(), NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) ==
                   CSTR_LESS_THAN;
        });
        return rows;
    }

    // Waits until the ramp holds table, or a report or the clock interrupts.
    bool WaitForRamp(const std::vector<BYTE>& table)
    {
        return program::WaitFor([&] { return program::CurrentTable() == table || app->FindReport(); }) &&
               program::CurrentTable() == table;
    }
};

// ---- Start-up ----------------------------------------------------------------------

class ProgramStartup : public ProgramTest {};

TEST_F(ProgramStartup, OpensOneCentredWindowPerMonitorInEnumerationOrder)
{
    ASSERT_NO_FATAL_FAILURE(Install({kMild, kValid}));
    ASSERT_NO_FATAL_FAILURE(Start());

    for (size_t i = 0; i < windows.size(); ++i) {
        const HWND window = windows[i];
        const Monitor& monitor = monitors[i];
        SCOPED_TRACE("window " + std::to_string(i) + ", expected on " + monitor.adapter);
        EXPECT_TRUE(app->SawCreation(window)) << "its creation went unseen, so its place in the order is unknown";
        EXPECT_EQ(wintest::WindowText(window), monitor.deviceString);

        const RECT rect = program::WindowRect(window);
        const POINT origin = CentredOrigin(rect, monitor.rect);
        EXPECT_EQ(rect.left, origin.x) << program::Describe(rect) << " on " << program::Describe(monitor.rect);
        EXPECT_EQ(rect.top, origin.y) << program::Describe(rect) << " on " << program::Describe(monitor.rect);

        EXPECT_EQ(Ask(GetDlgItem(window, program::kViewAllId), BM_GETCHECK), BST_UNCHECKED);
        EXPECT_EQ(Ask(GetDlgItem(window, program::kViewAssociatedId), BM_GETCHECK), BST_CHECKED);

        std::vector<int> ids;
        for (const Control& control : program::Controls(window))
            ids.push_back(control.id);
        std::sort(ids.begin(), ids.end());
        EXPECT_EQ(ids, (std::vector<int>{-1, -1, -1, 1000, 1001, 1002, 1003}));
        EXPECT_EQ(wintest::ControlText(window, program::kRefreshId), "Refresh");
    }
}

TEST_F(ProgramStartup, ListsEveryInstalledProfileByFileNameSorted)
{
    // Added to the directory out of order; one with an upper-case extension.
    ASSERT_NO_FATAL_FAILURE(Install({kValid, kNoCalibration, kMild, kValidUpper, kBare, kGreen, kMildNoCreator}));
    ASSERT_NO_FATAL_FAILURE(Start());

    const std::vector<std::string> expected = ExpectedRows();
    ASSERT_GE(expected.size(), 7u);
    for (size_t i = 0; i < windows.size(); ++i) {
        SCOPED_TRACE("window " + std::to_string(i));
        EXPECT_EQ(program::Rows(List(i)), expected);
    }
}

TEST_F(ProgramStartup, PreselectsTheCurrentProfileWithoutApplyingIt)
{
    // kv-mild's table is not the identity the ramp starts with, so applying it at start
    // would show.
    ASSERT_NO_FATAL_FAILURE(Install({kMild, kNoCalibration, kValid}));
    ASSERT_NO_FATAL_FAILURE(MakeCurrent(kMild));
    for (const Monitor& monitor : monitors)
        ASSERT_EQ(program::FirstProfileOf(monitor.deviceId), kMild) << "the store's current profile";
    ASSERT_NE(program::CalibrationTable(store.PathOf(kMild)), program::IdentityTable());
    ASSERT_EQ(program::CurrentTable(), program::IdentityTable());

    ASSERT_NO_FATAL_FAILURE(Start());

    for (size_t i = 0; i < windows.size(); ++i) {
        SCOPED_TRACE("window " + std::to_string(i));
        EXPECT_EQ(program::SelectedText(List(i)), "kv-mild");
    }
    EXPECT_EQ(program::CurrentTable(), program::IdentityTable()) << "the start-up wrote the gamma ramp";
}

TEST_F(ProgramStartup, EmptyStoreIsReportedWhileEachWindowIsBeingBuilt)
{
    ASSERT_TRUE(store.ParkEverything());
    ASSERT_TRUE(ExpectedRows().empty());
    ASSERT_NO_FATAL_FAILURE(Launch());

    // Each window is visible and captioned when its list finds nothing, and the next
    // monitor's window comes only after that report is dismissed.
    for (size_t i = 0; i < monitors.size(); ++i) {
        SCOPED_TRACE("while building the window of " + monitors[i].adapter);
        const HWND report = app->WaitForReport();
        ASSERT_NE(report, nullptr) << "no report";
        EXPECT_EQ(wintest::WindowText(report), program::kProgramCaption);
        EXPECT_EQ(wintest::ControlText(report, program::kReportMessageId),
                  "There are no monitor profiles in the system.");
        EXPECT_EQ(wintest::ControlText(report, program::kReportFileLineId), "Error 4306 (CMSSupportEx 226)");
        EXPECT_EQ(app->Reports().size(), 1u);

        const std::vector<HWND> built = app->MonitorWindows();
        ASSERT_EQ(built.size(), i + 1) << "windows up while the report is shown";
        const RECT rect = program::WindowRect(built[i]);
        const POINT origin = CentredOrigin(rect, monitors[i].rect);
        EXPECT_EQ(rect.left, origin.x);
        EXPECT_EQ(rect.top, origin.y);
        EXPECT_EQ(wintest::WindowText(built[i]), monitors[i].deviceString);

        wintest::ClickButton(report, IDOK);
        ASSERT_TRUE(wintest::WaitUntilGone(report)) << "OK did not close the report";
    }

    windows = app->WaitForMonitorWindows(monitors.size());
    ASSERT_EQ(windows.size(), monitors.size());
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
    for (size_t i = 0; i < windows.size(); ++i) {
        SCOPED_TRACE("window " + std::to_string(i));
        EXPECT_EQ(Ask(List(i), LB_GETCOUNT), 0);
        EXPECT_EQ(Ask(List(i), LB_GETCURSEL), LB_ERR);
    }
    EXPECT_TRUE(app->IsRunning());
}

// ---- Selecting a profile -----------------------------------------------------------

class ProgramSelection : public ProgramTest {};

TEST_F(ProgramSelection, AnotherRowIsAppliedOnceEachTimeItBecomesSelected)
{
    // None associated, so the one the program associates is the adapter's profile after.
    ASSERT_NO_FATAL_FAILURE(Install({kBare, kGreen, kMild, kValid}));
    const std::vector<BYTE> mild = program::CalibrationTable(store.PathOf(kMild));
    const std::vector<BYTE> green = program::CalibrationTable(store.PathOf(kGreen));
    const std::vector<BYTE> identity = program::IdentityTable();
    ASSERT_EQ(mild.size(), 768u);
    ASSERT_EQ(green.size(), 768u);
    ASSERT_NE(mild, identity);
    ASSERT_NE(green, identity);
    ASSERT_NE(green, mild);

    ASSERT_NO_FATAL_FAILURE(Start());
    const HWND list = List(0);
    ASSERT_NE(program::SelectedText(list), "kv-mild") << "the test needs kv-mild unselected at first";

    // A click on another row: associated with the monitor, its table in the ramp.
    ASSERT_TRUE(program::ClickRow(list, program::RowOf(list, "kv-mild")));
    EXPECT_TRUE(WaitForRamp(mild)) << app->OpenReports();
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
    EXPECT_EQ(program::SelectedText(list), "kv-mild");
    EXPECT_PRED2(SamePath, program::AdapterProfile(monitors[0].adapter), store.PathOf(kMild));

    // The selected row again, by a click and by the list's own notification: nothing is
    // written, so the ramp keeps what was put there meanwhile.
    ASSERT_TRUE(program::WriteIdentityRamp());
    ASSERT_TRUE(program::ClickRow(list, program::RowOf(list, "kv-mild")));
    ASSERT_TRUE(program::Flush(list));
    ASSERT_TRUE(program::Send(windows[0], WM_COMMAND, MAKEWPARAM(program::kListId, LBN_SELCHANGE),
                              reinterpret_cast<LPARAM>(list)));
    EXPECT_EQ(program::CurrentTable(), identity) << "re-selecting the selected row wrote the ramp";
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
    EXPECT_EQ(program::SelectedText(list), "kv-mild");

    // The arrow keys move the selection, and each row they land on is applied.
    ASSERT_EQ(program::RowOf(list, "kv-green16384") + 1, program::RowOf(list, "kv-mild"));
    ASSERT_TRUE(program::PressKey(list, VK_UP));
    EXPECT_TRUE(WaitForRamp(green)) << app->OpenReports();
    EXPECT_EQ(program::SelectedText(list), "kv-green16384");

    // Back to the first choice: applied again.
    ASSERT_TRUE(program::ClickRow(list, program::RowOf(list, "kv-mild")));
    EXPECT_TRUE(WaitForRamp(mild)) << app->OpenReports();

    // Every window applies through its own monitor; the ramp is the screen's.
    for (size_t i = 1; i < windows.size(); ++i) {
        SCOPED_TRACE("window " + std::to_string(i));
        const HWND other = List(i);
        const std::string next = program::SelectedText(other) == "kv-green16384" ? "kv-mild" : "kv-green16384";
        ASSERT_TRUE(program::ClickRow(other, program::RowOf(other, next)));
        EXPECT_TRUE(WaitForRamp(next == "kv-mild" ? mild : green)) << app->OpenReports();
        EXPECT_EQ(program::SelectedText(other), next);
    }
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
}

TEST_F(ProgramSelection, ProfileWithoutCalibrationIsReportedOnceAndStaysSelected)
{
    ASSERT_NO_FATAL_FAILURE(Install({kMild, kNoCalibration}));
    ASSERT_NO_FATAL_FAILURE(Start());
    const HWND list = List(0);
    ASSERT_NE(program::SelectedText(list), "kv-novcgt");

    ASSERT_TRUE(program::ClickRow(list, program::RowOf(list, "kv-novcgt")));
    const HWND report = app->WaitForReport();
    ASSERT_NE(report, nullptr) << "no report";
    EXPECT_EQ(wintest::WindowText(report), program::kProgramCaption);
    EXPECT_EQ(wintest::ControlText(report, program::kReportMessageId),
              "Sorry, no calibration data was found in the profile \"kv-novcgt\" for monitor \"" +
                  monitors[0].deviceString + "\". Please select another profile. (1168)");
    EXPECT_EQ(wintest::ControlText(report, program::kReportFileLineId), "");
    EXPECT_EQ(wintest::ControlText(report, program::kReportSystemTextId), "");
    // However many notifications the click brings, one report only.
    ASSERT_TRUE(program::Flush(list));
    EXPECT_EQ(app->Reports().size(), 1u) << app->OpenReports();
    // Made the default all the same, with the ramp left alone.
    EXPECT_PRED2(SamePath, program::AdapterProfile(monitors[0].adapter), store.PathOf(kNoCalibration));
    EXPECT_EQ(program::CurrentTable(), program::IdentityTable());

    wintest::ClickButton(report, IDOK);
    ASSERT_TRUE(wintest::WaitUntilGone(report)) << "OK did not close the report";
    ASSERT_TRUE(program::Flush(list));
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
    EXPECT_EQ(program::SelectedText(list), "kv-novcgt") << "the selection is not taken back";

    // Clicking the failed row again is re-selecting it: nothing happens.
    ASSERT_TRUE(program::ClickRow(list, program::RowOf(list, "kv-novcgt")));
    ASSERT_TRUE(program::Flush(list));
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();

    // And a good profile after it applies as ever.
    ASSERT_TRUE(program::ClickRow(list, program::RowOf(list, "kv-mild")));
    EXPECT_TRUE(WaitForRamp(program::CalibrationTable(store.PathOf(kMild)))) << app->OpenReports();
}

// ---- Views and Refresh -------------------------------------------------------------

class ProgramViews : public ProgramTest {};

TEST_F(ProgramViews, ViewButtonsAndRefreshRefillTheList)
{
    ASSERT_NO_FATAL_FAILURE(Install({kMild, kValid}));
    ASSERT_NO_FATAL_FAILURE(MakeCurrent(kMild));
    ASSERT_NO_FATAL_FAILURE(Start());
    const HWND window = windows[0];
    const HWND list = List(0);
    const HWND viewAll = GetDlgItem(window, program::kViewAllId);
    const HWND viewAssociated = GetDlgItem(window, program::kViewAssociatedId);
    ASSERT_EQ(program::Rows(list), ExpectedRows());

    // Profiles that turn up while the window is open appear at the next fill. They are
    // associated, so both views have them, and sort after the current profile.
    const auto add = [&](const char* name) {
        ASSERT_TRUE(store.Install(kBare, name)) << name;
        for (const Monitor& monitor : monitors)
            ASSERT_TRUE(store.Associate(name, monitor.deviceId)) << name;
    };

    ASSERT_NO_FATAL_FAILURE(add(kViewAllAdded));
    wintest::ClickButton(window, program::kViewAllId);
    EXPECT_EQ(Ask(viewAll, BM_GETCHECK), BST_CHECKED);
    EXPECT_EQ(Ask(viewAssociated, BM_GETCHECK), BST_UNCHECKED);
    EXPECT_EQ(program::Rows(list), ExpectedRows());
    EXPECT_GE(program::RowOf(list, "kv-view-all"), 0);
    EXPECT_EQ(program::SelectedText(list), "kv-mild") << "the current profile is selected again";

    ASSERT_NO_FATAL_FAILURE(add(kViewAssociatedAdded));
    wintest::ClickButton(window, program::kViewAssociatedId);
    EXPECT_EQ(Ask(viewAll, BM_GETCHECK), BST_UNCHECKED);
    EXPECT_EQ(Ask(viewAssociated, BM_GETCHECK), BST_CHECKED);
    EXPECT_EQ(program::Rows(list), ExpectedRows());
    EXPECT_GE(program::RowOf(list, "kv-view-associated"), 0);
    EXPECT_EQ(program::SelectedText(list), "kv-mild");

    // Refresh: one profile more, one fewer; the view stays.
    ASSERT_NO_FATAL_FAILURE(add(kRefreshAdded));
    ASSERT_TRUE(store.Remove(kValid));
    wintest::ClickButton(window, program::kRefreshId);
    EXPECT_EQ(program::Rows(list), ExpectedRows());
    EXPECT_GE(program::RowOf(list, "kv-refreshed"), 0);
    EXPECT_EQ(program::RowOf(list, "kv-valid"), -1);
    EXPECT_EQ(program::SelectedText(list), "kv-mild");
    EXPECT_EQ(Ask(viewAssociated, BM_GETCHECK), BST_CHECKED);

    // Each window fills its own list only.
    for (size_t i = 1; i < windows.size(); ++i)
        EXPECT_EQ(program::RowOf(List(i), "kv-refreshed"), -1) << "window " << i;

    // Filling selects without applying.
    EXPECT_EQ(program::CurrentTable(), program::IdentityTable());
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
}

// ---- Size, grip and minimising -----------------------------------------------------

class ProgramLayout : public ProgramTest {
protected:
    // Resizes a window by (dx, dy) from outside, as a drag of its frame would, and waits
    // until it has laid itself out.
    static bool Resize(HWND window, LONG dx, LONG dy)
    {
        const RECT rect = program::WindowRect(window);
        const LONG width = rect.right - rect.left + dx;
        const LONG height = rect.bottom - rect.top + dy;
        SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        const bool resized = program::WaitFor([&] {
            const RECT now = program::WindowRect(window);
            return now.right - now.left == width && now.bottom - now.top == height;
        });
        return resized && program::Send(window, WM_NULL, 0, 0);
    }

    static std::string Name(const Control& control) { return "control " + std::to_string(control.id); }
};

TEST_F(ProgramLayout, ResizingMovesEachControlWithTheEdgesItKeepsTo)
{
    ASSERT_NO_FATAL_FAILURE(Install({kMild}));
    ASSERT_NO_FATAL_FAILURE(Start());
    const HWND window = windows[0];
    const std::vector<Control> before = program::Controls(window);
    const SIZE clientBefore = ClientSize(window);
    const RECT gripBefore = GripOnScreen(window);

    ASSERT_TRUE(Resize(window, 40, 30));
    const SIZE clientAfter = ClientSize(window);
    ASSERT_EQ(clientAfter.cx - clientBefore.cx, 40);
    ASSERT_EQ(clientAfter.cy - clientBefore.cy, 30);

    int unnamed = 0;
    for (const Control& old : before) {
        SCOPED_TRACE(Name(old));
        const RECT now = program::RectIn(old.window, window);
        RECT expected = old.rect;
        switch (old.id) {
        case program::kListId:
            expected.right += 40;
            expected.bottom += 30;
            break;
        case program::kRefreshId:
            expected = Offset(old.rect, 40, 30);
            break;
        case program::kViewAllId:
        case program::kViewAssociatedId:
        case -1:
            unnamed += old.id == -1;
            expected = Offset(old.rect, 0, 30);
            break;
        default:
            break;
        }
        EXPECT_TRUE(program::SameRect(now, expected))
            << "now " << program::Describe(now) << ", expected " << program::Describe(expected);
    }
    EXPECT_EQ(unnamed, 3) << "the group box and the two legends";

    // The grip follows the corner; where it was is plain client area now.
    const RECT grip = GripOnScreen(window);
    EXPECT_EQ(HitTest(window, POINT{grip.left, grip.top}), HTBOTTOMRIGHT);
    EXPECT_EQ(HitTest(window, POINT{grip.right - 1, grip.bottom - 1}), HTBOTTOMRIGHT);
    EXPECT_EQ(HitTest(window, POINT{gripBefore.left, gripBefore.top}), HTCLIENT);

    // Shrinking back puts everything where it was.
    ASSERT_TRUE(Resize(window, -40, -30));
    for (const Control& old : before) {
        SCOPED_TRACE(Name(old));
        const RECT now = program::RectIn(old.window, window);
        EXPECT_TRUE(program::SameRect(now, old.rect))
            << "now " << program::Describe(now) << ", was " << program::Describe(old.rect);
    }
}

TEST_F(ProgramLayout, GripSquareAnswersAsTheBottomRightCorner)
{
    ASSERT_NO_FATAL_FAILURE(Install({kMild}));
    ASSERT_NO_FATAL_FAILURE(Start());
    for (size_t i = 0; i < windows.size(); ++i) {
        SCOPED_TRACE("window " + std::to_string(i));
        const HWND window = windows[i];
        const RECT grip = GripOnScreen(window);
        // Left and top edges belong to the square, right and bottom do not.
        EXPECT_EQ(HitTest(window, POINT{grip.left, grip.top}), HTBOTTOMRIGHT);
        EXPECT_EQ(HitTest(window, POINT{grip.right - 1, grip.top}), HTBOTTOMRIGHT);
        EXPECT_EQ(HitTest(window, POINT{grip.left, grip.bottom - 1}), HTBOTTOMRIGHT);
        EXPECT_EQ(HitTest(window, POINT{(grip.left + grip.right) / 2, (grip.top + grip.bottom) / 2}),
                  HTBOTTOMRIGHT);
        EXPECT_EQ(HitTest(window, POINT{grip.left - 1, grip.top}), HTCLIENT);
        EXPECT_EQ(HitTest(window, POINT{grip.left, grip.top - 1}), HTCLIENT);
        EXPECT_EQ(HitTest(window, POINT{grip.left - 1, grip.bottom - 1}), HTCLIENT);
        // Outside the client area the frame answers as usual.
        const LRESULT beyond = HitTest(window, POINT{grip.right, grip.bottom});
        EXPECT_NE(beyond, HTCLIENT);
    }
}

TEST_F(ProgramLayout, MinimisingAndRestoringMovesNothing)
{
    ASSERT_NO_FATAL_FAILURE(Install({kMild}));
    ASSERT_NO_FATAL_FAILURE(Start());
    const HWND window = windows[0];
    const std::vector<Control> before = program::Controls(window);
    const RECT windowBefore = program::WindowRect(window);

    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(program::WaitFor([&] { return IsIconic(window) != FALSE; })) << "did not minimise";
    ShowWindow(window, SW_RESTORE);
    ASSERT_TRUE(program::WaitFor([&] { return !IsIconic(window); })) << "did not restore";
    ASSERT_TRUE(program::Send(window, WM_NULL, 0, 0));

    EXPECT_TRUE(program::SameRect(program::WindowRect(window), windowBefore));
    for (const Control& old : before) {
        SCOPED_TRACE(Name(old));
        const RECT now = program::RectIn(old.window, window);
        EXPECT_TRUE(program::SameRect(now, old.rect))
            << "now " << program::Describe(now) << ", was " << program::Describe(old.rect);
    }
    // The layout still knows its size: the next resize moves by the change alone.
    ASSERT_TRUE(Resize(window, 40, 30));
    for (const Control& old : before) {
        if (old.id == program::kRefreshId) {
            const RECT now = program::RectIn(old.window, window);
            EXPECT_TRUE(program::SameRect(now, Offset(old.rect, 40, 30))) << program::Describe(now);
        }
    }
}

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

// ---- The resource library ----------------------------------------------------------

// A copy of the program in a folder of its own, with a chosen library named Res.dll
// beside it; removed again at the end.
class ProgramBesideLibrary : public ProgramTest {
protected:
    void TearDown() override
    {
        ProgramTest::TearDown();
        for (const std::string& file : {m_folder + "\\kestrava.exe", m_folder + "\\Res.dll"})
            DeleteFileA(file.c_str());
        RemoveDirectoryA(m_folder.c_str());
    }

    // The copy of the program, with library (a Unix path) beside it as Res.dll.
    std::string CopyWith(const char* library)
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(static_cast<DWORD>(std::size(temp)), temp);
        m_folder = std::string(temp) + "kestrava-library-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(m_folder.c_str(), nullptr);
        const std::string exe = m_folder + "\\kestrava.exe";
        EXPECT_TRUE(CopyFileA(wintest::ProgramExe().c_str(), exe.c_str(), FALSE));
        EXPECT_TRUE(CopyFileA(wintest::WinePath(library).c_str(), (m_folder + "\\Res.dll").c_str(), FALSE));
        return exe;
    }

    std::string m_folder;
};

TEST_F(ProgramBesideLibrary, TranslatedLibraryGivesTheWindowsTheirTexts)
{
    Install({"kv-valid.icm"});
    ASSERT_NO_FATAL_FAILURE(Start(CopyWith(KESTRAVA_RES_DLL)));
    EXPECT_EQ(wintest::ControlText(windows[0], 1001), "alle Monitorprofile");
    EXPECT_EQ(wintest::ControlText(windows[0], 1003), "Aktualisieren");
}

TEST_F(ProgramBesideLibrary, PlantedLibraryRunsNothingAndTheProgramKeepsItsOwnTexts)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(static_cast<DWORD>(std::size(temp)), temp);
    const std::string marker = std::string(temp) + "kestrava-planted-" + std::to_string(GetCurrentProcessId());
    DeleteFileA(marker.c_str());
    SetEnvironmentVariableA("KESTRAVA_PLANTED_MARKER", marker.c_str());

    Install({"kv-valid.icm"});
    Start(CopyWith(KESTRAVA_PLANTED_DLL));
    SetEnvironmentVariableA("KESTRAVA_PLANTED_MARKER", nullptr);
    EXPECT_EQ(GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES) << "the planted library's code ran";
    // It carries none of the program's resources, so the program keeps its own.
    ASSERT_FALSE(windows.empty());
    EXPECT_EQ(wintest::ControlText(windows[0], 1001), "all monitor profiles");
    DeleteFileA(marker.c_str());
}

}  // namespace
