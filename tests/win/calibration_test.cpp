// The calibration download on the real platform: Wine's colour store and the X
// server's gamma ramp.
#include "cms/CMSSupport.h"
#include "cms/calibration_check.h"
#include "cms/monitor_strings.h"
#include "report/report.h"
#include "support/program_driver.h"
#include "support/recording_presenter.h"
#include "support/test_profiles.h"
#include "support/win_test_util.h"

#include <gtest/gtest.h>

#include <icm.h>

#include <cstring>
#include <vector>

namespace {

using program::ReadRamp;
using program::Ramp;

HMONITOR MonitorOfAdapter(const char* adapter)
{
    struct Search {
        const char* adapter;
        HMONITOR found;
    } search{adapter, nullptr};
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            MONITORINFOEXA info{};
            info.cbSize = sizeof info;
            if (GetMonitorInfoA(monitor, &info) && lstrcmpA(info.szDevice, s->adapter) == 0) {
                s->found = monitor;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class WineCalibrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        monitor = MonitorOfAdapter("\\\\.\\DISPLAY1");
        ASSERT_NE(monitor, nullptr) << "the test bed shows no \\\\.\\DISPLAY1";
        ASSERT_EQ(GetMonitorStrings(reinterpret_cast<MonitorHandle>(monitor), nullptr, &deviceId, nullptr, nullptr, 1), 0);

        char directory[MAX_PATH] = {};
        DWORD size = sizeof directory;
        ASSERT_TRUE(GetColorDirectoryA(nullptr, directory, &size));
        colorDirectory = directory;
        ForgetEarlierAssociations();
        WriteIdentity();
        ASSERT_TRUE(ReadRamp(original));
    }

    void TearDown() override { WriteIdentity(); }

    // The store lives in the prefix and outlasts a run: start every test with no
    // associations to this device, so the profile a test makes default is the only one.
    void ForgetEarlierAssociations()
    {
        WIN32_FIND_DATAA found{};
        HANDLE search = FindFirstFileA((colorDirectory + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return;
        do {
            std::string path = colorDirectory + "\\" + found.cFileName;
            DisassociateColorProfileFromDeviceA(nullptr, path.c_str(), deviceId.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }

    // Installs a generated profile and makes sure it starts out unassociated.
    std::string Install(const std::string& name)
    {
        std::string source = wintest::ProfileDir() + "\\" + name;
        std::string target = colorDirectory + "\\" + name;
        EXPECT_TRUE(CopyFileA(source.c_str(), target.c_str(), FALSE)) << source << " " << GetLastError();
        DisassociateColorProfileFromDeviceA(nullptr, target.c_str(), deviceId.c_str());
        return target;
    }

    static void WriteIdentity() { program::WriteIdentityRamp(); }

    // The X server keeps 8 bits per channel: compare the high bytes only.
    static void ExpectRampIsTable(const Ramp& ramp, const std::vector<BYTE>& table)
    {
        ASSERT_EQ(table.size(), 768u) << "the profile has no readable table";
        EXPECT_EQ(program::HighBytes(ramp), table);
    }

    static bool SameRamp(const Ramp& a, const Ramp& b) { return memcmp(&a, &b, sizeof a) == 0; }

    MonitorHandle Monitor() const { return reinterpret_cast<MonitorHandle>(monitor); }

    HMONITOR monitor = nullptr;
    std::string deviceId;
    std::string colorDirectory;
    Ramp original{};
    RecordingPresenter recorder;
    int32_t messageId = -1;
};

TEST_F(WineCalibrationTest, ValidTableBecomesDefaultAndReachesTheXServer)
{
    const std::string path = Install(profiles::kMild);
    EXPECT_EQ(SetDefaultProfile(Monitor(), path.c_str(), 1, messageId), 0);
    EXPECT_EQ(messageId, 0);
    EXPECT_TRUE(recorder.reports.empty());

    wintest::DcOwner dc(CreateDCA("\\\\.\\DISPLAY1", "\\\\.\\DISPLAY1", nullptr, nullptr));
    char current[MAX_PATH] = {};
    DWORD size = sizeof current;
    ASSERT_TRUE(GetICMProfileA(dc.Get(), &size, current));
    EXPECT_EQ(lstrcmpiA(current, path.c_str()), 0) << current;

    Ramp ramp{};
    ASSERT_TRUE(ReadRamp(ramp));
    EXPECT_FALSE(SameRamp(ramp, original));
    ExpectRampIsTable(ramp, program::CalibrationTable(path));
}

TEST_F(WineCalibrationTest, ProfileWithoutCalibrationIsAssociatedButLeavesTheRamp)
{
    const std::string path = Install(profiles::kNoCalibration);
    EXPECT_EQ(SetDefaultProfile(Monitor(), path.c_str(), 1, messageId), 1168);
    EXPECT_EQ(messageId, 210);
    Ramp ramp{};
    ASSERT_TRUE(ReadRamp(ramp));
    EXPECT_TRUE(SameRamp(ramp, original));
}

TEST_F(WineCalibrationTest, SixteenBitTableHasTheWrongLength)
{
    const std::string path = Install(profiles::k16Bit);
    EXPECT_EQ(SetDefaultProfile(Monitor(), path.c_str(), 1, messageId), 24);
    EXPECT_EQ(messageId, 211);
}

TEST_F(WineCalibrationTest, GreenSumDecidesWhetherTheTableIsWritten)
{
    const std::string dark = Install(profiles::kTooDark);
    EXPECT_EQ(SetDefaultProfile(Monitor(), dark.c_str(), 1, messageId), -2);
    EXPECT_EQ(messageId, 215);
    Ramp ramp{};
    ASSERT_TRUE(ReadRamp(ramp));
    EXPECT_TRUE(SameRamp(ramp, original));

    const std::string enough = Install(profiles::kGreen);
    EXPECT_EQ(SetDefaultProfile(Monitor(), enough.c_str(), 1, messageId), 0);
    EXPECT_EQ(messageId, 0);
    ASSERT_TRUE(ReadRamp(ramp));
    ExpectRampIsTable(ramp, program::CalibrationTable(enough));
}

TEST_F(WineCalibrationTest, RampTheServerRefusesGives87WithoutReport)
{
    // Wine refuses a flat ramp and leaves the last error alone; the ramp read back is
    // still the old one, so the table did not arrive. A stale code is not taken for it.
    const std::string path = Install(profiles::kAll255);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(SetDefaultProfile(Monitor(), path.c_str(), 1, messageId), 87);
    EXPECT_EQ(messageId, 216);
    EXPECT_TRUE(recorder.reports.empty());
    Ramp ramp{};
    ASSERT_TRUE(ReadRamp(ramp));
    EXPECT_TRUE(SameRamp(ramp, original));

    // Red and blue flat at zero: refused the same way.
    const std::string dark = Install(profiles::kRedBlue0);
    EXPECT_EQ(LoadCalibration(Monitor(), dark.c_str(), messageId), 87);
    EXPECT_EQ(messageId, 216);
    ASSERT_TRUE(ReadRamp(ramp));
    EXPECT_TRUE(SameRamp(ramp, original));

    // A plausible table after them is written.
    const std::string mild = Install(profiles::kMild);
    EXPECT_EQ(LoadCalibration(Monitor(), mild.c_str(), messageId), 0);
    EXPECT_EQ(messageId, 0);
    ASSERT_TRUE(ReadRamp(ramp));
    ExpectRampIsTable(ramp, program::CalibrationTable(mild));
    EXPECT_TRUE(recorder.reports.empty());
}

TEST_F(WineCalibrationTest, DamagedFileIsNeverDownloaded)
{
    // Wine's store refuses to associate a file that is no profile; the load on its own
    // gets no further than the open (which fails there without a code) and the tag test.
    const std::string path = Install(profiles::kGarbage);
    EXPECT_EQ(SetDefaultProfile(Monitor(), path.c_str(), 1, messageId), 2015);
    ASSERT_EQ(recorder.reports.size(), 1u);
    EXPECT_EQ(recorder.reports[0].fileLineText, "Error 2015 (CMSSupport 393)");
    EXPECT_NE(LoadCalibration(Monitor(), path.c_str(), messageId), 0);
    EXPECT_TRUE(messageId == 209 || messageId == 210) << messageId;
    Ramp ramp{};
    ASSERT_TRUE(ReadRamp(ramp));
    EXPECT_TRUE(SameRamp(ramp, original));
}

// ---- Tables and formulas of other forms, once the setting asks for them ---------------------

class WineExtendedTest : public WineCalibrationTest {
protected:
    bool extended = true;   // the user's setting, as the program hands it down

    // What the decoder makes of the profile, as the X server keeps it: the high bytes.
    static std::vector<BYTE> DecodedTable(const std::string& path)
    {
        const CalibrationDiagnosis diagnosis = DiagnoseProfile(path.c_str(), true);
        EXPECT_EQ(diagnosis.verdict, CalibrationVerdict::Loads);
        Ramp ramp{};
        std::memcpy(ramp.values[0], diagnosis.hardware.red, sizeof ramp.values[0]);
        std::memcpy(ramp.values[1], diagnosis.hardware.green, sizeof ramp.values[1]);
        std::memcpy(ramp.values[2], diagnosis.hardware.blue, sizeof ramp.values[2]);
        return program::HighBytes(ramp);
    }
};

// The decoder's ramps are proven against LittleCMS on the host; here the X server takes
// them, through Wine's own check of what a gamma ramp may be.
TEST_F(WineExtendedTest, EveryFormLoadsAndReachesTheXServer)
{
    for (const char* name : {profiles::k16Bit, profiles::k16BitMono, profiles::k1024, profiles::kFormula,
                             profiles::kFormula22, profiles::kMild}) {
        SCOPED_TRACE(name);
        const std::string path = Install(name);
        EXPECT_EQ(SetDefaultProfile(Monitor(), path.c_str(), 1, messageId, extended), 0);
        EXPECT_EQ(messageId, 0);
        Ramp ramp{};
        ASSERT_TRUE(ReadRamp(ramp));
        EXPECT_EQ(program::HighBytes(ramp), DecodedTable(path));
        WriteIdentity();
    }
    EXPECT_TRUE(recorder.reports.empty());
}

TEST_F(WineExtendedTest, TooDarkOrMiscountedTablesLeaveTheRamp)
{
    const std::string dark = Install(profiles::k16BitDark);
    EXPECT_EQ(SetDefaultProfile(Monitor(), dark.c_str(), 1, messageId, extended), -2);
    EXPECT_EQ(messageId, 215);
    const std::string miscounted = Install(profiles::kBadCount);
    EXPECT_EQ(SetDefaultProfile(Monitor(), miscounted.c_str(), 1, messageId, extended), 24);
    EXPECT_EQ(messageId, 214);
    Ramp ramp{};
    ASSERT_TRUE(ReadRamp(ramp));
    EXPECT_TRUE(SameRamp(ramp, original));

    // Turned off, the same tables are refused for their length alone.
    extended = false;
    const std::string mono = Install(profiles::k16BitMono);
    EXPECT_EQ(SetDefaultProfile(Monitor(), mono.c_str(), 1, messageId, extended), 24);
    EXPECT_EQ(messageId, 211);
    ASSERT_TRUE(ReadRamp(ramp));
    EXPECT_TRUE(SameRamp(ramp, original));
    EXPECT_TRUE(recorder.reports.empty());
}

}  // namespace
