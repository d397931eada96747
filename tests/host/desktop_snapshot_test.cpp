// Following the desktop: who its monitors are, and what changed from one look to the next.
#include "cms/desktop_snapshot.h"

#include "sim/sim_platform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr const char* kPort1 = "\\\\.\\DISPLAY1";
constexpr const char* kPort2 = "\\\\.\\DISPLAY2";
constexpr const char* kPort3 = "\\\\.\\DISPLAY3";
constexpr const char* kScreen = "MONITOR\\ABC0001\\{4D36E96E-E325-11CE-BFC1-08002BE10318}\\0000";
constexpr const char* kProjector = "MONITOR\\PRJ0002\\{4D36E96E-E325-11CE-BFC1-08002BE10318}\\0000";

// A monitor as a snapshot holds it; the handle is what a desktop change may give anew.
DesktopMonitor Shown(const char* adapterName, const char* deviceId, uintptr_t handle)
{
    DesktopMonitor monitor;
    monitor.handle = reinterpret_cast<MonitorHandle>(handle);
    monitor.identity = {adapterName, deviceId};
    return monitor;
}

struct CompareCase {
    const char* name;
    DesktopSnapshot before;
    DesktopSnapshot after;
    std::vector<std::pair<size_t, size_t>> kept;
    std::vector<size_t> added;
    std::vector<size_t> gone;
};

TEST(DesktopDifference, PairsMonitorsByIdentityWhateverTheirHandlesAndOrder)
{
    const CompareCase cases[] = {
        {"NothingBeforeOrAfter", {}, {}, {}, {}, {}},
        {"FirstLook", {}, {Shown(kPort1, kScreen, 1), Shown(kPort2, kScreen, 2)}, {}, {0, 1}, {}},
        {"NewHandlesNewOrderOneGone",
         {Shown(kPort1, kScreen, 1), Shown(kPort2, kScreen, 2), Shown(kPort3, kScreen, 3)},
         {Shown(kPort3, kScreen, 13), Shown(kPort1, kScreen, 11)},
         {{2, 0}, {0, 1}},
         {},
         {1}},
        // Another monitor in the same port is another monitor, even on the same handle.
        {"ProjectorInTheSamePort", {Shown(kPort1, kScreen, 1)}, {Shown(kPort1, kProjector, 1)}, {}, {0}, {0}},
        {"NoDeviceIdEitherTime", {Shown(kPort1, "", 1)}, {Shown(kPort1, "", 2)}, {{0, 0}}, {}, {}},
        {"DeviceIdNamedOnlyAfter", {Shown(kPort1, "", 1)}, {Shown(kPort1, kScreen, 1)}, {}, {0}, {0}},
        // Two of one identity (a clone) stay two, paired in order.
        {"TwoOfOneIdentity",
         {Shown(kPort1, kScreen, 1), Shown(kPort1, kScreen, 2)},
         {Shown(kPort1, kScreen, 3), Shown(kPort1, kScreen, 4)},
         {{0, 0}, {1, 1}},
         {},
         {}},
        {"OneOfTwoLeft", {Shown(kPort1, kScreen, 1), Shown(kPort1, kScreen, 2)}, {Shown(kPort1, kScreen, 3)},
         {{0, 0}}, {}, {1}},
        {"SecondOfOneCame", {Shown(kPort1, kScreen, 1)}, {Shown(kPort1, kScreen, 3), Shown(kPort1, kScreen, 4)},
         {{0, 0}}, {1}, {}},
    };
    for (const CompareCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ::DesktopDifference difference = CompareDesktops(c.before, c.after);
        EXPECT_EQ(difference.kept, c.kept);
        EXPECT_EQ(difference.added, c.added);
        EXPECT_EQ(difference.gone, c.gone);
    }
}

TEST(DesktopDifference, SnapshotHoldsEveryReadableMonitorInEnumerationOrder)
{
    SimScope scope;
    SimPlatform& sim = scope.sim();
    const MonitorHandle handles[3] = {sim.AddStandardMonitor(), sim.AddStandardMonitor(), sim.AddStandardMonitor()};
    sim.FindAdapter(kPort2)->monitors.clear();   // its strings cannot be read
    sim.SetHdr(kPort3, true);

    const DesktopSnapshot snapshot = TakeDesktopSnapshot();
    ASSERT_EQ(snapshot.size(), 2u);
    const size_t shown[2] = {0, 2};
    const char* ports[2] = {kPort1, kPort3};
    for (size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(ports[i]);
        const DesktopMonitor& monitor = snapshot[i];
        const SimDevice& device = sim.FindAdapter(ports[i])->monitors.at(0);
        MonitorInfoEx info{};
        info.cbSize = sizeof info;
        ASSERT_TRUE(sim.GetMonitorInfoA(handles[shown[i]], &info));
        EXPECT_EQ(monitor.handle, handles[shown[i]]);
        EXPECT_EQ(monitor.identity.adapterName, ports[i]);
        EXPECT_EQ(monitor.identity.deviceId, device.id);
        EXPECT_EQ(monitor.description, device.string);
        EXPECT_EQ(std::memcmp(&monitor.rect, &info.rcMonitor, sizeof info.rcMonitor), 0);
        EXPECT_EQ(monitor.advancedColor, i == 1);
    }

    sim.SetHdr(kPort3, false);
    EXPECT_FALSE(TakeDesktopSnapshot().at(1).advancedColor);
}

TEST(DesktopDifference, LayoutChangesWithAnyMonitorsHandleAdapterOrPlace)
{
    SimScope scope;
    SimPlatform& sim = scope.sim();
    sim.AddStandardMonitor();
    const MonitorHandle second = sim.AddStandardMonitor();
    const DesktopSnapshot before = TakeDesktopLayout();
    ASSERT_EQ(before.size(), 2u);
    EXPECT_TRUE(SameLayout(before, TakeDesktopLayout()));

    using Change = void (*)(DesktopSnapshot&);
    const std::pair<const char*, Change> changes[] = {
        {"handle", [](DesktopSnapshot& d) { d[1].handle = reinterpret_cast<MonitorHandle>(uintptr_t{0x77}); }},
        {"rect", [](DesktopSnapshot& d) { d[1].rect.top += 1; }},
        {"adapter", [](DesktopSnapshot& d) { d[1].identity.adapterName += "0"; }},
        {"order", [](DesktopSnapshot& d) { std::swap(d[0], d[1]); }},
        {"one gone", [](DesktopSnapshot& d) { d.pop_back(); }},
    };
    for (const auto& [name, change] : changes) {
        DesktopSnapshot after = before;
        change(after);
        EXPECT_FALSE(SameLayout(before, after)) << name;
        EXPECT_FALSE(SameLayout(after, before)) << name;
    }
    // A monitor that left and came back is a new handle, even in the same place.
    sim.RemoveMonitor(second);
    sim.AddMonitor(SimMonitor{before[1].rect, before[1].rect, before[1].identity.adapterName, false});
    EXPECT_FALSE(SameLayout(before, TakeDesktopLayout()));
}

}  // namespace
