#include "cms/monitor_strings.h"

#include "support/host_test.h"

namespace {

constexpr uint32_t kActive = kDisplayDeviceAttached;
constexpr uint32_t kInactive = 0;

SimDevice Monitor(const std::string& tag, uint32_t flags)
{
    return SimDevice{"\\\\.\\DISPLAY1\\" + tag, "Panel " + tag, flags, "MONITOR\\" + tag + "\\0000", ""};
}

SimAdapter Adapter(const std::string& name, std::vector<SimDevice> monitors, uint32_t flags = kActive)
{
    return SimAdapter{SimDevice{name, "Sim Adapter", flags, "PCI\\SIM", ""}, std::move(monitors)};
}

class MonitorStringsTest : public HostTest {
protected:
    MonitorHandle AddMonitorOn(const std::string& adapterName)
    {
        SimMonitor monitor;
        monitor.rect = {0, 0, 1920, 1080};
        monitor.work = monitor.rect;
        monitor.adapterName = adapterName;
        return sim.AddMonitor(monitor);
    }
};

TEST_F(MonitorStringsTest, FillsEveryWantedStringFromTheMonitorDevice)
{
    sim.AddAdapter(Adapter("\\\\.\\DISPLAY1", {Monitor("A", kActive)}));
    MonitorHandle monitor = AddMonitorOn("\\\\.\\DISPLAY1");

    MonitorStrings names;
    EXPECT_EQ(GetMonitorStrings(monitor, names, 1), 0);
    EXPECT_EQ(names.adapterName, "\\\\.\\DISPLAY1");
    EXPECT_EQ(names.deviceId, "MONITOR\\A\\0000");
    EXPECT_EQ(names.deviceString, "Panel A");
    EXPECT_EQ(names.monitorName, "\\\\.\\DISPLAY1\\A");
}

TEST_F(MonitorStringsTest, ActiveDeviceWinsWithAttachedOnlyAndTheFirstOtherwise)
{
    sim.AddAdapter(Adapter("\\\\.\\DISPLAY1", {Monitor("Off", kInactive), Monitor("On", kActive)}));
    MonitorHandle monitor = AddMonitorOn("\\\\.\\DISPLAY1");

    std::string id;
    EXPECT_EQ(GetMonitorStrings(monitor, nullptr, &id, nullptr, nullptr, 1), 0);
    EXPECT_EQ(id, "MONITOR\\On\\0000");
    EXPECT_EQ(GetMonitorStrings(monitor, nullptr, &id, nullptr, nullptr, 0), 0);
    EXPECT_EQ(id, "MONITOR\\Off\\0000");
    // Any flag other than 1 walks once, taking inactive devices too.
    EXPECT_EQ(GetMonitorStrings(monitor, nullptr, &id, nullptr, nullptr, 2), 0);
    EXPECT_EQ(id, "MONITOR\\Off\\0000");
}

TEST_F(MonitorStringsTest, InactiveMonitorIsFoundBySecondWalk)
{
    sim.AddAdapter(Adapter("\\\\.\\DISPLAY1", {Monitor("Off", kInactive)}));
    MonitorHandle monitor = AddMonitorOn("\\\\.\\DISPLAY1");

    std::string id;
    EXPECT_EQ(GetMonitorStrings(monitor, nullptr, &id, nullptr, nullptr, 1), 0);
    EXPECT_EQ(id, "MONITOR\\Off\\0000");
    EXPECT_EQ(FindDisplayDevice("\\\\.\\DISPLAY1", &id, nullptr, nullptr, 1), kResultNoMatchingDevice);
}

TEST_F(MonitorStringsTest, MirroringAndDetachedDevicesAreNeverFound)
{
    sim.AddAdapter(Adapter("\\\\.\\MIRROR", {Monitor("M", kActive)}, kActive | kDisplayDeviceMirroring));
    sim.AddAdapter(Adapter("\\\\.\\DETACHED", {Monitor("D", kActive)}, kInactive));
    sim.AddAdapter(Adapter("\\\\.\\DISPLAY1", {Monitor("Mirror", kActive | kDisplayDeviceMirroring)}));

    std::string id = "untouched";
    EXPECT_EQ(FindDisplayDevice("\\\\.\\MIRROR", &id, nullptr, nullptr, 0), kResultNoMatchingDevice);
    EXPECT_EQ(FindDisplayDevice("\\\\.\\DETACHED", &id, nullptr, nullptr, 0), kResultNoMatchingDevice);
    EXPECT_EQ(FindDisplayDevice("\\\\.\\DISPLAY1", &id, nullptr, nullptr, 0), kResultNoMatchingDevice);
    EXPECT_EQ(id, "untouched");
}

TEST_F(MonitorStringsTest, AdapterNameMustMatchExactly)
{
    sim.AddAdapter(Adapter("\\\\.\\DISPLAY1", {Monitor("A", kActive)}));
    EXPECT_EQ(FindDisplayDevice("\\\\.\\display1", nullptr, nullptr, nullptr, 0), kResultNoMatchingDevice);
    EXPECT_EQ(FindDisplayDevice("\\\\.\\DISPLAY", nullptr, nullptr, nullptr, 0), kResultNoMatchingDevice);
    EXPECT_EQ(FindDisplayDevice("\\\\.\\DISPLAY1", nullptr, nullptr, nullptr, 0), 0);
}

TEST_F(MonitorStringsTest, OnlySixteenAdaptersAreExamined)
{
    for (int a = 0; a < 17; ++a)
        sim.AddAdapter(Adapter("\\\\.\\DISPLAY" + std::to_string(a + 1), {Monitor("A", kActive)}));
    EXPECT_EQ(FindDisplayDevice("\\\\.\\DISPLAY16", nullptr, nullptr, nullptr, 1), 0);
    EXPECT_EQ(FindDisplayDevice("\\\\.\\DISPLAY17", nullptr, nullptr, nullptr, 1), kResultNoMatchingDevice);
}

TEST_F(MonitorStringsTest, OnlySixteenMonitorDevicesPerAdapterAreExamined)
{
    std::vector<SimDevice> sixteenMirrors(16, Monitor("Mirror", kActive | kDisplayDeviceMirroring));
    std::vector<SimDevice> fifteenMirrors(15, Monitor("Mirror", kActive | kDisplayDeviceMirroring));
    sixteenMirrors.push_back(Monitor("Seventeenth", kActive));
    fifteenMirrors.push_back(Monitor("Sixteenth", kActive));
    sim.AddAdapter(Adapter("\\\\.\\DISPLAY1", sixteenMirrors));
    sim.AddAdapter(Adapter("\\\\.\\DISPLAY2", fifteenMirrors));

    std::string id;
    EXPECT_EQ(FindDisplayDevice("\\\\.\\DISPLAY1", &id, nullptr, nullptr, 1), kResultNoMatchingDevice);
    EXPECT_EQ(FindDisplayDevice("\\\\.\\DISPLAY2", &id, nullptr, nullptr, 1), 0);
    EXPECT_EQ(id, "MONITOR\\Sixteenth\\0000");
}

TEST_F(MonitorStringsTest, FailedEnumerationEndsTheSearch)
{
    sim.AddAdapter(Adapter("\\\\.\\DISPLAY1", {Monitor("A", kActive)}));
    sim.Fail(SimCall::EnumDisplayDevicesA, 5);
    EXPECT_EQ(FindDisplayDevice("\\\\.\\DISPLAY1", nullptr, nullptr, nullptr, 0), kResultNoMatchingDevice);
    // A failed child enumeration leaves that adapter and goes on with the next index.
    sim.Fail(SimCall::EnumDisplayDevicesA, 5, 1, 1);
    EXPECT_EQ(FindDisplayDevice("\\\\.\\DISPLAY1", nullptr, nullptr, nullptr, 0), kResultNoMatchingDevice);
    EXPECT_EQ(FindDisplayDevice("\\\\.\\DISPLAY1", nullptr, nullptr, nullptr, 0), 0);
}

TEST_F(MonitorStringsTest, MissingDescriptionLeavesTheAdapterNameAndFails)
{
    sim.AddAdapter(Adapter("\\\\.\\DISPLAY1", {}));
    MonitorHandle monitor = AddMonitorOn("\\\\.\\DISPLAY1");

    std::string description = "old";
    EXPECT_EQ(GetMonitorStrings(monitor, nullptr, nullptr, &description, nullptr, 1), kResultNoMatchingDevice);
    EXPECT_EQ(description, "\\\\.\\DISPLAY1");

    // The ID is looked up first and its failure ends the call before the description.
    std::string id = "old";
    description = "old";
    EXPECT_EQ(GetMonitorStrings(monitor, nullptr, &id, &description, nullptr, 1), kResultNoMatchingDevice);
    EXPECT_EQ(id, "");
    EXPECT_EQ(description, "");
}

TEST_F(MonitorStringsTest, NoOutputOnlyTestsTheMonitorInformation)
{
    MonitorHandle monitor = AddMonitorOn("\\\\.\\NOWHERE");
    EXPECT_EQ(GetMonitorStrings(monitor, nullptr, nullptr, nullptr, nullptr, 1), 0);
    EXPECT_EQ(sim.CallCount(SimCall::EnumDisplayDevicesA), 0);

    sim.Fail(SimCall::GetMonitorInfoA, 1461);
    EXPECT_EQ(GetMonitorStrings(monitor, nullptr, nullptr, nullptr, nullptr, 1), 1461);
}

TEST_F(MonitorStringsTest, InformationReadFailingWithoutCodeGoesOnWithNoAdapterName)
{
    sim.AddAdapter(Adapter("\\\\.\\DISPLAY1", {Monitor("A", kActive)}));
    MonitorHandle monitor = AddMonitorOn("\\\\.\\DISPLAY1");
    sim.Fail(SimCall::GetMonitorInfoA, 0, 2);

    std::string adapter = "old";
    EXPECT_EQ(GetMonitorStrings(monitor, &adapter, nullptr, nullptr, nullptr, 1), 0);
    EXPECT_EQ(adapter, "");
    std::string id;
    EXPECT_EQ(GetMonitorStrings(monitor, nullptr, &id, nullptr, nullptr, 1), kResultNoMatchingDevice);
}

TEST_F(MonitorStringsTest, OverlongDeviceNamesAreCutToTheirFields)
{
    const std::string longText(1200, 'x');
    sim.AddAdapter(Adapter("\\\\.\\DISPLAY1", {SimDevice{longText, longText, kActive, longText, longText}}));
    MonitorHandle monitor = AddMonitorOn("\\\\.\\DISPLAY1");

    MonitorStrings names;
    EXPECT_EQ(GetMonitorStrings(monitor, names, 1), 0);
    EXPECT_EQ(names.deviceId, longText.substr(0, names.deviceId.size()));
    EXPECT_LT(names.deviceId.size(), 128u);
    EXPECT_LT(names.deviceString.size(), 128u);
    EXPECT_LT(names.monitorName.size(), 32u);
}

TEST_F(MonitorStringsTest, MonitorDcIsCreatedOnTheAdapter)
{
    MonitorHandle monitor = sim.AddStandardMonitor();
    {
        DcOwner dc;
        EXPECT_EQ(CreateMonitorDC(monitor, dc), 0);
        EXPECT_TRUE(dc);
        EXPECT_EQ(sim.OpenDcs(), 1);
    }
    EXPECT_EQ(sim.OpenDcs(), 0);

    DcOwner dc;
    sim.Fail(SimCall::CreateDCA, 8);
    EXPECT_EQ(CreateMonitorDC(monitor, dc), 8);
    EXPECT_FALSE(dc);
    // Creation failing without a code: success with no context, as documented.
    sim.Fail(SimCall::CreateDCA, 0);
    EXPECT_EQ(CreateMonitorDC(monitor, dc), 0);
    EXPECT_FALSE(dc);
    sim.Fail(SimCall::GetMonitorInfoA, 1461);
    EXPECT_EQ(CreateMonitorDC(monitor, dc), 1461);
}

}  // namespace
