// The Win32 platform against the system itself: records, callbacks and in/out counts
// must arrive as Windows hands them out.
#include "platform/guards.h"
#include "platform/win32/win32_platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kSentinel = 0xfaceabee;
constexpr uint32_t kTagDesc = 0x64657363;   // 'desc', in every profile

TEST(Win32Platform, MonitorCallbackAndRecordsMatchTheSystem)
{
    Win32Platform platform;
    std::vector<MonitorHandle> monitors;
    Bool32 ok = platform.EnumDisplayMonitors(
        nullptr, nullptr,
        [](MonitorHandle monitor, DcHandle, Rect32*, intptr_t data) -> Bool32 {
            reinterpret_cast<std::vector<MonitorHandle>*>(data)->push_back(monitor);
            return TRUE;
        },
        reinterpret_cast<intptr_t>(&monitors));
    ASSERT_TRUE(ok);
    ASSERT_FALSE(monitors.empty());

    for (MonitorHandle monitor : monitors) {
        MonitorInfoEx ours{};
        ours.cbSize = sizeof(ours);
        ASSERT_TRUE(platform.GetMonitorInfoA(monitor, &ours));
        MONITORINFOEXA theirs{};
        theirs.cbSize = sizeof(theirs);
        ASSERT_TRUE(GetMonitorInfoA(reinterpret_cast<HMONITOR>(monitor), &theirs));
        EXPECT_STREQ(ours.szDevice, theirs.szDevice);
        EXPECT_EQ(ours.rcMonitor.right, theirs.rcMonitor.right);
        EXPECT_EQ(ours.rcWork.bottom, theirs.rcWork.bottom);
        EXPECT_EQ(ours.dwFlags, theirs.dwFlags);
    }

    DisplayDevice adapter{};
    adapter.cb = sizeof(adapter);
    ASSERT_TRUE(platform.EnumDisplayDevicesA(nullptr, 0, &adapter, 0));
    DisplayDevice monitor{};
    monitor.cb = sizeof(monitor);
    ASSERT_TRUE(platform.EnumDisplayDevicesA(adapter.DeviceName, 0, &monitor, 0));
    EXPECT_EQ(std::string(monitor.DeviceID).rfind("MONITOR\\", 0), 0u) << monitor.DeviceID;
}

TEST(Win32Platform, GammaRampReadsThroughTheAdapterContext)
{
    // DcOwner releases through Sys(), the Win32 platform the test program installed.
    Win32Platform platform;
    DcOwner dc(platform.CreateDCA("\\\\.\\DISPLAY1", "\\\\.\\DISPLAY1", nullptr, nullptr));
    ASSERT_TRUE(dc);
    HardwareRamp ours{};
    ASSERT_TRUE(platform.GetDeviceGammaRamp(dc.Get(), &ours));
    WORD theirs[3][256] = {};
    ASSERT_TRUE(GetDeviceGammaRamp(reinterpret_cast<HDC>(dc.Get()), theirs));
    EXPECT_EQ(std::memcmp(&ours, theirs, sizeof(theirs)), 0);
}

TEST(Win32Platform, SizesComeBackThroughTheCountArguments)
{
    Win32Platform platform;
    uint32_t size = 0;
    EXPECT_FALSE(platform.GetColorDirectoryA(nullptr, nullptr, &size));
    ASSERT_GT(size, 1u);
    std::string directory(size, '\0');
    ASSERT_TRUE(platform.GetColorDirectoryA(nullptr, directory.data(), &size));
    directory.resize(std::strlen(directory.c_str()));
    ASSERT_FALSE(directory.empty());

    EnumTypeA criteria{};
    criteria.dwSize = sizeof(criteria);
    criteria.dwVersion = kEnumTypeVersion;
    uint32_t listSize = 0;
    uint32_t count = kSentinel;
    platform.EnumColorProfilesA(nullptr, &criteria, nullptr, &listSize, &count);
    EXPECT_GT(listSize, 0u);
    EXPECT_NE(count, kSentinel);

    // A record of another size lists nothing and leaves the last error as it was.
    criteria.dwSize = sizeof(criteria) - 8;
    listSize = 0;
    platform.SetLastError(kSentinel);
    EXPECT_FALSE(platform.EnumColorProfilesA(nullptr, &criteria, nullptr, &listSize, &count));
    EXPECT_EQ(platform.GetLastError(), kSentinel);
    EXPECT_EQ(listSize, 0u);

    // Every fresh prefix carries this profile.
    const std::string path = directory + "\\srgb color space profile.icm";
    ProfileRecord record{kProfileFilename, path.c_str(), static_cast<uint32_t>(path.size() + 1)};
    ProfileHandle profile = platform.OpenColorProfileA(&record, kProfileRead, kFileShareRead, kOpenExisting);
    ASSERT_NE(profile, nullptr) << path;
    Bool32 present = FALSE;
    EXPECT_TRUE(platform.IsColorProfileTagPresent(profile, kTagDesc, &present));
    EXPECT_TRUE(present);
    uint32_t tagSize = 0;
    Bool32 reference = FALSE;
    platform.SetLastError(kSentinel);
    EXPECT_FALSE(platform.GetColorProfileElement(profile, kTagDesc, 0, &tagSize, nullptr, &reference));
    EXPECT_EQ(platform.GetLastError(), kSentinel) << "sizing leaves the last error alone";
    ASSERT_GT(tagSize, 4u);
    std::vector<uint8_t> tag(tagSize);
    EXPECT_TRUE(platform.GetColorProfileElement(profile, kTagDesc, 0, &tagSize, tag.data(), &reference));
    EXPECT_EQ(tagSize, tag.size());
    EXPECT_EQ(std::memcmp(tag.data(), "desc", 4), 0);
    EXPECT_TRUE(platform.CloseColorProfile(profile));
}

}  // namespace
