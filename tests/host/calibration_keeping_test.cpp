// What a profile will do before it is selected, the check of a monitor's ramp, the
// command-line load and its switches.
#include "app/command_line.h"
#include "cms/CMSSupport.h"
#include "cms/calibration_check.h"
#include "cms/current_calibration.h"
#include "cms/vcgt_decoder.h"
#include "res/resource.h"

#include "host_test.h"

#include <cctype>
#include <cstring>

namespace {

class KeepingTest : public StandardMonitorTest {
protected:
    std::string Install(const std::string& name)
    {
        sim.InstallProfile(TestProfile(name));
        return ColorPath(name);
    }

    // A ramp put in the video card by someone else: the linear one, or the given one.
    void WriteFromOutside(const std::string& adapterName, const GammaRamp& ramp = IdentityRamp())
    {
        HardwareRamp hardware{};
        MakeHardwareRamp(ramp, hardware);
        DcHandle dc = sim.CreateDCA(adapterName.c_str(), adapterName.c_str(), nullptr, nullptr);
        ASSERT_NE(dc, nullptr);
        EXPECT_TRUE(sim.SetDeviceGammaRamp(dc, &hardware));
        sim.DeleteDC(dc);
    }

    static bool Holds(const HardwareRamp& actual, const GammaRamp& ramp)
    {
        HardwareRamp expected{};
        MakeHardwareRamp(ramp, expected);
        return CompareRamp(actual, expected).entries == 0;
    }

    // Adds a second monitor and makes the profiles the current ones of the first and
    // the second.
    void MakeCurrent(const std::string& first, const std::string& second)
    {
        MonitorStrings names;
        ASSERT_EQ(GetMonitorStrings(sim.AddStandardMonitor(), names, 1), 0);
        secondDeviceId = names.deviceId;
        Install(first);
        Install(second);
        sim.Associations(deviceId) = {first};
        sim.Associations(secondDeviceId) = {second};
    }

    std::string secondDeviceId;

    // The ramp that kv-mild downloads.
    GammaRamp MildRamp()
    {
        const CalibrationDiagnosis mild = DiagnoseProfile(Install("kv-mild.icm").c_str());
        EXPECT_EQ(mild.verdict, CalibrationVerdict::Loads);
        return mild.ramp;
    }
};

// ---- The verdict before the click -----------------------------------------------------

constexpr const char* kTurnOnExtended = "Its calibration is a 16-bit or formula table: turn on \"Also load "
                                       "16-bit and formula tables\" in the window menu to load it.";

struct VerdictCase {
    const char* profile;
    CalibrationVerdict verdict;
    const char* text;
};

class Verdicts : public KeepingTest, public ::testing::WithParamInterface<VerdictCase> {};

INSTANTIATE_TEST_SUITE_P(
    EveryKind, Verdicts,
    ::testing::Values(
        VerdictCase{"kv-mild.icm", CalibrationVerdict::Loads, "Loads its video card calibration when selected."},
        VerdictCase{"kv-novcgt.icm", CalibrationVerdict::NoTable,
                    "No video card calibration: selecting it only makes it the default profile."},
        VerdictCase{"kv-16bit.icm", CalibrationVerdict::ExtendedTable, kTurnOnExtended},
        VerdictCase{"kv-formula.icm", CalibrationVerdict::ExtendedTable, kTurnOnExtended},
        VerdictCase{"kv-badsize.icm", CalibrationVerdict::Damaged,
                    "Its calibration data is damaged and will not be loaded."},
        VerdictCase{"kv-badsig.icm", CalibrationVerdict::Damaged,
                    "Its calibration data is damaged and will not be loaded."},
        VerdictCase{"kv-green16383.icm", CalibrationVerdict::TooDark,
                    "Its calibration would make the screen too dark and will not be loaded."},
        VerdictCase{"kv-garbage.icm", CalibrationVerdict::Unreadable, nullptr}),
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

TEST_F(KeepingTest, UnreadableProfileSaysWhyWithItsCode)
{
    CalibrationDiagnosis missing = DiagnoseProfile(ColorPath("kv-not-there.icm").c_str());
    EXPECT_EQ(missing.verdict, CalibrationVerdict::Unreadable);
    EXPECT_EQ(missing.messageId, IDS_OPEN_FAILED);
    EXPECT_EQ(DescribeVerdict(missing), "The profile cannot be read (" + std::to_string(missing.result) + ").");
    EXPECT_NE(missing.result, 0);

    // A tag whose presence cannot even be tested is damaged, not unreadable.
    const std::string path = Install("kv-mild.icm");
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

// ---- Comparing ramps ----------------------------------------------------------------------

TEST(CompareRamp, CountsEntriesThatDifferInTheirHighByteAndTheLargestGap)
{
    HardwareRamp expected{};
    MakeHardwareRamp(IdentityRamp(), expected);
    HardwareRamp actual = expected;
    actual.red[0] = 0x00FF;        // low byte only: the same to 8 bits
    EXPECT_EQ(CompareRamp(actual, expected).entries, 0);
    actual.green[10] = 0x0500;     // 10 -> 5
    actual.blue[255] = 0x0000;     // 255 -> 0
    const RampDifference difference = CompareRamp(actual, expected);
    EXPECT_EQ(difference.entries, 2);
    EXPECT_EQ(difference.largest, 255);
}

// ---- The command-line load ------------------------------------------------------------------

TEST_F(KeepingTest, LogonLoadDownloadsEachCurrentProfileAndSkipsWhatHasNoTable)
{
    ASSERT_NO_FATAL_FAILURE(MakeCurrent("kv-mild.icm", "kv-novcgt.icm"));
    const GammaRamp mild = DiagnoseProfile(ColorPath("kv-mild.icm").c_str()).ramp;

    EXPECT_EQ(LoadCurrentCalibrations(false, false), 0);
    EXPECT_TRUE(Holds(sim.Ramp(adapter), mild));
    EXPECT_EQ(sim.RampWrites(), 1) << "the profile without a table wrote something";
    EXPECT_TRUE(reports.empty());
    // Associations are read, never changed.
    EXPECT_EQ(sim.Associations(deviceId), std::vector<std::string>{"kv-mild.icm"});
}

TEST_F(KeepingTest, LogonLoadReportsEachFailureUnlessQuietAndReturnsTheFirst)
{
    ASSERT_NO_FATAL_FAILURE(MakeCurrent("kv-green16383.icm", "kv-badsize.icm"));

    EXPECT_EQ(LoadCurrentCalibrations(true, false), kResultImplausibleTable);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(sim.RampWrites(), 0);

    EXPECT_EQ(LoadCurrentCalibrations(false, false), kResultImplausibleTable);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].messageText,
              "Sorry, the calibration data in the profile \"kv-green16383\" for monitor \"Simulated Monitor 1\" "
              "appears to be bad and will not be downloaded to the video card. Please select another profile. (-2)");
    EXPECT_NE(reports[1].messageText.find("\"kv-badsize\" for monitor \"Simulated Monitor 2\""), std::string::npos);

    // A profile that is named but cannot be read is a failure like any other.
    reports.clear();
    Install("kv-garbage.icm");
    sim.Associations(deviceId) = {"kv-garbage.icm"};
    EXPECT_NE(LoadCurrentCalibrations(false, false), 0);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(reports[0].messageText.find("\"kv-garbage\""), std::string::npos) << reports[0].messageText;
}

TEST_F(KeepingTest, LogonLoadTakesANamedProfileThatIsNotThereForNone)
{
    // A profile deleted since it was made the default, or the system's default name
    // where the store holds no such file: the monitor has no current profile.
    const MonitorHandle second = sim.AddStandardMonitor();
    MonitorStrings names;
    ASSERT_EQ(GetMonitorStrings(second, names, 1), 0);
    const GammaRamp mild = MildRamp();
    sim.Associations(deviceId) = {"kv-gone.icm"};
    sim.Associations(names.deviceId) = {"kv-mild.icm"};

    EXPECT_EQ(LoadCurrentCalibrations(false, false), 0);
    EXPECT_TRUE(reports.empty()) << reports[0].messageText;
    EXPECT_EQ(sim.RampWrites(), 1);
    EXPECT_TRUE(Holds(sim.Ramp(names.adapterName), mild)) << "the monitor after the missing one was skipped";
}

TEST_F(KeepingTest, QuietLogonLoadShowsNotEvenTheVideoCardsOwnReport)
{
    Install("kv-mild.icm");
    sim.Associations(deviceId) = {"kv-mild.icm"};

    sim.Fail(SimCall::SetDeviceGammaRamp, 31);
    EXPECT_EQ(LoadCurrentCalibrations(true, false), 31);
    EXPECT_TRUE(reports.empty()) << reports[0].messageText;

    // Quiet lasts as long as the load: afterwards reports show again.
    sim.Fail(SimCall::SetDeviceGammaRamp, 31);
    EXPECT_EQ(LoadCurrentCalibrations(false, false), 31);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(reports[1].messageText.find("(31)"), std::string::npos) << reports[1].messageText;
}

TEST(CommandLine, SwitchesInAnyCaseEitherMarkAndAnythingElseShowsTheUsage)
{
    for (const char* line : {static_cast<const char*>(nullptr), "", "   "}) {
        const CommandLine parsed = ParseCommandLine(line);
        EXPECT_EQ(parsed.mode, StartMode::Windows);
    }
    for (const char* line : {"/load", "-load", "/LOAD", " -Load  "}) {
        const CommandLine parsed = ParseCommandLine(line);
        EXPECT_EQ(parsed.mode, StartMode::Load) << line;
        EXPECT_FALSE(parsed.quiet);
    }
    for (const char* line : {"/load /quiet", "-QUIET /load"}) {
        const CommandLine parsed = ParseCommandLine(line);
        EXPECT_EQ(parsed.mode, StartMode::Load) << line;
        EXPECT_TRUE(parsed.quiet) << line;
    }
    for (const auto& [line, quiet] : {std::pair{"/tray", false}, {"-TRAY", false}, {"/Tray /quiet", true}}) {
        const CommandLine parsed = ParseCommandLine(line);
        EXPECT_EQ(parsed.mode, StartMode::Tray) << line;
        EXPECT_EQ(parsed.quiet, quiet) << line;
    }
    const CommandLine help = ParseCommandLine("/?");
    EXPECT_EQ(help.mode, StartMode::Usage);
    EXPECT_EQ(help.exitCode, 0);
    for (const char* line :
         {"/load garbage", "/loadx", "/load /x", "load", "/", "/quiet", "/? /bogus", "/tray /load", "/tray /x"}) {
        const CommandLine parsed = ParseCommandLine(line);
        EXPECT_EQ(parsed.mode, StartMode::Usage) << line;
        EXPECT_EQ(parsed.exitCode, 87) << line;
    }
}

}  // namespace
