// The current-profile lookup on the real platform: Wine's colour store and the
// adapter's device context.
#include "cms/CMSSupport.h"
#include "cms/monitor_strings.h"
#include "platform/win32/win32_platform.h"
#include "support/program_driver.h"
#include "support/test_profiles.h"
#include "support/win_test_util.h"

#include <gtest/gtest.h>

namespace {

// The real platform with chosen calls failing, to reach the later routes for real.
class FailingPlatform : public Win32Platform {
public:
    bool failStore = false;
    bool failContext = false;

    Bool32 EnumColorProfilesW(const char16_t* machine, EnumTypeW* criteria, uint8_t* buffer, uint32_t* size,
                              uint32_t* count) override
    {
        if (failStore) {
            ::SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        return Win32Platform::EnumColorProfilesW(machine, criteria, buffer, size, count);
    }
    Bool32 GetICMProfileA(DcHandle dc, uint32_t* size, char* filename) override
    {
        if (failContext) {
            ::SetLastError(ERROR_FILE_NOT_FOUND);
            return FALSE;
        }
        return Win32Platform::GetICMProfileA(dc, size, filename);
    }
};

class WineCurrentProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previous = SetPlatform(&platform);
        ASSERT_TRUE(store.Valid());
        for (const program::Monitor& monitor : program::Monitors())
            if (monitor.adapter == "\\\\.\\DISPLAY1")
                first = monitor;
        ASSERT_FALSE(first.deviceId.empty()) << "the test bed shows no \\\\.\\DISPLAY1";
        m_hMonitor = MonitorFromRect(&first.rect, MONITOR_DEFAULTTONULL);
        ASSERT_NE(m_hMonitor, nullptr);
        store.RestoreParked();
        store.ForgetAssociations(first.deviceId);
        store.RemoveTestProfiles();
    }

    void TearDown() override
    {
        store.ForgetAssociations(first.deviceId);
        store.RemoveTestProfiles();
        SetPlatform(m_previous);
    }

    MonitorHandle Monitor() const { return reinterpret_cast<MonitorHandle>(m_hMonitor); }

    FailingPlatform platform;
    program::ColourStore store;
    program::Monitor first;

private:
    Platform* m_previous = nullptr;
    HMONITOR m_hMonitor = nullptr;
};

TEST_F(WineCurrentProfileTest, StoreNamesTheFirstProfileItListsForTheDevice)
{
    ASSERT_TRUE(store.Install(profiles::kValid));
    ASSERT_TRUE(store.Install(profiles::kMild));
    const std::string listedFirst = program::FirstProfileOf(first.deviceId);
    ASSERT_FALSE(listedFirst.empty());

    std::string path, name, extension;
    EXPECT_EQ(GetProfileNameUsingDeviceID(Monitor(), &path, &name, &extension), 0);
    EXPECT_EQ(name + extension, listedFirst);
    EXPECT_EQ(path, MakeColorDirectoryPath(listedFirst));
}

TEST_F(WineCurrentProfileTest, AdaptersContextNamesTheAssociatedProfileWhenTheStoreFails)
{
    // Wine's adapter names the first associated profile by name, and associations of
    // earlier runs may outlive their files: this name sorts before any of them.
    ASSERT_TRUE(store.Install(profiles::kMild, "kv-00current.icm"));
    ASSERT_TRUE(store.Associate("kv-00current.icm", first.deviceId));
    platform.failStore = true;

    std::string path, name, extension;
    EXPECT_EQ(GetProfileNameUsingDeviceID(Monitor(), &path, &name, &extension), 0);
    EXPECT_EQ(name, "kv-00current");
    EXPECT_EQ(extension, ".icm");
    EXPECT_EQ(lstrcmpiA(path.c_str(), MakeColorDirectoryPath("kv-00current.icm").c_str()), 0) << path;
}

TEST_F(WineCurrentProfileTest, EveryRouteFailingLeavesNotAvailable)
{
    platform.failStore = true;
    platform.failContext = true;
    std::string path = "old", name = "old", extension = "old";
    EXPECT_EQ(GetProfileNameUsingDeviceID(Monitor(), &path, &name, &extension), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(name, "-na-");
    EXPECT_EQ(path, "");
    EXPECT_EQ(extension, "");
}

}  // namespace
