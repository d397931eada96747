// What a profile will do before it is selected, told by the download's own checks.
#include "cms/CMSSupport.h"
#include "cms/calibration_check.h"
#include "res/resource.h"

#include "support/host_test.h"
#include "support/test_profiles.h"

#include <cctype>
#include <cstring>

namespace {

class VerdictTest : public StandardMonitorTest {};

// ---- The verdict before the click -----------------------------------------------------

constexpr const char* kTurnOnExtended = "Its calibration is a 16-bit or formula table: turn on \"Also load "
                                       "16-bit and formula tables\" in the window menu to load it.";

struct VerdictCase {
    const char* profile;
    CalibrationVerdict verdict;
    const char* text;
};

class Verdicts : public VerdictTest, public ::testing::WithParamInterface<VerdictCase> {};

INSTANTIATE_TEST_SUITE_P(
    EveryKind, Verdicts,
    ::testing::Values(
        VerdictCase{profiles::kMild, CalibrationVerdict::Loads, "Loads its video card calibration when selected."},
        VerdictCase{profiles::kNoCalibration, CalibrationVerdict::NoTable,
                    "No video card calibration: selecting it only makes it the default profile."},
        VerdictCase{profiles::k16Bit, CalibrationVerdict::ExtendedTable, kTurnOnExtended},
        VerdictCase{profiles::kFormula, CalibrationVerdict::ExtendedTable, kTurnOnExtended},
        VerdictCase{profiles::kBadSize, CalibrationVerdict::Damaged,
                    "Its calibration data is damaged and will not be loaded."},
        VerdictCase{profiles::kBadSignature, CalibrationVerdict::Damaged,
                    "Its calibration data is damaged and will not be loaded."},
        VerdictCase{profiles::kTooDark, CalibrationVerdict::TooDark,
                    "Its calibration would make the screen too dark and will not be loaded."},
        VerdictCase{profiles::kGarbage, CalibrationVerdict::Unreadable, nullptr}),
    [](const ::testing::TestParamInfo<VerdictCase>& test) {
        std::string name;
        for (const char* p = test.param.profile + 3; *p && *p != '.'; ++p)
            if (std::isalnum(static_cast<unsigned char>(*p)))
                name += *p;
        return name;
    });

TEST_P(Verdicts, AreTheDownloadsOwnAnswerAndWriteNothing)
{
    const std::string path = Install(GetParam().profile);
    const HardwareRamp before = sim.Ramp(adapter);

    const CalibrationDiagnosis diagnosis = DiagnoseProfile(path.c_str());
    EXPECT_EQ(diagnosis.verdict, GetParam().verdict);
    if (GetParam().text) {
        EXPECT_EQ(DescribeVerdict(diagnosis), GetParam().text);
    }
    EXPECT_EQ(sim.RampWrites(), 0);
    const HardwareRamp after = sim.Ramp(adapter);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    EXPECT_TRUE(reports.empty());

    // The download gives the same answer, since the same checks give both.
    int32_t messageId = -1;
    const int32_t result = LoadCalibration(monitor, path.c_str(), messageId);
    EXPECT_EQ(result, diagnosis.result);
    EXPECT_EQ(messageId, diagnosis.messageId);
    if (diagnosis.verdict == CalibrationVerdict::Loads) {
        EXPECT_TRUE(Holds(sim.Ramp(adapter), diagnosis.ramp));
    }
}

TEST_F(VerdictTest, UnreadableProfileSaysWhyWithItsCode)
{
    CalibrationDiagnosis missing = DiagnoseProfile(ColorPath("kv-not-there.icm").c_str());
    EXPECT_EQ(missing.verdict, CalibrationVerdict::Unreadable);
    EXPECT_EQ(missing.messageId, IDS_OPEN_FAILED);
    EXPECT_EQ(DescribeVerdict(missing), "The profile cannot be read (" + std::to_string(missing.result) + ").");
    EXPECT_NE(missing.result, 0);

    // A tag whose presence cannot even be tested is damaged, not unreadable.
    const std::string path = Install(profiles::kMild);
    sim.Fail(SimCall::IsColorProfileTagPresent, 13);
    EXPECT_EQ(DiagnoseProfile(path.c_str()).verdict, CalibrationVerdict::Damaged);
}

}  // namespace
