// What a profile will do before it is selected, told by the download's own checks.
#include "cms/CMSSupport.h"
#include "cms/calibration_check.h"
#include "cms/vcgt_decoder.h"
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

TEST(ExtendedVcgt, TablesOfOtherFormsAndFormulasAreToldFromDamage)
{
    // A well-formed table of another form than the 786-byte one, or a formula.
    const auto IsExtendedVcgt = [](const uint8_t* tag, size_t size) {
        HardwareRamp scratch{};
        const VcgtDecoding decoding = DecodeVcgt(tag, size, scratch);
        return decoding.Ok() && decoding.form != VcgtForm::ByteTable;
    };
    const auto table = [](uint16_t channels, uint16_t count, uint16_t entrySize, size_t extra = 0) {
        std::vector<uint8_t> tag(18 + size_t(channels) * count * entrySize + extra, 0x80);
        const uint8_t header[18] = {'v', 'c', 'g', 't', 0, 0, 0, 0, 0, 0, 0, 0,
                                    uint8_t(channels >> 8), uint8_t(channels), uint8_t(count >> 8), uint8_t(count),
                                    uint8_t(entrySize >> 8), uint8_t(entrySize)};
        std::memcpy(tag.data(), header, sizeof header);
        return tag;
    };
    for (auto tag : {table(3, 256, 2), table(1, 256, 1), table(3, 2, 2), table(1, 65535, 2), table(3, 1024, 1)})
        EXPECT_TRUE(IsExtendedVcgt(tag.data(), tag.size())) << tag.size();
    // The downloaded form itself, and forms whose size disagrees with their header.
    for (auto tag : {table(3, 256, 1), table(3, 256, 2, 1), table(2, 256, 2), table(3, 1, 2), table(3, 256, 3)})
        EXPECT_FALSE(IsExtendedVcgt(tag.data(), tag.size())) << tag.size();

    // Gamma 1 from 0 to 1 in each channel; a gamma of 0 is no curve.
    std::vector<uint8_t> formula(48, 0);
    std::memcpy(formula.data(), "vcgt\0\0\0\0\0\0\0\1", 12);
    for (size_t c = 0; c < 3; ++c)
        formula[12 + 12 * c + 1] = formula[12 + 12 * c + 9] = 1;
    EXPECT_TRUE(IsExtendedVcgt(formula.data(), formula.size()));
    EXPECT_FALSE(IsExtendedVcgt(formula.data(), 47));
    formula[13] = 0;
    EXPECT_FALSE(IsExtendedVcgt(formula.data(), formula.size()));
    formula[13] = 1;
    formula[0] = 'x';
    EXPECT_FALSE(IsExtendedVcgt(formula.data(), formula.size()));
    EXPECT_FALSE(IsExtendedVcgt(nullptr, 48));
}

}  // namespace
