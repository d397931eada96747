// The settings from outside: "Load calibration at logon" and its Run value, "Keep
// calibration loaded" across runs and in any stored form, and the 16-bit and formula
// tables the extended setting lets through. The built kestrava.exe is worked through its
// window menu; the registry and the ramp are read back from this process.
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

using program::DecodedTable;
using program::DeleteValue;
using program::RegistryValue;
using program::kRunKey;
using program::kRunValue;
using program::kSettingsKey;
using program::ReadValue;
using program::WriteString;

class ProgramSettings : public ProgramKeeping {};

TEST_F(ProgramSettings, LoadAtLogonWritesAndRemovesTheRunValueAcrossRestarts)
{
    ASSERT_NO_FATAL_FAILURE(Install({kFirst, kMild}));
    // While keeping is on, logon keeps it from the notification area; off, it loads once.
    const std::string command = "\"" + wintest::ProgramExe() + "\" /tray";
    const std::string loadOnce = "\"" + wintest::ProgramExe() + "\" /load";
    const auto runValueIs = [](const std::string& text) {
        return program::WaitFor([&] {
            const RegistryValue value = ReadValue(kRunKey, kRunValue);
            return value.present && value.type == REG_SZ && lstrcmpiA(value.text.c_str(), text.c_str()) == 0;
        });
    };
    const auto runValueGone = [] {
        return program::WaitFor([] { return !ReadValue(kRunKey, kRunValue).present; });
    };

    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Command(0, kLoadAtLogon));
    EXPECT_TRUE(runValueIs(command)) << "now \"" << ReadValue(kRunKey, kRunValue).text << "\"";

    // A new run finds it on, so the same command turns it off.
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Command(windows.size() - 1, kLoadAtLogon));
    EXPECT_TRUE(runValueGone());

    // Any value of that name is on, whatever it runs (a folder that moved): the command
    // removes it.
    ASSERT_TRUE(WriteString(kRunKey, kRunValue, "\"C:\\elsewhere\\kestrava.exe\" /load"));
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Command(0, kLoadAtLogon));
    EXPECT_TRUE(runValueGone());

    // Turning keeping off and on again rewrites the value in the other form.
    ASSERT_NO_FATAL_FAILURE(Command(0, kLoadAtLogon));
    ASSERT_NO_FATAL_FAILURE(Command(0, kKeepLoaded));
    EXPECT_TRUE(runValueIs(loadOnce)) << "now \"" << ReadValue(kRunKey, kRunValue).text << "\"";
    ASSERT_NO_FATAL_FAILURE(Command(0, kKeepLoaded));
    EXPECT_TRUE(runValueIs(command)) << "now \"" << ReadValue(kRunKey, kRunValue).text << "\"";
    ASSERT_NO_FATAL_FAILURE(Command(0, kLoadAtLogon));
    EXPECT_TRUE(runValueGone());
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
}

// Turned off in Windows' own startup switch (first byte odd), the entry shows unticked:
// the command ticks it, which writes the Run value and turns the switch on again.
TEST_F(ProgramSettings, LoadAtLogonSwitchedOffByWindowsIsOffAndTickingSwitchesItOn)
{
    ASSERT_NO_FATAL_FAILURE(Install({kFirst, kMild}));
    const std::string command = "\"" + wintest::ProgramExe() + "\" /tray";
    ASSERT_TRUE(WriteString(kRunKey, kRunValue, command));
    const BYTE disabled[12] = {0x03};
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, program::kStartupApprovedKey, kRunValue, REG_BINARY, disabled,
                              sizeof disabled),
              ERROR_SUCCESS);
    const auto switchedOn = [] {
        BYTE data[64] = {};
        DWORD size = sizeof data;
        const LSTATUS status = RegGetValueA(HKEY_CURRENT_USER, program::kStartupApprovedKey, kRunValue,
                                            RRF_RT_REG_BINARY, nullptr, data, &size);
        return status == ERROR_FILE_NOT_FOUND || (status == ERROR_SUCCESS && size > 0 && (data[0] & 1) == 0);
    };

    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Command(0, kLoadAtLogon));
    EXPECT_TRUE(program::WaitFor(
        [&] { return switchedOn() && lstrcmpiA(ReadValue(kRunKey, kRunValue).text.c_str(), command.c_str()) == 0; }))
        << "now \"" << ReadValue(kRunKey, kRunValue).text << "\"";
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
}

TEST_F(ProgramSettings, KeepLoadedOffOutlivesTheRunAndAStringCountsAsOn)
{
    ASSERT_NO_FATAL_FAILURE(Install({kFirst, kMild}));
    const std::vector<BYTE> mild = Table(kMild);

    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Command(0, kKeepLoaded));
    EXPECT_TRUE(program::WaitFor([] {
        const RegistryValue value = ReadValue(kSettingsKey, "KeepLoaded");
        return value.present && value.type == REG_DWORD && value.number == 0;
    }));

    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Select(0, kMild, mild));
    ASSERT_TRUE(program::WriteIdentityRamp());
    EXPECT_TRUE(RampStays(program::IdentityTable(), kKeepPromise + 1s)) << "the setting did not outlive the run";

    // A string where the number belongs is taken for no setting at all: on.
    app.reset();
    ASSERT_TRUE(WriteString(kSettingsKey, "KeepLoaded", "0"));
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Select(0, kMild, mild));
    ASSERT_TRUE(program::WriteIdentityRamp());
    EXPECT_TRUE(WaitForRamp(mild, kKeepPromise)) << "not kept with a string setting; " << app->OpenReports();
    EXPECT_TRUE(app->IsRunning());
}

// ---- Tables of other forms -------------------------------------------------------------

using profiles::k1024;            // 16-bit, 1024 entries: resampled
const char* const kMono = profiles::k16BitMono;      // 16-bit, one channel for all three
const char* const kFormula = profiles::kFormula22;    // gamma 2.2
const char* const kDark16 = profiles::k16BitDark;    // refused as too dark (-2, report 215)
using profiles::kBadCount;    // count and size disagree (24, report 214)

class ProgramExtendedTables : public ProgramKeeping {
protected:
    // Clicks a row that the program refuses and checks that the report names the profile
    // and the monitor; the reasons' words are the calibration load's.
    void SelectRefused(const char* file)
    {
        const HWND list = List(0);
        const std::string stem = std::string(file).substr(0, std::string(file).rfind('.'));
        ASSERT_TRUE(program::ClickRow(list, program::RowOf(list, stem))) << stem;
        const HWND report = app->WaitForReport();
        ASSERT_NE(report, nullptr) << stem << ": no report";
        const std::string message = wintest::ControlText(report, program::kReportMessageId);
        EXPECT_NE(message.find("\"" + stem + "\""), std::string::npos) << message;
        EXPECT_NE(message.find(monitors[0].deviceString), std::string::npos) << message;
        wintest::ClickButton(report, IDOK);
        ASSERT_TRUE(wintest::WaitUntilGone(report));
    }
};

TEST_F(ProgramExtendedTables, OffTheyAreRefusedAsToldOnTheyLoadAndTheSettingOutlivesTheRun)
{
    ASSERT_NO_FATAL_FAILURE(Install({k1024, kMono, kFormula, kDark16, kBadCount, kMild}));
    const std::vector<BYTE> mild = Table(kMild);
    const std::vector<BYTE> resampled = DecodedTable(store.PathOf(k1024));
    const std::vector<BYTE> mono = DecodedTable(store.PathOf(kMono));
    const std::vector<BYTE> formula = DecodedTable(store.PathOf(kFormula));
    ASSERT_EQ(resampled.size(), 768u);
    ASSERT_EQ(mono.size(), 768u);
    ASSERT_EQ(formula.size(), 768u);

    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Select(0, kMild, mild));
    // Off, as when nothing was ever set: the length is refused (211) and the ramp stays.
    ASSERT_NO_FATAL_FAILURE(SelectRefused(k1024));
    EXPECT_EQ(program::CurrentTable(), mild);

    ASSERT_NO_FATAL_FAILURE(Command(0, kExtendedTables));
    EXPECT_TRUE(program::WaitFor([] {
        const RegistryValue value = ReadValue(kSettingsKey, "ExtendedTables");
        return value.present && value.type == REG_DWORD && value.number == 1;
    }));
    ASSERT_NO_FATAL_FAILURE(Select(0, kMono, mono));
    ASSERT_NO_FATAL_FAILURE(Select(0, kFormula, formula));
    ASSERT_NO_FATAL_FAILURE(Select(0, k1024, resampled));
    ASSERT_NO_FATAL_FAILURE(SelectRefused(kDark16));
    ASSERT_NO_FATAL_FAILURE(SelectRefused(kBadCount));
    EXPECT_EQ(program::CurrentTable(), resampled) << "a refused table reached the ramp";

    // A new run reads the setting back: the logon load takes the first listed profile,
    // kv-1024, as every monitor's current one.
    app.reset();
    ASSERT_TRUE(program::WriteIdentityRamp());
    EXPECT_EQ(RunWithoutWindows("/load"), 0u);
    EXPECT_EQ(program::CurrentTable(), resampled);
}

}  // namespace
