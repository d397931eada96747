// The monitor windows as a user meets them from the start: one centred window per
// monitor listing every installed profile with the current one preselected, a selection
// applied once, and the view buttons and Refresh. The built kestrava.exe runs for every
// test on a colour directory the test fills, and is worked from outside through window
// messages only; what it did is read back from its windows, the colour store and the X
// server's gamma ramp. A screenshot of both windows is tools/run.sh's job.
#include "res/resource.h"
#include "support/program_fixture.h"
#include "support/test_profiles.h"
#include "support/win_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace programtest;
using program::Ask;
using program::Control;
using program::Monitor;

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
        // The program's own message for an empty store, with the failed call's code and place.
        EXPECT_EQ(wintest::ControlText(report, program::kReportMessageId), ResourceText(IDS_NO_MONITOR_PROFILES));
        EXPECT_NE(wintest::ControlText(report, program::kReportFileLineId), "");
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
    // It names the profile and the monitor; its words are the calibration load's.
    const std::string message = wintest::ControlText(report, program::kReportMessageId);
    EXPECT_NE(message.find("\"kv-novcgt\""), std::string::npos) << message;
    EXPECT_NE(message.find("\"" + monitors[0].deviceString + "\""), std::string::npos) << message;
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

    // A good profile after it applies.
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

}  // namespace
