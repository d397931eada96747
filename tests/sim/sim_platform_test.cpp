// Checks of the simulated platform itself, limited to what the other host tests lean on
// and what is easy to get subtly wrong: failure injection, the leak counters, the code
// page's sizes, the display devices and configuration, and the gamma ramps.
#include "sim/sim_platform.h"
#include "sim/sim_test_profiles.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace simtest;

// ---- Failure injection ----

TEST(SimFailures, SkipThenTimesThenNormalAgain)
{
    SimScope scope;
    SimPlatform& sim = scope.sim();
    sim.WriteProfile("x.icm", BuildProfile(kClassMonitor));
    sim.Fail(SimCall::OpenColorProfileA, 0, 2, 1);

    std::vector<ProfileHandle> opened;
    std::vector<uint32_t> errors;
    for (int i = 0; i < 4; ++i) {
        sim.SetLastError(kSentinel);
        opened.push_back(OpenPath(sim, InColorDirectory("x.icm")));
        errors.push_back(sim.GetLastError());
    }
    EXPECT_NE(nullptr, opened[0]);
    EXPECT_EQ(nullptr, opened[1]);
    EXPECT_EQ(nullptr, opened[2]);
    EXPECT_NE(nullptr, opened[3]);
    EXPECT_EQ((std::vector<uint32_t>{kSentinel, 0, 0, kSentinel}), errors);
    EXPECT_EQ(4, sim.CallCount(SimCall::OpenColorProfileA));
    EXPECT_EQ(0, sim.CallCount(SimCall::GetColorProfileElement));
    sim.CloseColorProfile(opened[0]);
    sim.CloseColorProfile(opened[3]);
}

TEST(SimFailures, EachCallReturnsItsOwnFailureValue)
{
    SimScope scope;
    SimPlatform& sim = scope.sim();
    sim.AddStandardMonitor();
    DcHandle dc = sim.CreateDCA("\\\\.\\DISPLAY1", "\\\\.\\DISPLAY1", nullptr, nullptr);
    ASSERT_NE(nullptr, dc);
    sim.Associations("MONITOR\\SIM1\\{4D36E96E-E325-11CE-BFC1-08002BE10318}\\0000") = {"x.icm"};
    auto proc = [](char*, intptr_t) -> int32_t { return 1; };
    EXPECT_EQ(1, sim.EnumICMProfilesA(dc, proc, 0));

    sim.Fail(SimCall::EnumICMProfilesA, 5);
    sim.Fail(SimCall::Calloc, kErrorNotEnoughMemory);
    sim.Fail(SimCall::FormatMessageA, 0);
    EXPECT_EQ(-1, sim.EnumICMProfilesA(dc, proc, 0));
    EXPECT_EQ(5u, sim.GetLastError());
    EXPECT_EQ(nullptr, sim.Calloc(1, 16));
    EXPECT_EQ(kErrorNotEnoughMemory, sim.GetLastError());
    char* text = reinterpret_cast<char*>(&sim);
    EXPECT_EQ(0u, sim.FormatMessageA(kFormatMessageAllocateBuffer | kFormatMessageFromSystem, nullptr, 2,
                                     kLangUserDefault, &text, 0, nullptr));
    EXPECT_EQ(nullptr, text);
    EXPECT_EQ(0u, sim.GetLastError());

    sim.Fail(SimCall::SetDeviceGammaRamp, 31, 1);
    sim.ClearFailures();
    HardwareRamp ramp = sim.Ramp("\\\\.\\DISPLAY1");
    EXPECT_TRUE(sim.SetDeviceGammaRamp(dc, &ramp));
    EXPECT_TRUE(sim.DeleteDC(dc));
}

// ---- Leak counters ----

TEST(SimCounters, ScopeReportsWhatIsStillHeld)
{
    EXPECT_NONFATAL_FAILURE(
        {
            SimScope leaky;
            leaky.sim().AddStandardMonitor();
            leaky.sim().CreateDCA(nullptr, "\\\\.\\display1", nullptr, nullptr);
        },
        "OpenDcs: 1");
    EXPECT_NONFATAL_FAILURE(
        {
            SimScope leaky;
            leaky.sim().Calloc(0, 4);
        },
        "HeapBlocks: 1");
    EXPECT_NONFATAL_FAILURE(
        {
            SimScope leaky;
            char* text = nullptr;
            leaky.sim().FormatMessageA(kFormatMessageAllocateBuffer | kFormatMessageFromSystem, nullptr, 87,
                                       kLangUserDefault, &text, 0, nullptr);
        },
        "LocalBlocks: 1");

    SimScope scope;
    SimPlatform& sim = scope.sim();
    char* text = nullptr;
    EXPECT_EQ(29u, sim.FormatMessageA(kFormatMessageAllocateBuffer | kFormatMessageFromSystem |
                                          kFormatMessageIgnoreInserts,
                                      nullptr, 87, kLangUserDefault, &text, 0, nullptr));
    EXPECT_STREQ("The parameter is incorrect.\r\n", text);
    void* block = sim.Calloc(0, 1);
    EXPECT_EQ(1, sim.LocalBlocks());
    EXPECT_EQ(1, sim.HeapBlocks());
    EXPECT_EQ(nullptr, sim.LocalFree(text));
    sim.Free(block);
    sim.Free(nullptr);
    EXPECT_EQ(0, sim.LocalBlocks());
    EXPECT_EQ(0, sim.HeapBlocks());

    EXPECT_EQ(0u, sim.FormatMessageA(kFormatMessageAllocateBuffer | kFormatMessageFromSystem, nullptr, 1234,
                                     kLangUserDefault, &text, 0, nullptr));
    EXPECT_EQ(317u, sim.GetLastError());
    EXPECT_EQ(nullptr, text);
}

// ---- Code page and display devices ----

TEST(SimCodePage, DoubleByteCharactersRoundTripAndSizesAreExact)
{
    SimScope scope;
    SimPlatform& sim = scope.sim();
    sim.LeadBytes() = {0x95};
    const char text[] = "a\x95\x5C\xE9";   // a, a character whose trail byte is '\', e-acute

    EXPECT_EQ(4, sim.MultiByteToWideChar(kCodePageThreadAcp, 0, text, -1, nullptr, 0));
    char16_t wide[4] = {};
    sim.SetLastError(kSentinel);
    EXPECT_EQ(0, sim.MultiByteToWideChar(kCodePageThreadAcp, 0, text, -1, wide, 3));
    EXPECT_EQ(kErrorInsufficientBuffer, sim.GetLastError());
    ASSERT_EQ(4, sim.MultiByteToWideChar(kCodePageThreadAcp, 0, text, -1, wide, 4));
    EXPECT_EQ(u'a', wide[0]);
    EXPECT_EQ(u'\u00E9', wide[2]);
    EXPECT_EQ(u'\0', wide[3]);

    char back[8] = {};
    Bool32 usedDefault = 1;
    ASSERT_EQ(5, sim.WideCharToMultiByte(kCodePageThreadAcp, 0, wide, -1, back, 8, nullptr, &usedDefault));
    EXPECT_STREQ(text, back);
    EXPECT_FALSE(usedDefault);

    const char16_t unmappable[] = u"\u20AC\u0095";   // the euro sign, a lone lead byte
    EXPECT_EQ(2, sim.WideCharToMultiByte(kCodePageThreadAcp, 0, unmappable, 2, back, 8, nullptr, &usedDefault));
    EXPECT_EQ("??", std::string(back, 2));
    EXPECT_TRUE(usedDefault);

    const char16_t lookAlike[] = u"\u0100";   // A with macron: best fit, no default
    EXPECT_EQ(1, sim.WideCharToMultiByte(kCodePageThreadAcp, 0, lookAlike, 1, back, 8, nullptr, &usedDefault));
    EXPECT_EQ('A', back[0]);
    EXPECT_FALSE(usedDefault);
}

TEST(SimCodePage, Utf8FailsALoneSurrogateOnlyWhenAskedAndRoundTripsTheRest)
{
    SimScope scope;
    SimPlatform& sim = scope.sim();
    sim.SetUtf8AnsiCodePage(true);
    const char16_t text[] = u"\u30D7\U0001F600\xD800";
    char out[16] = {};
    sim.SetLastError(kSentinel);
    EXPECT_EQ(0, sim.WideCharToMultiByte(kCodePageThreadAcp, kWcErrInvalidChars, text, 4, out, 16, nullptr, nullptr));
    EXPECT_EQ(1113u, sim.GetLastError());
    ASSERT_EQ(10, sim.WideCharToMultiByte(kCodePageThreadAcp, 0, text, 4, out, 16, nullptr, nullptr));
    EXPECT_EQ("\xE3\x83\x97\xF0\x9F\x98\x80\xEF\xBF\xBD", std::string(out, 10));
    char16_t back[4] = {};
    ASSERT_EQ(4, sim.MultiByteToWideChar(kCodePageThreadAcp, 0, out, 10, back, 4));
    EXPECT_EQ(u"\u30D7\U0001F600\uFFFD", std::u16string(back, 4));
}

TEST(SimDisplay, LongNamesAreTruncatedAndManyAdaptersEnumerate)
{
    SimScope scope;
    SimPlatform& sim = scope.sim();
    const std::string longName(1000, 'N');
    for (int i = 0; i < 20; ++i) {
        SimAdapter adapter;
        adapter.device.name = "\\\\.\\DISPLAY" + std::to_string(i + 1);
        adapter.device.string = longName;
        for (int m = 0; m < 20; ++m)
            adapter.monitors.push_back({longName, longName, kDisplayDeviceAttached, longName, longName});
        sim.AddAdapter(adapter);
    }
    DisplayDevice record{};
    record.cb = sizeof(record);
    ASSERT_TRUE(sim.EnumDisplayDevicesA(nullptr, 19, &record, 0));
    EXPECT_STREQ("\\\\.\\DISPLAY20", record.DeviceName);
    EXPECT_EQ(std::string(127, 'N'), record.DeviceString);
    ASSERT_TRUE(sim.EnumDisplayDevicesA("\\\\.\\display20", 19, &record, 0));
    EXPECT_EQ(std::string(31, 'N'), record.DeviceName);
    EXPECT_EQ(std::string(127, 'N'), record.DeviceKey);
    sim.SetLastError(kSentinel);
    EXPECT_FALSE(sim.EnumDisplayDevicesA("\\\\.\\DISPLAY20", 20, &record, 0));
    EXPECT_FALSE(sim.EnumDisplayDevicesA(nullptr, 20, &record, 0));
    EXPECT_EQ(kSentinel, sim.GetLastError());
    record.cb = 296;
    EXPECT_FALSE(sim.EnumDisplayDevicesA(nullptr, 0, &record, 0));
}

TEST(SimDisplay, RemovedMonitorIsUnlistedStaleAndReturnsUnderANewHandle)
{
    SimScope scope;
    SimPlatform& sim = scope.sim();
    const MonitorHandle first = sim.AddStandardMonitor();
    const MonitorHandle second = sim.AddStandardMonitor();
    std::vector<MonitorHandle> handles;
    auto listed = [&sim, &handles] {
        auto collect = [](MonitorHandle m, DcHandle, Rect32*, intptr_t data) -> Bool32 {
            reinterpret_cast<std::vector<MonitorHandle>*>(data)->push_back(m);
            return 1;
        };
        handles.clear();
        return sim.EnumDisplayMonitors(nullptr, nullptr, collect, reinterpret_cast<intptr_t>(&handles));
    };

    sim.RemoveMonitor(first);
    EXPECT_TRUE(listed());
    EXPECT_EQ(std::vector<MonitorHandle>{second}, handles);
    MonitorInfoEx info{};
    info.cbSize = sizeof(info);
    sim.SetLastError(kSentinel);
    EXPECT_FALSE(sim.GetMonitorInfoA(first, &info));
    EXPECT_EQ(1461u, sim.GetLastError());

    SimMonitor back;
    back.adapterName = "\\\\.\\DISPLAY1";
    const MonitorHandle returned = sim.AddMonitor(back);
    EXPECT_NE(first, returned);
    EXPECT_NE(second, returned);
    EXPECT_TRUE(listed());
    EXPECT_EQ((std::vector<MonitorHandle>{second, returned}), handles);
    EXPECT_FALSE(sim.GetMonitorInfoA(first, &info));

    sim.RemoveMonitor(second);
    sim.RemoveMonitor(returned);
    EXPECT_FALSE(listed());   // a desktop without monitors
    EXPECT_TRUE(handles.empty());
    // Placed at the origin again, as the desktop's only monitor.
    ASSERT_TRUE(sim.GetMonitorInfoA(sim.AddStandardMonitor(), &info));
    EXPECT_EQ(0, info.rcMonitor.left);
    EXPECT_EQ(1u, info.dwFlags);
}

TEST(SimDisplay, ConfigurationRefusesWrongRequestsAndShortBuffers)
{
    SimScope scope;
    SimPlatform& sim = scope.sim();
    sim.AddStandardMonitor();
    sim.AddStandardMonitor();
    uint32_t pathCount = 0;
    uint32_t modeCount = 0;
    ASSERT_EQ(0, sim.GetDisplayConfigBufferSizes(kQdcOnlyActivePaths, &pathCount, &modeCount));
    ASSERT_EQ(2u, pathCount);
    std::vector<DisplayConfigPathInfo> paths(pathCount);
    std::vector<DisplayConfigModeInfo> modes(modeCount);
    uint32_t shortCount = 1;
    EXPECT_EQ(122, sim.QueryDisplayConfig(kQdcOnlyActivePaths, &shortCount, paths.data(), &modeCount,
                                          modes.data(), nullptr));
    ASSERT_EQ(0, sim.QueryDisplayConfig(kQdcOnlyActivePaths, &pathCount, paths.data(), &modeCount,
                                        modes.data(), nullptr));

    DisplayConfigSourceDeviceName name{};
    name.header = {kDisplayConfigGetSourceName, sizeof(name), paths[1].sourceInfo.adapterId, paths[1].sourceInfo.id};
    ASSERT_EQ(0, sim.DisplayConfigGetDeviceInfo(&name.header));
    EXPECT_TRUE(std::u16string(u"\\\\.\\DISPLAY2") == name.viewGdiDeviceName);
    name.header.size = sizeof(DisplayConfigAdvancedColorInfo);
    EXPECT_EQ(87, sim.DisplayConfigGetDeviceInfo(&name.header));
    name.header = {kDisplayConfigGetSourceName, sizeof(name), paths[1].sourceInfo.adapterId, paths[1].targetInfo.id};
    EXPECT_EQ(87, sim.DisplayConfigGetDeviceInfo(&name.header));

    sim.SetLastError(kSentinel);
    sim.Fail(SimCall::QueryDisplayConfig, 31);
    EXPECT_EQ(31, sim.QueryDisplayConfig(kQdcOnlyActivePaths, &pathCount, paths.data(), &modeCount,
                                         modes.data(), nullptr));
    EXPECT_EQ(kSentinel, sim.GetLastError());
}

// ---- Gamma ramps ----

TEST(SimRamp, SharedRampAndEightBitEntries)
{
    SimScope scope;
    SimPlatform& sim = scope.sim();
    sim.AddStandardMonitor();
    sim.AddStandardMonitor();
    sim.SetSharedRamp(true);
    sim.SetRampBits(8);
    EXPECT_EQ(0xFFFF, sim.Ramp("\\\\.\\DISPLAY1").red[255]);

    HardwareRamp written = sim.Ramp("\\\\.\\DISPLAY1");
    written.green[10] = 0x1234;
    DcHandle dc = sim.CreateDCA(nullptr, "\\\\.\\DISPLAY2", nullptr, nullptr);
    ASSERT_NE(nullptr, dc);
    EXPECT_TRUE(sim.SetDeviceGammaRamp(dc, &written));
    EXPECT_TRUE(sim.DeleteDC(dc));

    dc = sim.CreateDCA(nullptr, "\\\\.\\DISPLAY1", nullptr, nullptr);
    ASSERT_NE(nullptr, dc);
    HardwareRamp read{};
    EXPECT_TRUE(sim.GetDeviceGammaRamp(dc, &read));
    EXPECT_TRUE(sim.DeleteDC(dc));
    EXPECT_EQ(0x1212, read.green[10]);
    EXPECT_EQ(0x1212, sim.Ramp("\\\\.\\DISPLAY1").green[10]);

    sim.SetSharedRamp(false);
    EXPECT_EQ(0x0A0A, sim.Ramp("\\\\.\\DISPLAY1").green[10]);   // its own again, never written
}

}  // namespace
