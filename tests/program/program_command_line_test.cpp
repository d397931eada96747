// The command line from outside: /load loads each monitor's current calibration with
// no window, /quiet keeps its failures to the exit code, and anything else shows how to
// use the program. The built kestrava.exe runs in the test bed's prefix; the ramp and
// the colour store are read back from this process.
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

constexpr DWORD kTooDarkExit = 0xFFFFFFFEu;   // -2
constexpr DWORD kInvalidParameter = 87;
constexpr UINT kUsageId = 1017;

class ProgramLoadSwitch : public ProgramKeeping {};

TEST_F(ProgramLoadSwitch, LoadsEachCurrentTableWithoutAWindowAndLeavesMonitorsWithoutOne)
{
    ASSERT_NO_FATAL_FAILURE(Install({kMild, kValid}));
    ASSERT_NO_FATAL_FAILURE(MakeCurrent(kMild));
    ASSERT_EQ(program::FirstProfileOf(monitors[0].deviceId), kMild) << "kv-mild is not the current profile";
    const std::vector<BYTE> mild = Table(kMild);

    for (const char* arguments : {"/load", "-LOAD", "/Load /quiet", "\"/load\""}) {
        SCOPED_TRACE(arguments);
        ASSERT_TRUE(program::WriteIdentityRamp());
        EXPECT_EQ(RunWithoutWindows(arguments), 0u);
        EXPECT_EQ(program::CurrentTable(), mild) << "the current profile's table is not in the ramp";
        for (const Monitor& monitor : monitors)
            EXPECT_EQ(program::FirstProfileOf(monitor.deviceId), kMild) << "the load changed an association";
    }

    // A current profile without a calibration tag leaves the ramp as it is, silently.
    ASSERT_TRUE(store.Remove(kMild));
    ASSERT_TRUE(store.Install(kNoCalibration));
    ASSERT_EQ(program::FirstProfileOf(monitors[0].deviceId), kNoCalibration);
    ASSERT_TRUE(program::WriteIdentityRamp());
    EXPECT_EQ(RunWithoutWindows("/load"), 0u);
    EXPECT_EQ(program::CurrentTable(), program::IdentityTable());

}

TEST_F(ProgramLoadSwitch, ProfileNamedButNotThereCountsAsNoCurrentProfile)
{
    // Deleted since it was chosen: Wine still names it by its association.
    ASSERT_NO_FATAL_FAILURE(Install({kMild, kValid}));
    ASSERT_NO_FATAL_FAILURE(MakeCurrent(kMild));
    ASSERT_TRUE(store.ParkEverything());
    EXPECT_EQ(RunWithoutWindows("/load"), 0u) << app->OpenReports();

    // Never chosen, with no file in the store: Wine names its default sRGB profile.
    store.RestoreParked();
    ForgetEveryTestProfile();
    ASSERT_TRUE(store.ParkEverything());
    EXPECT_EQ(RunWithoutWindows("/load"), 0u) << app->OpenReports();
    EXPECT_EQ(program::CurrentTable(), program::IdentityTable());
}

TEST_F(ProgramLoadSwitch, TooDarkTableEndsWithMinusTwoAndOneReportPerMonitorUnlessQuiet)
{
    ASSERT_NO_FATAL_FAILURE(Install({kTooDark, kMild}));
    ASSERT_NO_FATAL_FAILURE(MakeCurrent(kTooDark));

    ASSERT_NO_FATAL_FAILURE(Launch({}, "/load"));
    for (const Monitor& monitor : monitors) {
        SCOPED_TRACE("the report for " + monitor.adapter);
        const HWND report = app->WaitForReport();
        ASSERT_NE(report, nullptr) << "no report";
        // It names the profile and the monitor; its words are the logon load's.
        const std::string message = wintest::ControlText(report, program::kReportMessageId);
        EXPECT_NE(message.find("\"kv-green16383\""), std::string::npos) << message;
        EXPECT_NE(message.find("\"" + monitor.deviceString + "\""), std::string::npos) << message;
        EXPECT_EQ(app->Reports().size(), 1u) << app->OpenReports();
        EXPECT_TRUE(app->MonitorWindows().empty());
        wintest::ClickButton(report, IDOK);
        ASSERT_TRUE(wintest::WaitUntilGone(report));
    }
    DWORD code = 0;
    ASSERT_TRUE(app->WaitForExit(code)) << "still running after the reports; " << app->OpenReports();
    EXPECT_EQ(code, kTooDarkExit);
    EXPECT_EQ(program::CurrentTable(), program::IdentityTable());

    EXPECT_EQ(RunWithoutWindows("/load /quiet"), kTooDarkExit);
    EXPECT_EQ(RunWithoutWindows("-quiet -load"), kTooDarkExit);
    EXPECT_EQ(program::CurrentTable(), program::IdentityTable());
}

TEST_F(ProgramLoadSwitch, UsageShowsWhenAskedAndForAnythingElseAndOpensNoWindow)
{
    ASSERT_NO_FATAL_FAILURE(Install({kMild}));
    struct Case {
        const char* arguments;
        DWORD exitCode;
    };
    for (const Case& run : {Case{"/?", 0}, Case{"-?", 0}, Case{"/bogus", kInvalidParameter},
                            Case{"/load garbage", kInvalidParameter}, Case{"/quiet", kInvalidParameter}}) {
        SCOPED_TRACE(run.arguments);
        ASSERT_NO_FATAL_FAILURE(Launch({}, run.arguments));
        HWND box = nullptr;
        EXPECT_EQ(WaitForMessageBox(&box), ResourceText(kUsageId));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(wintest::WindowText(box), program::kProgramCaption);
        EXPECT_TRUE(app->MonitorWindows().empty());
        wintest::ClickButton(box, IDOK);
        DWORD code = 1234;
        ASSERT_TRUE(app->WaitForExit(code)) << "still running after OK";
        EXPECT_EQ(code, run.exitCode);
    }
    // With /load, quiet is quiet even about how to use it.
    EXPECT_EQ(RunWithoutWindows("/load /quiet /bogus"), kInvalidParameter);
    EXPECT_EQ(program::CurrentTable(), program::IdentityTable()) << "the usage loaded a calibration";
}

}  // namespace
