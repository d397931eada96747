// What the notification-area icon's tooltip says of each monitor.
#include "app/tray_status.h"

#include "cms/current_calibration.h"
#include "cms/desktop_snapshot.h"
#include "cms/keeper_set.h"
#include "report/resource_strings.h"
#include "report/text_format.h"
#include "res/resource.h"

#include "support/host_test.h"
#include "support/test_profiles.h"

#include <string>
#include <vector>

namespace {

class TrayStatus : public StandardMonitorTest {
protected:
    TrayStatus()
    {
        second = sim.AddStandardMonitor();
        keepers.Follow(TakeDesktopSnapshot());
    }

    // "<monitor>: <profile>, <state>", from the string table.
    static std::string Line(const std::string& monitor, const std::string& profile, uint32_t state,
                            const std::string& reason = {})
    {
        std::string text = monitor + ": " + profile + ", " + GetResourceString(state);
        return reason.empty() ? text : text + " (" + reason + ")";
    }

    MonitorHandle second = nullptr;
    KeeperSet keepers;
};

TEST_F(TrayStatus, EachMonitorSaysItsProfileAndWhatIsDoneWithIt)
{
    for (const char* name : {profiles::kMild, profiles::kNoCalibration})
        sim.InstallProfile(TestProfile(name));
    MonitorStrings names;
    ASSERT_EQ(GetMonitorStrings(second, names, 1), 0);
    sim.Associations(deviceId) = {profiles::kMild};
    sim.Associations(names.deviceId) = {profiles::kNoCalibration};
    ASSERT_EQ(LoadCurrentCalibrations(true, false, &keepers), 0);

    const std::string noTable = GetResourceString(IDS_TIP_NO_TABLE);
    EXPECT_EQ(TrayStatusLines(keepers, false),
              (std::vector<std::string>{Line("Simulated Monitor 1", profiles::kMild, IDS_STATE_LOADED),
                                        Line("Simulated Monitor 2", profiles::kNoCalibration, IDS_STATE_NOT_LOADED, noTable)}));

    // A program that sets its own ramp in front pauses what is kept.
    EXPECT_EQ(TrayStatusLines(keepers, false, "game.exe").at(0),
              "Simulated Monitor 1: kv-mild.icm, " + FormatBounded(64, GetResourceString(IDS_STATE_PAUSED_FOR), "game.exe"));

    // HDR says so; a monitor without a current profile too.
    sim.Associations(names.deviceId).clear();
    sim.Fail(SimCall::GetICMProfileA, 2, 10);
    sim.SetAdvancedColor(names.adapterName, true);
    keepers.Follow(TakeDesktopSnapshot());
    EXPECT_EQ(TrayStatusLines(keepers, false).at(1), Line("Simulated Monitor 2", "", IDS_STATE_HDR));
    sim.SetAdvancedColor(names.adapterName, false);
    keepers.Follow(TakeDesktopSnapshot());
    EXPECT_EQ(TrayStatusLines(keepers, false).at(1), "Simulated Monitor 2: , " + std::string(GetResourceString(IDS_STATE_NO_PROFILE)));
}

TEST(TrayTipText, JoinsTheLinesAndCutsWithoutSplittingACharacter)
{
    SimScope scope;
    scope.sim().LeadBytes() = {0x82};
    EXPECT_EQ(TrayTipText({"a", "b"}), "a\nb");
    EXPECT_EQ(TrayTipText({std::string(200, 'x')}).size(), kTrayTipBytes);
    // A two-byte character across the limit is left out whole.
    const std::string wide = std::string(126, 'x') + "\x82\xA0";
    EXPECT_EQ(TrayTipText({wide}), std::string(126, 'x'));
    EXPECT_EQ(TrayTipText({}), "");
}

}  // namespace
