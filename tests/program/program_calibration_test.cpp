// Kestrava from outside where the colour store or the X server turns it down: a
// calibration table the server refuses, and a profile whose name the ANSI code page
// cannot hold. The built kestrava.exe is worked through window messages only.
#include "support/program_fixture.h"
#include "support/test_profiles.h"
#include "support/win_test_util.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using profiles::kAll255;
using profiles::kMild;
using profiles::kValid;
// Katakana "purofairu": no character of it is in code page 1252, the prefix's.
const wchar_t* const kOddName = L"\u30D7\u30ED\u30D5\u30A1\u30A4\u30EB.icm";
// The same name as the program's reports show it.
const char* const kOddNameShown = "<U+30D7><U+30ED><U+30D5><U+30A1><U+30A4><U+30EB>.icm";

class ProgramRefusals : public program::ProgramFixture {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ProgramFixture::SetUp());
        // An earlier run may have stopped halfway: its odd file and its association
        // (which Wine forgets only while the file is there) go first.
        store.RestoreParked();
        RemoveOddProfile();
        ASSERT_TRUE(store.Install(kAll255));
        ForgetAssociations();
        store.RemoveTestProfiles();
        ASSERT_TRUE(program::WriteIdentityRamp());
    }

    void TearDown() override
    {
        app.reset();
        RemoveOddProfile();
        ForgetAssociations();
        store.RemoveTestProfiles();
        program::WriteIdentityRamp();
    }

    std::wstring OddPath() const
    {
        const std::string directory = store.PathOf("");
        return std::wstring(directory.begin(), directory.end()) + kOddName;
    }

    void RemoveOddProfile() { DeleteFileW(OddPath().c_str()); }

    // The text as given: the report breaks a word too long for its box with "\r\n".
    static std::string Unwrapped(std::string text)
    {
        for (size_t at; (at = text.find("\r\n")) != std::string::npos;)
            text.erase(at, 2);
        return text;
    }

    // Waits for the one open report, checks that its message names each of the given,
    // and closes it with OK. The message's words are the reporting code's.
    void ExpectReportAndClose(const std::vector<std::string>& named)
    {
        const HWND report = app->WaitForReport();
        ASSERT_NE(report, nullptr) << "no report";
        const std::string message = Unwrapped(wintest::ControlText(report, program::kReportMessageId));
        for (const std::string& name : named)
            EXPECT_NE(message.find(name), std::string::npos) << name << " not in: " << message;
        EXPECT_EQ(app->Reports().size(), 1u) << app->OpenReports();
        wintest::ClickButton(report, IDOK);
        ASSERT_TRUE(wintest::WaitUntilGone(report)) << "OK did not close the report";
    }
};

TEST_F(ProgramRefusals, TableTheServerRefusesIsReportedWith87AndLeavesTheRamp)
{
    ASSERT_NO_FATAL_FAILURE(Install({kAll255, kMild}));
    for (const program::Monitor& monitor : monitors)
        ASSERT_TRUE(store.Associate(kAll255, monitor.deviceId));
    const std::vector<BYTE> mild = program::CalibrationTable(store.PathOf(kMild));
    ASSERT_EQ(mild.size(), 768u);

    ASSERT_NO_FATAL_FAILURE(Launch());
    windows = app->WaitForMonitorWindows(monitors.size());
    ASSERT_EQ(windows.size(), monitors.size()) << app->OpenReports();
    const HWND list = List(0);

    // Another table first, so that "unchanged" means something other than the identity.
    ASSERT_TRUE(program::ClickRow(list, program::RowOf(list, "kv-mild")));
    ASSERT_TRUE(program::WaitFor([&] { return program::CurrentTable() == mild || app->FindReport(); }))
        << app->OpenReports();
    ASSERT_EQ(app->FindReport(), nullptr) << app->OpenReports();

    ASSERT_TRUE(program::ClickRow(list, program::RowOf(list, "kv-all255")));
    // The report names the profile, the monitor and the code the X server refused with.
    ASSERT_NO_FATAL_FAILURE(ExpectReportAndClose({"\"kv-all255\"", "\"" + monitors[0].deviceString + "\"", "(87)"}));
    EXPECT_EQ(program::CurrentTable(), mild) << "the refused table reached the ramp";
    EXPECT_EQ(program::SelectedText(list), "kv-all255");
    ASSERT_TRUE(program::Flush(list));
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
}

TEST_F(ProgramRefusals, ProfileWithAnOddNameIsReportedOnceAndTheOthersListed)
{
    ASSERT_NO_FATAL_FAILURE(Install({kValid, kMild}));
    const std::string source = wintest::ProfileDir() + "\\" + kValid;
    ASSERT_TRUE(CopyFileW(std::wstring(source.begin(), source.end()).c_str(), OddPath().c_str(), FALSE))
        << GetLastError();

    // The report names the file as the program shows a name the code page cannot hold.
    const std::vector<std::string> oddReport = {store.PathOf(kOddNameShown)};

    // Wine lists every profile for any device, so each window's own list at start-up
    // meets the odd file too.
    ASSERT_NO_FATAL_FAILURE(Launch());
    for (size_t i = 0; i < monitors.size(); ++i) {
        SCOPED_TRACE("while building the window of " + monitors[i].adapter);
        ASSERT_NO_FATAL_FAILURE(ExpectReportAndClose(oddReport));
    }
    windows = app->WaitForMonitorWindows(monitors.size());
    ASSERT_EQ(windows.size(), monitors.size()) << app->OpenReports();

    const HWND window = windows[0];
    const HWND list = List(0);
    const auto expectValidRows = [&] {
        EXPECT_GE(program::RowOf(list, "kv-valid"), 0);
        EXPECT_GE(program::RowOf(list, "kv-mild"), 0);
        for (const std::string& row : program::Rows(list))
            EXPECT_EQ(row.find('?'), std::string::npos) << row;
    };
    expectValidRows();

    // The view of every monitor profile: its own fill, its own single report.
    ASSERT_TRUE(PostMessageW(GetDlgItem(window, program::kViewAllId), BM_CLICK, 0, 0));
    ASSERT_NO_FATAL_FAILURE(ExpectReportAndClose(oddReport));
    ASSERT_TRUE(program::Flush(list));
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
    EXPECT_EQ(program::Ask(GetDlgItem(window, program::kViewAllId), BM_GETCHECK), BST_CHECKED);
    expectValidRows();
}

}  // namespace
