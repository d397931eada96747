// What the notification-area icon's tooltip and the program window's text say of each monitor.
#include "app/tray_status.h"

#include "cms/current_calibration.h"
#include "cms/desktop_snapshot.h"
#include "cms/keeper_set.h"
#include "report/resource_strings.h"
#include "res/resource.h"

#include "support/host_test.h"
#include "support/rc_string_table.h"
#include "support/test_profiles.h"

#include <string>
#include <vector>

namespace {

std::u16string U16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }
std::u16string Text(uint32_t id) { return U16(GetResourceString(id)); }

class TrayStatusTest : public StandardMonitorTest {
protected:
    TrayStatusTest()
    {
        second = sim.AddStandardMonitor();
        keepers.Follow(TakeDesktopSnapshot());
        for (const char* name : {profiles::kMild, profiles::kNoCalibration})
            sim.InstallProfile(TestProfile(name));
        EXPECT_EQ(GetMonitorStrings(second, secondNames, 1), 0);
        sim.Associations(deviceId) = {profiles::kMild};
        sim.Associations(secondNames.deviceId) = {profiles::kNoCalibration};
        EXPECT_EQ(LoadCurrentCalibrations(true, false, &keepers), 0);
    }

    std::u16string Whole(bool keeping = true, const std::u16string& pausedFor = {}) const
    {
        return TrayWholeText(TrayStatuses(keepers, false, keeping, pausedFor));
    }

    MonitorHandle second = nullptr;
    MonitorStrings secondNames;
    KeeperSet keepers;
};

TEST_F(TrayStatusTest, EachMonitorSaysWhatIsDoneWithItsCalibrationStateFirst)
{
    const std::u16string notLoaded =
        u"Simulated Monitor 2: " + Text(IDS_STATE_NOT_LOADED) + u" (" + Text(IDS_TIP_NO_TABLE) + u"), " + U16(profiles::kNoCalibration);
    EXPECT_EQ(Whole(), u"Simulated Monitor 1: " + Text(IDS_STATE_LOADED) + u", kv-mild.icm\n" + notLoaded);
    // Keeping off: loaded, and said not to be kept.
    EXPECT_EQ(Whole(false), u"Simulated Monitor 1: " + Text(IDS_STATE_NOT_KEPT) + u", kv-mild.icm\n" + notLoaded);

    // A listed program in front is named as it is, outside the code page too.
    const std::u16string game = u"\u0438\u0433\u0440\u0430.exe";
    const std::u16string paused = TrayStatuses(keepers, false, true, game).at(0).state;
    EXPECT_NE(paused.find(game), std::u16string::npos) << std::string(paused.begin(), paused.end());

    // HDR says so; a monitor without a current profile names no profile at all.
    sim.Associations(secondNames.deviceId).clear();
    sim.Fail(SimCall::GetICMProfileA, 2, 10);
    sim.SetHdr(adapter, true);
    keepers.Follow(TakeDesktopSnapshot());
    EXPECT_EQ(Whole(), u"Simulated Monitor 1: " + Text(IDS_STATE_HDR) + u", kv-mild.icm\nSimulated Monitor 2: " +
                           Text(IDS_STATE_NO_PROFILE));
}

TEST(TrayTipText, NamesEveryMonitorWithItsStateWithinTheTooltip)
{
    SimScope scope;
    scope.sim().Strings() = ReadRcStringTable(KESTRAVA_RC_FILE);
    const auto status = [](const std::string& monitor, const std::string& state, const std::string& reason) {
        return TrayStatus{U16(monitor), U16(state), U16(reason), u"calibrated-2026-12-08.icm"};
    };
    struct Case {
        std::vector<TrayStatus> states;
    };
    const std::string longName = "Generic PnP Monitor on a docking station";
    const std::string reason(140, 'r');
    const Case cases[] = {
        {{status("A", "loaded", "")}},
        {{status(longName, "loaded", ""), status(longName, "not loaded", reason)}},
        {std::vector<TrayStatus>(6, status("Generic Non-PnP Monitor", "loaded", ""))},
    };
    for (const Case& c : cases) {
        const std::u16string tip = TrayTipText(c.states);
        const std::string shown(tip.begin(), tip.end());
        EXPECT_LE(tip.size(), kTrayTipUnits) << shown;
        // Every monitor has its line, named and with its state.
        size_t from = 0;
        for (const TrayStatus& s : c.states) {
            from = tip.find(s.monitor.substr(0, 6), from);
            ASSERT_NE(from, std::u16string::npos) << shown;
            from = tip.find(u": " + s.state, from);
            ASSERT_NE(from, std::u16string::npos) << shown;
        }
        // The window's text holds every line whole, with its reason.
        const std::u16string whole = TrayWholeText(c.states);
        for (const TrayStatus& s : c.states)
            EXPECT_NE(whole.find(s.monitor + u": " + s.state + (s.reason.empty() ? u"" : u" (" + s.reason + u")")),
                      std::u16string::npos);
    }
    // Short enough, the profile is named too.
    EXPECT_EQ(TrayTipText({status("A", "loaded", "")}), u"A: loaded, calibrated-2026-12-08.icm");
}

}  // namespace
