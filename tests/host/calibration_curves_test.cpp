#include "ui/calibration_curves.h"

#include "cms/CMSSupport.h"
#include "cms/calibration_check.h"
#include "report/resource_strings.h"
#include "report/text_format.h"
#include "res/resource.h"
#include "support/host_test.h"
#include "support/test_profiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class CalibrationCurves : public StandardMonitorTest {};

TEST_F(CalibrationCurves, OnlyATableThatLoadsIsPlottedAndEveryOtherCaseSaysWhy)
{
    struct Case {
        const char* name;
        const char* profile;   // null: none selected
        bool extended;
        bool advancedColor;
        std::string (*reason)(const std::string& screen, const std::string& path, bool extended);
    };
    const auto notLoadable = [](const std::string&, const std::string& path, bool extended) {
        const std::string why = DescribeVerdict(DiagnoseProfile(path.c_str(), extended));
        const std::string stem = path.substr(path.rfind('\\') + 1);
        return Text(IDS_CURVES_NOT_LOADABLE, stem.substr(0, stem.rfind('.')).c_str(), why.c_str());
    };
    const Case cases[] = {
        {"NoProfile", nullptr, false, false,
         [](const std::string&, const std::string&, bool) { return Text(IDS_CURVES_NO_PROFILE); }},
        {"NoTable", profiles::kNoCalibration, false, false,
         [](const std::string&, const std::string&, bool) { return Text(IDS_CURVES_NO_TABLE, "kv-novcgt"); }},
        {"Damaged", profiles::kBadSize, false, false, notLoadable},
        {"TooDark", profiles::kTooDark, false, false, notLoadable},
        {"SixteenBitWithTheSettingOff", profiles::k16Bit, false, false, notLoadable},
        {"Unreadable", profiles::kGarbage, false, false, notLoadable},
        {"Hdr", profiles::kMild, false, true,
         [](const std::string& s, const std::string&, bool) { return Text(IDS_CURVES_HDR, s.c_str()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.profile ? Install(c.profile) : std::string();
        const CurvesContent content =
            ReadCurves(monitor, path, screen, c.extended, c.advancedColor, KeepState::Idle, true);
        EXPECT_FALSE(content.plotted);
        EXPECT_FALSE(content.cardRead);
        EXPECT_EQ(content.reason, c.reason(screen, path, c.extended));
        EXPECT_TRUE(content.verdict.text.empty());
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(CalibrationCurves, ALoadedTableIsPlottedWithTheRampAndVerifysVerdict)
{
    struct Case {
        const char* name;
        const char* profile;
        bool extended;
        bool rampReadFails;
    };
    const Case cases[] = {
        {"ByteTable", profiles::kMild, false, false},
        {"SixteenBit", profiles::k16Bit, true, false},
        {"Formula", profiles::kFormula, true, false},
        {"AnyEntryCount", profiles::k1024, true, false},
        {"RampUnreadable", profiles::kMild, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim.ClearFailures();
        const std::string path = Install(c.profile);
        int32_t messageId = -1;
        ASSERT_EQ(LoadCalibration(monitor, path.c_str(), messageId, c.extended), 0);
        if (c.rampReadFails)
            sim.Fail(SimCall::GetDeviceGammaRamp, 6);
        const int writes = sim.RampWrites();
        const CurvesContent content = ReadCurves(monitor, path, screen, c.extended, false, KeepState::Keeping, true);
        EXPECT_TRUE(content.plotted);
        EXPECT_TRUE(content.reason.empty());
        EXPECT_TRUE(SameRamp(content.table, DiagnoseProfile(path.c_str(), c.extended).hardware));
        EXPECT_EQ(content.cardRead, !c.rampReadFails);
        if (content.cardRead) {
            EXPECT_EQ(CompareRamp(content.card, content.table).entries, 0);
        }
        const VerifyAnswer verify =
            VerifyCalibration(monitor, path, screen, c.extended, false, KeepState::Keeping, true);
        EXPECT_EQ(content.verdict.text, verify.text);
        EXPECT_EQ(content.verdict.warning, verify.warning);
        EXPECT_EQ(sim.RampWrites(), writes) << "the curves wrote the ramp";
    }
    EXPECT_EQ(CurvesCaption(screen), Text(IDS_CURVES_CAPTION, screen.c_str()));
}

}  // namespace
