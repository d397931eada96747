// The load of each monitor's current calibration without a window: at logon (/load),
// and for a monitor that comes back.
#include "cms/CMSSupport.h"
#include "cms/calibration_check.h"
#include "cms/current_calibration.h"
#include "res/resource.h"

#include "support/host_test.h"
#include "support/test_profiles.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

class CurrentLoadTest : public StandardMonitorTest {
protected:
    // Adds a second monitor and makes the profiles the current ones of the first and
    // the second.
    void MakeCurrent(const std::string& first, const std::string& second)
    {
        MonitorStrings names;
        ASSERT_EQ(GetMonitorStrings(sim.AddStandardMonitor(), names, 1), 0);
        secondDeviceId = names.deviceId;
        Install(first);
        Install(second);
        sim.Associations(deviceId) = {first};
        sim.Associations(secondDeviceId) = {second};
    }

    std::string secondDeviceId;

    // The ramp that kv-mild downloads.
    GammaRamp MildRamp()
    {
        const CalibrationDiagnosis mild = DiagnoseProfile(Install(profiles::kMild).c_str());
        EXPECT_EQ(mild.verdict, CalibrationVerdict::Loads);
        return mild.ramp;
    }
};

// ---- The logon load ----------------------------------------------------------------------

TEST_F(CurrentLoadTest, LogonLoadDownloadsEachCurrentProfileAndSkipsWhatHasNoTable)
{
    ASSERT_NO_FATAL_FAILURE(MakeCurrent(profiles::kMild, profiles::kNoCalibration));
    const GammaRamp mild = DiagnoseProfile(ColorPath(profiles::kMild).c_str()).ramp;

    EXPECT_EQ(LoadCurrentCalibrations(false, false), 0);
    EXPECT_TRUE(Holds(sim.Ramp(adapter), mild));
    EXPECT_EQ(sim.RampWrites(), 1) << "the profile without a table wrote something";
    EXPECT_TRUE(reports.empty());
    // Associations are read, never changed.
    EXPECT_EQ(sim.Associations(deviceId), std::vector<std::string>{profiles::kMild});
}

TEST_F(CurrentLoadTest, LogonLoadReportsEachFailureUnlessQuietAndReturnsTheFirst)
{
    ASSERT_NO_FATAL_FAILURE(MakeCurrent(profiles::kTooDark, profiles::kBadSize));

    EXPECT_EQ(LoadCurrentCalibrations(true, false), kResultImplausibleTable);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(sim.RampWrites(), 0);

    EXPECT_EQ(LoadCurrentCalibrations(false, false), kResultImplausibleTable);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].messageText,
              "Sorry, the calibration data in the profile \"kv-green16383\" for monitor \"Simulated Monitor 1\" "
              "appears to be bad and will not be downloaded to the video card. Please select another profile. (-2)");
    EXPECT_NE(reports[1].messageText.find("\"kv-badsize\" for monitor \"Simulated Monitor 2\""), std::string::npos);

    // A profile that is named but cannot be read is a failure like any other.
    reports.clear();
    Install(profiles::kGarbage);
    sim.Associations(deviceId) = {profiles::kGarbage};
    EXPECT_NE(LoadCurrentCalibrations(false, false), 0);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(reports[0].messageText.find("\"kv-garbage\""), std::string::npos) << reports[0].messageText;
}

TEST_F(CurrentLoadTest, LogonLoadTakesANamedProfileThatIsNotThereForNone)
{
    // A profile deleted since it was made the default, or the system's default name
    // where the store holds no such file: the monitor has no current profile.
    const MonitorHandle second = sim.AddStandardMonitor();
    MonitorStrings names;
    ASSERT_EQ(GetMonitorStrings(second, names, 1), 0);
    const GammaRamp mild = MildRamp();
    sim.Associations(deviceId) = {"kv-gone.icm"};
    sim.Associations(names.deviceId) = {profiles::kMild};

    EXPECT_EQ(LoadCurrentCalibrations(false, false), 0);
    EXPECT_TRUE(reports.empty()) << reports[0].messageText;
    EXPECT_EQ(sim.RampWrites(), 1);
    EXPECT_TRUE(Holds(sim.Ramp(names.adapterName), mild)) << "the monitor after the missing one was skipped";
}

TEST_F(CurrentLoadTest, QuietLogonLoadShowsNotEvenTheVideoCardsOwnReport)
{
    Install(profiles::kMild);
    sim.Associations(deviceId) = {profiles::kMild};

    sim.Fail(SimCall::SetDeviceGammaRamp, 31);
    EXPECT_EQ(LoadCurrentCalibrations(true, false), 31);
    EXPECT_TRUE(reports.empty()) << reports[0].messageText;

    // Quiet lasts as long as the load: afterwards reports show again.
    sim.Fail(SimCall::SetDeviceGammaRamp, 31);
    EXPECT_EQ(LoadCurrentCalibrations(false, false), 31);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(reports[1].messageText.find("(31)"), std::string::npos) << reports[1].messageText;
}

// ---- A monitor that came back ---------------------------------------------------------

TEST_F(CurrentLoadTest, LoadsTheCurrentProfilesTableOrLeavesTheMonitorSilently)
{
    Install(profiles::kNoCalibration);
    Install(profiles::kMild);
    // The standard monitor, back on the desktop under a new handle.
    sim.RemoveMonitor(monitor);
    const MonitorHandle back = sim.AddMonitor(SimMonitor{{0, 0, 1920, 1080}, {0, 0, 1920, 1080}, adapter, true});
    const auto same = [](const HardwareRamp& a, const HardwareRamp& b) { return std::memcmp(&a, &b, sizeof a) == 0; };
    struct Case {
        const char* name;
        std::vector<std::string> associated;
        bool hdr;
        bool loads;
    };
    const Case cases[] = {
        {"NoCurrentProfile", {}, false, false},
        {"NoTable", {profiles::kNoCalibration}, false, false},
        {"HDR", {profiles::kMild}, true, false},
        {"Loads", {profiles::kMild}, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim.Associations(deviceId) = c.associated;
        sim.SetHdr(adapter, c.hdr);
        std::string path;
        LoadedRamp loaded;
        bool didLoad = !c.loads;
        EXPECT_EQ(LoadCurrentCalibration(back, false, path, loaded, didLoad), 0);
        EXPECT_EQ(didLoad, c.loads);
        EXPECT_EQ(sim.RampWrites(), c.loads ? 1 : 0);
        if (c.loads) {
            EXPECT_EQ(path, ColorPath(profiles::kMild));
            EXPECT_TRUE(same(loaded.written, DiagnoseProfile(path.c_str()).hardware));
            EXPECT_TRUE(same(loaded.held, sim.Ramp(adapter)));
        }
    }
    EXPECT_TRUE(reports.empty());
}

}  // namespace
