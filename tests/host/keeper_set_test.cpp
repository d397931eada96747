// Keeping the loaded calibrations in the video cards.
#include "cms/CMSSupport.h"
#include "cms/VideoCardUtils.h"
#include "cms/calibration_check.h"
#include "cms/desktop_snapshot.h"
#include "cms/keeper_set.h"
#include "report/resource_strings.h"
#include "report/text_format.h"
#include "res/resource.h"

#include "support/host_test.h"
#include "support/test_profiles.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>

namespace {

bool Same(const HardwareRamp& a, const HardwareRamp& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The standard monitor, back on the desktop under a new handle.
MonitorHandle ComeBack(SimPlatform& sim, MonitorHandle monitor, const std::string& adapterName)
{
    sim.RemoveMonitor(monitor);
    return sim.AddMonitor(SimMonitor{{0, 0, 1920, 1080}, {0, 0, 1920, 1080}, adapterName, true});
}

// Named as the suite it holds; the class under test is spelled ::KeeperSet here.
class KeeperSet : public StandardMonitorTest {
protected:
    KeeperSet() { keepers.Follow(TakeDesktopSnapshot()); }

    MonitorHandle AddMonitor()
    {
        const MonitorHandle added = sim.AddStandardMonitor();
        keepers.Follow(TakeDesktopSnapshot());
        return added;
    }

    // A selection: the profile's calibration loaded, as the program loads it, and kept.
    LoadedRamp Select(MonitorHandle target, const std::string& name, bool extended = false)
    {
        sim.InstallProfile(TestProfile(name));
        int32_t messageId = -1;
        LoadedRamp loaded;
        EXPECT_EQ(LoadCalibration(target, ColorPath(name).c_str(), messageId, extended, &loaded), 0) << name;
        keepers.Loaded(target, ColorPath(name), loaded);
        return loaded;
    }

    // Another program puts the linear ramp in the monitor's video card.
    void WriteFromOutside(MonitorHandle target) { ASSERT_EQ(SetDevGammaTable(target, IdentityRamp()), 0); }

    bool Holds(MonitorHandle target, const LoadedRamp& loaded)
    {
        MonitorStrings names;
        EXPECT_EQ(GetMonitorStrings(target, names, 1), 0);
        return Same(sim.Ramp(names.adapterName), loaded.held);
    }

    // The program's own writes during one check.
    int WritesOfCheck(uint64_t nowMs)
    {
        const int writes = sim.RampWrites();
        keepers.Check(nowMs);
        return sim.RampWrites() - writes;
    }

    ::KeeperSet keepers;
};

// ---- Following the desktop ----------------------------------------------------------------------

TEST_F(KeeperSet, KeepingFollowsTheMonitorNotItsHandleNorItsPort)
{
    const MonitorHandle second = AddMonitor();
    const LoadedRamp mild = Select(monitor, profiles::kMild);
    Select(second, profiles::kGreen);

    sim.RemoveMonitor(second);
    const MonitorHandle back = ComeBack(sim, monitor, adapter);
    keepers.Follow(TakeDesktopSnapshot());
    ASSERT_EQ(keepers.Keepers().size(), 1u);
    EXPECT_EQ(keepers.Find(monitor), nullptr);
    EXPECT_EQ(keepers.Find(second), nullptr);
    ASSERT_NE(keepers.Find(back), nullptr);
    EXPECT_EQ(keepers.Find(back)->path, ColorPath(profiles::kMild));
    WriteFromOutside(back);
    EXPECT_EQ(WritesOfCheck(0), 1);
    EXPECT_TRUE(Holds(back, mild));

    const MonitorHandle came = AddMonitor();
    ASSERT_NE(keepers.Find(came), nullptr);
    EXPECT_EQ(keepers.StateOf(came), KeepState::Idle);

    // A projector in the same port is another monitor: nothing of the screen's is kept for it.
    sim.FindAdapter(adapter)->monitors.at(0).id = "MONITOR\\PRJ0002\\{4D36E96E-E325-11CE-BFC1-08002BE10318}\\0000";
    keepers.Follow(TakeDesktopSnapshot());
    ASSERT_NE(keepers.Find(back), nullptr);
    EXPECT_EQ(keepers.StateOf(back), KeepState::Idle);
    WriteFromOutside(back);
    EXPECT_EQ(WritesOfCheck(1000), 0);
    EXPECT_TRUE(reports.empty());
}

// ---- Writing a reset ramp again -------------------------------------------------------------------

TEST_F(KeeperSet, ARampResetFromOutsideIsWrittenAgainOnlyWhileKept)
{
    EXPECT_EQ(WritesOfCheck(0), 0) << "nothing was loaded, yet something was written";

    const LoadedRamp mild = Select(monitor, profiles::kMild);
    EXPECT_EQ(WritesOfCheck(0), 0) << "a ramp that holds the table was written";
    WriteFromOutside(monitor);
    EXPECT_EQ(WritesOfCheck(0), 1);
    EXPECT_TRUE(Holds(monitor, mild));

    keepers.Forget(monitor);
    WriteFromOutside(monitor);
    EXPECT_EQ(WritesOfCheck(0), 0) << "a forgotten ramp came back";

    // The linear ramp put there on purpose, as Reset to linear does.
    Select(monitor, profiles::kMild);
    LoadedRamp linear;
    MakeHardwareRamp(IdentityRamp(), linear.written);
    ASSERT_EQ(SetDevGammaTable(monitor, linear.written), 0);
    linear.held = sim.Ramp(adapter);
    keepers.Reset(monitor, linear);
    EXPECT_EQ(WritesOfCheck(0), 0) << "the ramp reset on purpose was overwritten";

    // What cannot be read cannot be mended: left alone, silently, and still kept.
    Select(monitor, profiles::kMild);
    WriteFromOutside(monitor);
    sim.Fail(SimCall::GetDeviceGammaRamp, 6, 5);
    EXPECT_EQ(WritesOfCheck(0), 0);
    EXPECT_EQ(keepers.StateOf(monitor), KeepState::Keeping);
    sim.ClearFailures();
    EXPECT_EQ(WritesOfCheck(0), 1);
    EXPECT_TRUE(reports.empty());
}

// A check opens each keeping monitor's adapter once, reads and rewrites through it, and
// reads the display configuration (whether HDR came on) once for all, only when it
// rewrites.
TEST_F(KeeperSet, ACheckLooksUpEachMonitorOnceAndTheDisplayConfigurationAtMostOnce)
{
    const MonitorHandle second = AddMonitor();
    const MonitorHandle third = AddMonitor();
    for (MonitorHandle each : {monitor, second, third})
        Select(each, profiles::kMild);
    const auto costOfCheck = [&](uint64_t nowMs) {
        std::map<SimCall, int> before;
        for (SimCall call : {SimCall::GetMonitorInfoA, SimCall::CreateDCA, SimCall::QueryDisplayConfig,
                             SimCall::EnumDisplayDevicesA})
            before[call] = sim.CallCount(call);
        keepers.Check(nowMs);
        for (auto& [call, count] : before)
            count = sim.CallCount(call) - count;
        return before;
    };

    std::map<SimCall, int> idle = costOfCheck(2500);
    EXPECT_EQ(idle[SimCall::GetMonitorInfoA], 3);
    EXPECT_EQ(idle[SimCall::CreateDCA], 3);
    EXPECT_EQ(idle[SimCall::QueryDisplayConfig], 0);
    EXPECT_EQ(idle[SimCall::EnumDisplayDevicesA], 0);

    WriteFromOutside(monitor);
    WriteFromOutside(third);
    std::map<SimCall, int> mending = costOfCheck(5000);
    EXPECT_EQ(mending[SimCall::GetMonitorInfoA], 3);
    EXPECT_EQ(mending[SimCall::CreateDCA], 3);
    EXPECT_EQ(mending[SimCall::QueryDisplayConfig], 1);
    EXPECT_EQ(mending[SimCall::EnumDisplayDevicesA], 0);
    EXPECT_EQ(keepers.StateOf(third), KeepState::Keeping);
}

TEST_F(KeeperSet, WhatIsKeptIsTheRampAsTheLoadWroteAndReadItNotTheFile)
{
    // An adapter of 8 bits per entry rounds a 16-bit table; measured against what was
    // handed over, its ramp would never hold.
    sim.SetRampBits(8);
    const LoadedRamp loaded = Select(monitor, profiles::k16BitMono, true);
    ASSERT_TRUE(loaded.extended);
    ASSERT_FALSE(Same(loaded.written, loaded.held)) << "the adapter did not round this table";
    EXPECT_TRUE(Same(loaded.held, sim.Ramp(adapter)));
    for (uint64_t t = 0; t < 4000; t += 1000)
        EXPECT_EQ(WritesOfCheck(t), 0) << t;
    EXPECT_EQ(keepers.StateOf(monitor), KeepState::Keeping);

    ASSERT_TRUE(std::filesystem::remove(sim.ColorDirectory() / profiles::k16BitMono));
    const int opens = sim.CallCount(SimCall::OpenColorProfileA);
    WriteFromOutside(monitor);
    EXPECT_EQ(WritesOfCheck(5000), 1);
    EXPECT_TRUE(Holds(monitor, loaded));
    EXPECT_EQ(sim.CallCount(SimCall::OpenColorProfileA), opens);
    EXPECT_TRUE(reports.empty());

    // Another writer that gets in between a write and its read-back leaves its own
    // ramp there: that says nothing of what the write left, and is never kept.
    WriteFromOutside(monitor);
    EXPECT_TRUE(Same(HeldAfterWrite(monitor, loaded.written), loaded.written));
}

// ---- Monitors on one ramp -----------------------------------------------------------------------

TEST_F(KeeperSet, MonitorsOnOneRampNeverFightAndTheLaterSelectionWins)
{
    sim.SetSharedRamp(true);
    const MonitorHandle second = AddMonitor();
    Select(second, profiles::kGreen);
    const LoadedRamp mild = Select(monitor, profiles::kMild);
    EXPECT_EQ(keepers.StateOf(monitor), KeepState::Keeping);
    EXPECT_EQ(keepers.StateOf(second), KeepState::Idle);
    for (uint64_t t = 0; t < 3000; t += 1000)
        EXPECT_EQ(WritesOfCheck(t), 0) << t;
    EXPECT_TRUE(Holds(monitor, mild));
}

TEST_F(KeeperSet, OnRampsOfTheirOwnALoadLeavesTheOtherKeptAndMendsItsReset)
{
    const MonitorHandle second = AddMonitor();
    const LoadedRamp green = Select(second, profiles::kGreen);
    Select(monitor, profiles::kMild);
    EXPECT_EQ(keepers.StateOf(second), KeepState::Keeping);

    // Someone else reset the other ramp: it reads as neither load, and is written again.
    WriteFromOutside(second);
    Select(monitor, profiles::kMild);
    EXPECT_EQ(keepers.StateOf(second), KeepState::Keeping);
    EXPECT_TRUE(Holds(second, green));
}

// ---- Backing off from another writer --------------------------------------------------------------

TEST_F(KeeperSet, AWriterThatKeepsChangingTheRampIsLeftAloneAfterTwoRewrites)
{
    // Each way an episode begins: the first selection, a selection, a resume.
    const std::function<void()> begin[] = {
        [] {}, [&] { Select(monitor, profiles::kMild); }, [&] { keepers.Resume(); }};
    Select(monitor, profiles::kMild);
    uint64_t now = 0;
    for (size_t episode = 0; episode < 3; ++episode) {
        SCOPED_TRACE(episode);
        begin[episode]();
        EXPECT_EQ(keepers.StateOf(monitor), KeepState::Keeping);
        int rewrites = 0;
        int announced = 0;
        for (int change = 0; change < 5; ++change, now += 1000) {
            WriteFromOutside(monitor);
            const int writes = sim.RampWrites();
            for (MonitorHandle told : keepers.Check(now)) {
                EXPECT_EQ(told, monitor);
                ++announced;
            }
            rewrites += sim.RampWrites() - writes;
        }
        EXPECT_EQ(rewrites, 2);
        EXPECT_EQ(announced, 1);
        EXPECT_EQ(keepers.StateOf(monitor), KeepState::BackedOff);
        now += 100000;
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(KeeperSet, MonitorsOnOneRampBackOffTogetherAndAreToldOnce)
{
    // Both monitors keep the same table on one ramp, as both windows may under Wine.
    sim.SetSharedRamp(true);
    const MonitorHandle second = AddMonitor();
    Select(monitor, profiles::kGreen);
    Select(second, profiles::kGreen);
    ASSERT_EQ(keepers.StateOf(monitor), KeepState::Keeping);
    ASSERT_EQ(keepers.StateOf(second), KeepState::Keeping);
    int rewrites = 0;
    size_t told = 0;
    for (uint64_t now = 0; now < 10000; now += 1000) {
        WriteFromOutside(monitor);
        const int writes = sim.RampWrites();
        told += keepers.Check(now).size();
        rewrites += sim.RampWrites() - writes;
    }
    EXPECT_EQ(rewrites, 2);
    EXPECT_EQ(told, 1u);
    EXPECT_EQ(keepers.StateOf(second), KeepState::BackedOff);
}

TEST_F(KeeperSet, TheThirdChangeWithinAMinuteBacksOffHoweverTheChecksFall)
{
    // A writer at a steady pace, the program checking every 2.5 s, each write coming just
    // before a check: a change counts from when it was found, the newest from the last
    // check that saw the ramp holding.
    struct Case {
        uint64_t periodMs;
        int backsOffAt;   // the change that backs off; 0 for none in ten
    };
    const Case cases[] = {{29000, 3}, {20000, 3}, {33000, 0}, {45000, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.periodMs);
        const LoadedRamp mild = Select(monitor, profiles::kMild);
        int change = 0;
        int backedOffAt = 0;
        for (uint64_t t = 0; t < 10 * c.periodMs && backedOffAt == 0; t += 500) {
            if (t % c.periodMs == 0) {
                WriteFromOutside(monitor);
                ++change;
            }
            if (t % 2500 == 0 && !keepers.Check(t).empty())
                backedOffAt = change;
        }
        EXPECT_EQ(backedOffAt, c.backsOffAt);
        EXPECT_EQ(Holds(monitor, mild), c.backsOffAt == 0);
    }
}

// ---- A failed rewrite -----------------------------------------------------------------------------

TEST_F(KeeperSet, AFailedRewriteIsReportedOnceAndPausesUntilResumed)
{
    // A report's modal loop lets the next check in before the failed write returns.
    class Reentering : public RecordingPresenter {
    public:
        explicit Reentering(::KeeperSet& kept) : m_keepers(kept) {}
        void Present(const ErrorReport& report) override
        {
            RecordingPresenter::Present(report);
            if (reports.size() == 1)
                nested = m_keepers.Check(500).size();
        }
        size_t nested = 99;

    private:
        ::KeeperSet& m_keepers;
    };
    const LoadedRamp mild = Select(monitor, profiles::kMild);
    WriteFromOutside(monitor);
    sim.Fail(SimCall::SetDeviceGammaRamp, 31, 10);
    const int attempts = sim.CallCount(SimCall::SetDeviceGammaRamp);
    {
        Reentering reentering(keepers);
        for (uint64_t t = 0; t < 3000; t += 1000)
            EXPECT_TRUE(keepers.Check(t).empty());
        EXPECT_EQ(reentering.nested, 0u);
        // The video card's own report, then the download message; not one per check.
        ASSERT_EQ(reentering.reports.size(), 2u);
        const std::string& message = reentering.reports[1].messageText;
        EXPECT_NE(message.find("\"kv-mild\""), std::string::npos) << message;
        EXPECT_NE(message.find("(31)"), std::string::npos) << message;
    }
    EXPECT_EQ(sim.CallCount(SimCall::SetDeviceGammaRamp) - attempts, 1) << "written again while paused";
    EXPECT_EQ(keepers.StateOf(monitor), KeepState::Paused);

    sim.ClearFailures();
    keepers.Resume();
    EXPECT_EQ(WritesOfCheck(3000), 1);
    EXPECT_TRUE(Holds(monitor, mild));
    EXPECT_TRUE(reports.empty());
}

// ---- HDR, the extended setting, a burst of display changes -------------------------------------------

TEST_F(KeeperSet, WhereHDRIsOnTheRampIsNeitherKeptNorLoaded)
{
    const LoadedRamp mild = Select(monitor, profiles::kMild);
    sim.SetHdr(adapter, true);
    keepers.Follow(TakeDesktopSnapshot());
    WriteFromOutside(monitor);
    EXPECT_EQ(WritesOfCheck(0), 0);

    const int writes = sim.RampWrites();
    int32_t messageId = -1;
    const int32_t result = LoadCalibration(monitor, ColorPath(profiles::kMild).c_str(), messageId);
    EXPECT_EQ(result, kResultAdvancedColor);
    EXPECT_EQ(messageId, IDS_HDR_NOT_LOADED);
    EXPECT_EQ(sim.RampWrites(), writes);

    ReportCalibrationFailure(monitor, ColorPath(profiles::kMild).c_str(), messageId, result);
    MonitorStrings names;
    ASSERT_EQ(GetMonitorStrings(monitor, names, 1), 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].messageText,
              FormatBounded(1024, GetResourceString(IDS_HDR_NOT_LOADED), names.deviceString.c_str()));

    // Kept all along: once HDR is off, the ramp is the program's to mend again.
    sim.SetHdr(adapter, false);
    keepers.Follow(TakeDesktopSnapshot());
    EXPECT_EQ(WritesOfCheck(1000), 1);
    EXPECT_TRUE(Holds(monitor, mild));
}

TEST_F(KeeperSet, TurningTheExtendedSettingOffForgetsOnlyTheTablesItAllowed)
{
    const MonitorHandle second = AddMonitor();
    Select(monitor, profiles::kMild);
    Select(second, profiles::k16BitMono, true);
    keepers.ForgetExtended();
    EXPECT_EQ(keepers.StateOf(monitor), KeepState::Keeping);
    EXPECT_EQ(keepers.StateOf(second), KeepState::Idle);
}

TEST_F(KeeperSet, ABurstOfDisplayChangesOverAnUnchangedDesktopWritesNothing)
{
    const MonitorHandle second = AddMonitor();
    Select(monitor, profiles::kMild);
    Select(second, profiles::kGreen);
    const int writes = sim.RampWrites();
    for (uint64_t t = 0; t < 1000; ++t) {
        keepers.Follow(TakeDesktopSnapshot());
        keepers.Resume();
        EXPECT_TRUE(keepers.Check(t).empty());
    }
    EXPECT_EQ(sim.RampWrites(), writes);
    EXPECT_EQ(keepers.StateOf(monitor), KeepState::Keeping);
    EXPECT_EQ(keepers.StateOf(second), KeepState::Keeping);
    EXPECT_TRUE(reports.empty());
}

}  // namespace
