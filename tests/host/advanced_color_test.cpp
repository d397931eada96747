// Reading whether a monitor's desktop is composed in advanced colour (HDR).
#include "cms/advanced_color.h"

#include "support/host_test.h"

namespace {

class AdvancedColorTest : public StandardMonitorTest {};

TEST_F(AdvancedColorTest, IsOffByDefaultAndOnOnlyForTheAdapterSet)
{
    const MonitorHandle second = sim.AddStandardMonitor();
    EXPECT_FALSE(IsHdrActive(monitor));
    EXPECT_FALSE(IsHdrActive(second));

    // The second path's source and target ids differ from the first's: a lookup that
    // stopped at the first path, or mixed the ids up, would answer wrongly here.
    sim.SetHdr("\\\\.\\DISPLAY2", true);
    EXPECT_FALSE(IsHdrActive(monitor));
    EXPECT_TRUE(IsHdrActive(second));

    sim.SetHdr("\\\\.\\DISPLAY2", false);
    EXPECT_FALSE(IsHdrActive(second));
}

TEST_F(AdvancedColorTest, MonitorThatLeftIsNotOnAndItsReturnIs)
{
    sim.SetHdr(adapter, true);
    sim.RemoveMonitor(monitor);
    EXPECT_FALSE(IsHdrActive(monitor));

    SimMonitor again;
    again.rect = {0, 0, 1920, 1080};
    again.work = again.rect;
    again.adapterName = adapter;
    EXPECT_TRUE(IsHdrActive(sim.AddMonitor(again)));
}

// Automatic colour management of an SDR monitor is not HDR, whether the system tells the
// mode itself or only that wide colour is enforced.
TEST_F(AdvancedColorTest, OnlyTheHdrModeCountsWithEitherQuery)
{
    struct Case {
        uint32_t mode;
        bool secondQuery;
        bool hdr;
    };
    for (const Case& c : {Case{kAdvancedColorModeSdr, true, false}, Case{kAdvancedColorModeWcg, true, false},
                          Case{kAdvancedColorModeHdr, true, true}, Case{kAdvancedColorModeSdr, false, false},
                          Case{kAdvancedColorModeWcg, false, false}, Case{kAdvancedColorModeHdr, false, true}}) {
        sim.SetColorMode(adapter, c.mode);
        sim.SetSecondColorQuery(c.secondQuery);
        EXPECT_EQ(IsHdrActive(monitor), c.hdr) << "mode " << c.mode << ", second query " << c.secondQuery;
    }
}

// Any call that fails means "not on"; a query that finds the configuration grown since
// the size query is tried again, up to three times. A refused second colour query falls
// back to the first.
struct CallFailure {
    const char* name;
    SimCall call;
    uint32_t code;
    int times;
    int skip;
    bool on;
};

class AdvancedColorFailures : public AdvancedColorTest, public ::testing::WithParamInterface<CallFailure> {};

TEST_P(AdvancedColorFailures, MeanNotOnUnlessARetrySucceeds)
{
    const CallFailure& f = GetParam();
    sim.SetHdr(adapter, true);
    sim.Fail(f.call, f.code, f.times, f.skip);
    EXPECT_EQ(IsHdrActive(monitor), f.on);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, AdvancedColorFailures,
    ::testing::Values(CallFailure{"SizesNotSupported", SimCall::GetDisplayConfigBufferSizes, 50, 1, 0, false},
                      CallFailure{"SizesInvalid", SimCall::GetDisplayConfigBufferSizes, 87, 1, 0, false},
                      CallFailure{"QueryInvalid", SimCall::QueryDisplayConfig, 87, 1, 0, false},
                      CallFailure{"QueryChangedTwice", SimCall::QueryDisplayConfig, 122, 2, 0, true},
                      CallFailure{"QueryChangedThrice", SimCall::QueryDisplayConfig, 122, 3, 0, false},
                      CallFailure{"SourceName", SimCall::DisplayConfigGetDeviceInfo, 87, 1, 0, false},
                      CallFailure{"SecondQueryRefused", SimCall::DisplayConfigGetDeviceInfo, 87, 1, 1, true},
                      // Wine names the source, then refuses both colour requests so.
                      CallFailure{"ColorNotSupported", SimCall::DisplayConfigGetDeviceInfo, 50, 2, 1, false},
                      // A "success" that fills nothing leaves the request as it was.
                      CallFailure{"ColorSilent", SimCall::DisplayConfigGetDeviceInfo, 0, 1, 1, false}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
