// Loading the calibration tables and formulas of other forms than the 786-byte table,
// once the setting asks for it: what each profile gives, that the ramp written is the
// reference library's to the entry, and that every road to a load (a selection, the
// verdict, the command line) honours the setting, and only it.
#include "cms/CMSSupport.h"
#include "cms/VideoCardUtils.h"
#include "cms/calibration_check.h"
#include "cms/current_calibration.h"
#include "cms/keeper_set.h"
#include "cms/vcgt_decoder.h"
#include "res/resource.h"

#include "support/host_test.h"
#include "support/lcms_reference.h"
#include "support/test_profiles.h"

#include <cstdlib>
#include <cstring>

namespace {

class ExtendedTest : public StandardMonitorTest {
protected:
    explicit ExtendedTest(bool on = true) : extended(on) {}

    bool extended;   // the user's setting, as the program hands it down

    // A profile around a tag made here.
    std::string InstallTag(const std::string& name, const std::vector<uint8_t>& tag)
    {
        sim.WriteProfile(name, lcms_reference::ProfileAround(tag));
        return ColorPath(name);
    }

    // Whether ramp is what the reference library reads in the tag, to the entry for
    // tables of 256 entries and within 1 for resampled ones and formulas; the 786-byte
    // table to its high bytes, as the program writes it.
    static void ExpectReferenceRamp(const std::vector<uint8_t>& tag, const HardwareRamp& ramp)
    {
        HardwareRamp reference{};
        ASSERT_TRUE(lcms_reference::TagRamp(tag, reference));
        const bool byteTable = IsVcgtTableHeader(tag.data(), tag.size());
        const bool exact = !byteTable && ReadBigEndian32(&tag[8]) == 0 && ReadBigEndian16(&tag[14]) == 256;
        const uint16_t* ours[3] = {ramp.red, ramp.green, ramp.blue};
        const uint16_t* theirs[3] = {reference.red, reference.green, reference.blue};
        for (size_t c = 0; c < 3; ++c)
            for (size_t i = 0; i < kRampEntries; ++i) {
                if (byteTable)
                    ASSERT_EQ(ours[c][i], theirs[c][i] & 0xFF00) << c << " " << i;
                else
                    ASSERT_LE(std::abs(int(ours[c][i]) - int(theirs[c][i])), exact ? 0 : 1) << c << " " << i;
            }
    }

    int32_t messageId = -1;
};

class ExtendedOffTest : public ExtendedTest {
protected:
    ExtendedOffTest() : ExtendedTest(false) {}
};

struct ProfileCase {
    const char* file;
    int32_t result;
    int32_t messageId;
};

// A test's name from its profile's: kv-16bit-dark.icm is 16bitdark.
std::string NameOf(const char* file)
{
    std::string name;
    for (const char* p = file + 3; *p && *p != '.'; ++p)
        if (std::isalnum(static_cast<unsigned char>(*p)))
            name += *p;
    return name;
}

class ExtendedProfiles : public ExtendedTest, public ::testing::WithParamInterface<ProfileCase> {};

// Every generated profile with the setting on: the 786-byte tables give what they
// always gave, the other forms load at full precision or are refused as the issue
// says, and what loads is what the diagnosis promised.
TEST_P(ExtendedProfiles, GiveTheirResultAndWriteTheReferenceRamp)
{
    const ProfileCase& c = GetParam();
    const std::string path = Install(c.file);
    const HardwareRamp before = sim.Ramp(adapter);
    const CalibrationDiagnosis diagnosis = DiagnoseProfile(path.c_str(), extended);

    EXPECT_EQ(SetDefaultProfile(monitor, path.c_str(), 1, messageId, extended), c.result);
    EXPECT_EQ(messageId, c.messageId);
    EXPECT_EQ(diagnosis.result, c.result);
    EXPECT_EQ(diagnosis.messageId, c.messageId);
    EXPECT_TRUE(reports.empty());
    const HardwareRamp after = sim.Ramp(adapter);
    if (c.result != 0) {
        EXPECT_EQ(sim.RampWrites(), 0);
        EXPECT_EQ(std::memcmp(&after, &before, sizeof after), 0);
        return;
    }
    EXPECT_EQ(diagnosis.verdict, CalibrationVerdict::Loads);
    EXPECT_EQ(std::memcmp(&after, &diagnosis.hardware, sizeof after), 0) << "written is not what was diagnosed";
    ExpectReferenceRamp(lcms_reference::VcgtOf(lcms_reference::ReadFile(TestProfile(c.file))), after);
}

INSTANTIATE_TEST_SUITE_P(
    GeneratedProfiles, ExtendedProfiles,
    ::testing::Values(ProfileCase{profiles::kValid, 0, 0}, ProfileCase{profiles::kMild, 0, 0},
                      ProfileCase{profiles::kAll255, 0, 0}, ProfileCase{profiles::kTooDark, -2, 215},
                      ProfileCase{profiles::kNoCalibration, 1168, 210}, ProfileCase{profiles::k16Bit, 0, 0},
                      ProfileCase{profiles::kFormula, 0, 0}, ProfileCase{profiles::k16BitMono, 0, 0},
                      ProfileCase{profiles::k1024, 0, 0}, ProfileCase{profiles::kFormula22, 0, 0},
                      ProfileCase{profiles::k16BitDark, -2, 215}, ProfileCase{profiles::kBadCount, 24, 214},
                      ProfileCase{profiles::kBadSignature, 24, 214}, ProfileCase{profiles::kBadType, 24, 214},
                      ProfileCase{profiles::kBadChannels, 24, 214}, ProfileCase{profiles::kBadEntries, 24, 214},
                      ProfileCase{profiles::kBadSize, 24, 214}),
    [](const auto& param) { return NameOf(param.param.file); });

// ---- The size of what is read ----------------------------------------------------------------

std::vector<uint8_t> LargestTable()
{
    std::vector<uint8_t> tag(kMaxVcgtTag, 0);
    const uint8_t header[18] = {'v', 'c', 'g', 't', 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0xFF, 0xFF, 0, 2};
    std::memcpy(tag.data(), header, sizeof header);
    for (size_t c = 0; c < 3; ++c)
        for (uint32_t k = 0; k < 65535; ++k) {
            const uint32_t value = k + (k == 65534 ? 1 : 0);   // rises to full scale
            tag[18 + 2 * (c * 65535 + k)] = static_cast<uint8_t>(value >> 8);
            tag[18 + 2 * (c * 65535 + k) + 1] = static_cast<uint8_t>(value);
        }
    return tag;
}

TEST_F(ExtendedTest, TheLargestTableIsReadWholeAndAByteMoreNeverAllocated)
{
    std::vector<uint8_t> tag = LargestTable();
    const std::string largest = InstallTag("kv-largest.icm", tag);
    EXPECT_EQ(LoadCalibration(monitor, largest.c_str(), messageId, extended), 0);
    EXPECT_EQ(messageId, 0);
    EXPECT_EQ(sim.Ramp(adapter).green[255], 65535);
    EXPECT_EQ(sim.Ramp(adapter).green[128], 128 * 65534 / 255 + (128 * 65534 % 255 > 127 ? 1 : 0));

    tag.push_back(0);
    const std::string larger = InstallTag("kv-larger.icm", tag);
    const int allocations = sim.CallCount(SimCall::Calloc);
    EXPECT_EQ(LoadCalibration(monitor, larger.c_str(), messageId, extended), kResultBadCalibration);
    EXPECT_EQ(messageId, IDS_BAD_LENGTH);
    EXPECT_EQ(sim.CallCount(SimCall::Calloc), allocations);
}

TEST_F(ExtendedTest, TagsTooShortForAnyHeaderAreDamaged)
{
    // Read, since they may be of any form, and refused by the decoder, not by length.
    for (size_t size : {1, 11, 17}) {
        SCOPED_TRACE(size);
        std::vector<uint8_t> tag{'v', 'c', 'g', 't'};
        tag.resize(size, 0);
        const std::string path = InstallTag("kv-short.icm", tag);
        EXPECT_EQ(LoadCalibration(monitor, path.c_str(), messageId, extended), kResultBadCalibration);
        EXPECT_EQ(messageId, IDS_BAD_HEADER);
    }
    EXPECT_EQ(sim.RampWrites(), 0);
}

// ---- The write ---------------------------------------------------------------------------------

TEST_F(ExtendedTest, RefusedSixteenBitRampIsJudgedByWhatTheAdapterHolds)
{
    const std::string path = Install(profiles::k1024);
    const HardwareRamp before = sim.Ramp(adapter);
    sim.Fail(SimCall::SetDeviceGammaRamp, 87);
    EXPECT_EQ(LoadCalibration(monitor, path.c_str(), messageId, extended), 87);
    EXPECT_EQ(messageId, IDS_DOWNLOAD_FAILED);
    EXPECT_TRUE(reports.empty());
    const HardwareRamp after = sim.Ramp(adapter);
    EXPECT_EQ(std::memcmp(&after, &before, sizeof after), 0);

    // An adapter of 8 bits per entry that holds the table's high bytes holds the table.
    HardwareRamp held = DiagnoseProfile(path.c_str(), extended).hardware;
    for (size_t i = 0; i < kRampEntries; ++i)
        held.green[i] = static_cast<uint16_t>(held.green[i] | 0xFF);
    DcOwner dc(sim.CreateDCA(adapter.c_str(), adapter.c_str(), nullptr, nullptr));
    ASSERT_TRUE(sim.SetDeviceGammaRamp(dc.Get(), &held));
    sim.Fail(SimCall::SetDeviceGammaRamp, 0);
    EXPECT_EQ(LoadCalibration(monitor, path.c_str(), messageId, extended), 0);
    EXPECT_EQ(messageId, 0);
}

// ---- Every road honours the setting --------------------------------------------------------------

struct VerdictCase {
    const char* file;
    CalibrationVerdict verdict;
    uint32_t text;
};

class ExtendedOffVerdicts : public ExtendedOffTest, public ::testing::WithParamInterface<VerdictCase> {};

// With the setting off the result stays the 786-byte table's (24, message 211), and the
// row says what turning it on would do.
TEST_P(ExtendedOffVerdicts, SayWhatTheSettingWouldChange)
{
    const std::string path = Install(GetParam().file);
    const CalibrationDiagnosis diagnosis = DiagnoseProfile(path.c_str(), extended);
    EXPECT_EQ(diagnosis.verdict, GetParam().verdict);
    EXPECT_EQ(DescribeVerdict(diagnosis), sim.Strings()[GetParam().text]);
    EXPECT_EQ(diagnosis.result, kResultBadCalibration);
    EXPECT_EQ(diagnosis.messageId, IDS_BAD_LENGTH);
    EXPECT_EQ(LoadCalibration(monitor, path.c_str(), messageId, extended), kResultBadCalibration);
    EXPECT_EQ(messageId, IDS_BAD_LENGTH);
    EXPECT_EQ(sim.RampWrites(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, ExtendedOffVerdicts,
    ::testing::Values(VerdictCase{profiles::k1024, CalibrationVerdict::ExtendedTable, IDS_TIP_EXTENDED_OFF},
                      VerdictCase{profiles::k16BitMono, CalibrationVerdict::ExtendedTable, IDS_TIP_EXTENDED_OFF},
                      VerdictCase{profiles::kFormula22, CalibrationVerdict::ExtendedTable, IDS_TIP_EXTENDED_OFF},
                      VerdictCase{profiles::k16BitDark, CalibrationVerdict::TooDark, IDS_TIP_TOO_DARK},
                      VerdictCase{profiles::kBadCount, CalibrationVerdict::Damaged, IDS_TIP_DAMAGED}),
    [](const auto& param) { return NameOf(param.param.file); });

TEST_F(ExtendedOffTest, AMonochromeTableOf786BytesIsAnotherFormNotDamage)
{
    // One channel of 384 two-byte entries is 786 bytes too: the header check refuses
    // it (214), and the row tells it from damage.
    std::vector<uint8_t> tag(kVcgtTableSize, 0);
    const uint8_t header[18] = {'v', 'c', 'g', 't', 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0x01, 0x80, 0, 2};
    std::memcpy(tag.data(), header, sizeof header);
    for (uint32_t k = 0; k < 384; ++k) {
        tag[18 + 2 * k] = static_cast<uint8_t>(k * 65535 / 383 >> 8);
        tag[19 + 2 * k] = static_cast<uint8_t>(k * 65535 / 383);
    }
    const std::string path = InstallTag("kv-mono384.icm", tag);
    const CalibrationDiagnosis off = DiagnoseProfile(path.c_str(), extended);
    EXPECT_EQ(off.result, kResultBadCalibration);
    EXPECT_EQ(off.messageId, IDS_BAD_HEADER);
    EXPECT_EQ(off.verdict, CalibrationVerdict::ExtendedTable);

    extended = true;
    EXPECT_EQ(LoadCalibration(monitor, path.c_str(), messageId, extended), 0);
    ExpectReferenceRamp(tag, sim.Ramp(adapter));
}

TEST_F(ExtendedOffTest, CommandLineLoadAndKeepingFollowTheSetting)
{
    const std::string path = Install(profiles::k16BitMono);
    sim.Associations(deviceId) = {profiles::k16BitMono};
    EXPECT_EQ(LoadCurrentCalibrations(true, extended), kResultBadCalibration);
    EXPECT_EQ(sim.RampWrites(), 0);

    // Loaded with the setting on, the table is kept: a ramp put back from outside is
    // written again. Turned off, the setting takes the table out of keeping too.
    extended = true;
    KeeperSet keepers;
    keepers.Follow(TakeDesktopSnapshot());
    EXPECT_EQ(LoadCurrentCalibrations(true, extended, &keepers), 0);
    const CalibrationDiagnosis diagnosis = DiagnoseProfile(path.c_str(), extended);
    const HardwareRamp loaded = sim.Ramp(adapter);
    EXPECT_EQ(std::memcmp(&loaded, &diagnosis.hardware, sizeof loaded), 0);
    SetDevGammaTable(monitor, IdentityRamp());
    keepers.Check(0);
    EXPECT_EQ(CompareRamp(sim.Ramp(adapter), diagnosis.hardware).entries, 0);

    keepers.ForgetExtended();
    SetDevGammaTable(monitor, IdentityRamp());
    const int writes = sim.RampWrites();
    keepers.Check(1000);
    EXPECT_EQ(sim.RampWrites(), writes) << "a 16-bit table is still kept with the setting off";
    EXPECT_TRUE(reports.empty());
}

}  // namespace
