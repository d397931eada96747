#include "cms/CMSSupport.h"
#include "cms/VideoCardUtils.h"
#include "cms/gamma_ramp.h"
#include "cms/monitor_strings.h"

#include "support/host_test.h"
#include "support/test_profiles.h"
#include "support/vcgt_table.h"

#include <cstring>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace {

class CalibrationTest : public StandardMonitorTest {
protected:
    // The profile's 'vcgt' tag as the hardware ramp it should become.
    HardwareRamp ExpectedRamp(const std::string& path)
    {
        const ProfileRecord record{kProfileFilename, path.c_str(), static_cast<uint32_t>(path.size())};
        ProfileOwner profile(sim.OpenColorProfileA(&record, kProfileRead, kFileShareRead, kOpenExisting));
        std::vector<uint8_t> tag(kVcgtTableSize);
        uint32_t size = kVcgtTableSize;
        Bool32 reference = 0;
        EXPECT_TRUE(sim.GetColorProfileElement(profile.Get(), kTagVcgt, 0, &size, tag.data(), &reference));
        GammaRamp ramp{};
        BuildGammaRamp(tag.data(), ramp);
        HardwareRamp hardware{};
        MakeHardwareRamp(ramp, hardware);
        return hardware;
    }

    static bool SameRamp(const HardwareRamp& a, const HardwareRamp& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

    int32_t messageId = -1;
};

TEST_F(CalibrationTest, ValidTableBecomesDefaultAndIsDownloaded)
{
    const std::string path = Install(profiles::kMild);
    sim.Associations(deviceId) = {"other.icm"};

    EXPECT_EQ(SetDefaultProfile(monitor, path.c_str(), 1, messageId), 0);
    EXPECT_EQ(messageId, 0);
    EXPECT_EQ(sim.Associations(deviceId), (std::vector<std::string>{profiles::kMild, "other.icm"}));
    EXPECT_TRUE(SameRamp(sim.Ramp(adapter), ExpectedRamp(path)));
    EXPECT_EQ(sim.RampWrites(), 1);
    EXPECT_TRUE(reports.empty());
}

TEST_F(CalibrationTest, AssociatedProfileIsAssociatedAnew)
{
    const std::string path = Install(profiles::kValid);
    sim.Associations(deviceId) = {"other.icm", profiles::kValid};
    EXPECT_EQ(SetDefaultProfile(monitor, path.c_str(), 1, messageId), 0);
    EXPECT_EQ(sim.Associations(deviceId), (std::vector<std::string>{profiles::kValid, "other.icm"}));
}

TEST_F(CalibrationTest, ProfileIsOpenedReadOnlyByA260ByteRecord)
{
    const std::string path = Install(profiles::kValid);
    EXPECT_EQ(LoadCalibration(monitor, path.c_str(), messageId), 0);
    EXPECT_EQ(sim.LastOpenRecord().dwType, kProfileFilename);
    EXPECT_EQ(sim.LastOpenRecord().cbDataSize, 260u);
    EXPECT_EQ(sim.LastOpenPath(), path);
    EXPECT_EQ(sim.LastOpenAccess(), kProfileRead);
    EXPECT_EQ(sim.LastOpenShare(), kFileShareRead);
    EXPECT_EQ(sim.LastOpenCreation(), kOpenExisting);
}

struct ProfileCase {
    const char* file;
    int32_t result;
    int32_t messageId;
};

class ProfileContents : public CalibrationTest, public ::testing::WithParamInterface<ProfileCase> {};

// Each generated profile goes through the whole selection: the association is made
// whatever the table holds, and the ramp is written only for a table that passes.
TEST_P(ProfileContents, GivesItsResultAndMessage)
{
    const ProfileCase& c = GetParam();
    const std::string path = Install(c.file);
    const HardwareRamp before = sim.Ramp(adapter);

    EXPECT_EQ(SetDefaultProfile(monitor, path.c_str(), 1, messageId), c.result);
    EXPECT_EQ(messageId, c.messageId);
    EXPECT_EQ(sim.Associations(deviceId).front(), c.file);
    EXPECT_TRUE(reports.empty());
    if (c.result == 0) {
        EXPECT_TRUE(SameRamp(sim.Ramp(adapter), ExpectedRamp(path)));
    } else {
        EXPECT_EQ(sim.RampWrites(), 0);
        EXPECT_TRUE(SameRamp(sim.Ramp(adapter), before));
    }
}

INSTANTIATE_TEST_SUITE_P(
    GeneratedProfiles, ProfileContents,
    ::testing::Values(ProfileCase{profiles::kValid, 0, 0}, ProfileCase{profiles::kMildNoCreator, 0, 0},
                      ProfileCase{profiles::kAll255, 0, 0}, ProfileCase{profiles::kRedBlue0, 0, 0},
                      ProfileCase{profiles::kGreen, 0, 0}, ProfileCase{profiles::kTooDark, -2, 215},
                      ProfileCase{profiles::kNoCalibration, 1168, 210}, ProfileCase{profiles::kBare, 1168, 210},
                      ProfileCase{profiles::k16Bit, 24, 211}, ProfileCase{profiles::kFormula, 24, 211},
                      ProfileCase{profiles::kBadSignature, 24, 214}, ProfileCase{profiles::kBadType, 24, 214},
                      ProfileCase{profiles::kBadChannels, 24, 214}, ProfileCase{profiles::kBadEntries, 24, 214},
                      ProfileCase{profiles::kBadSize, 24, 214}, ProfileCase{profiles::k16BitDark, 24, 211},
                      ProfileCase{profiles::kBadCount, 24, 211}, ProfileCase{profiles::k16BitMono, 24, 211},
                      ProfileCase{profiles::k1024, 24, 211}, ProfileCase{profiles::kFormula22, 24, 211}),
    [](const auto& param) {
        std::string name = param.param.file;
        name = name.substr(3, name.find('.') - 3);
        name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
        return name;
    });

TEST_F(CalibrationTest, AllOnesBecomeFF00)
{
    const std::string path = Install(profiles::kAll255);
    EXPECT_EQ(LoadCalibration(monitor, path.c_str(), messageId), 0);
    const HardwareRamp ramp = sim.Ramp(adapter);
    EXPECT_EQ(ramp.red[0], 0xFF00);
    EXPECT_EQ(ramp.green[255], 0xFF00);
    EXPECT_EQ(ramp.blue[17], 0xFF00);
}

TEST_F(CalibrationTest, DamagedFilesFailToOpen)
{
    for (const char* file : {profiles::kEmpty, profiles::kTruncated, profiles::kGarbage}) {
        SCOPED_TRACE(file);
        const std::string path = Install(file);
        EXPECT_NE(LoadCalibration(monitor, path.c_str(), messageId), 0);
        EXPECT_EQ(messageId, 209);
    }
    EXPECT_EQ(LoadCalibration(monitor, ColorPath("missing.icm").c_str(), messageId), 2);
    EXPECT_EQ(messageId, 209);
    EXPECT_EQ(sim.RampWrites(), 0);
}

TEST_F(CalibrationTest, TagRunningPastTheFileEndIsNeverDownloaded)
{
    const std::string path = Install(profiles::kTagPastEnd);
    EXPECT_NE(LoadCalibration(monitor, path.c_str(), messageId), 0);
    EXPECT_NE(messageId, 0);
    EXPECT_EQ(sim.RampWrites(), 0);
}

// A platform step that fails with a code ends the load with that code; one that fails
// without a code counts as passed, and the load goes on to a later check.
struct StepFailure {
    const char* name;
    SimCall call;
    int skip;
    uint32_t code;
    int32_t result;
    int32_t messageId;
};

class StepFailures : public CalibrationTest, public ::testing::WithParamInterface<StepFailure> {};

TEST_P(StepFailures, EndTheLoadWithTheirCodeAndMessage)
{
    const StepFailure& f = GetParam();
    const std::string path = Install(profiles::kValid);
    sim.Fail(f.call, f.code, 1, f.skip);
    messageId = 12345;

    EXPECT_EQ(LoadCalibration(monitor, path.c_str(), messageId), f.result);
    EXPECT_EQ(messageId, f.messageId);
    if (f.result != 0) {
        EXPECT_EQ(sim.RampWrites(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, StepFailures,
    ::testing::Values(
        StepFailure{"OpenWithCode", SimCall::OpenColorProfileA, 0, 5, 5, 209},
        // Going on without a handle: the tag test is then refused.
        StepFailure{"OpenWithoutCode", SimCall::OpenColorProfileA, 0, 0, 6, 210},
        StepFailure{"TagTestWithCode", SimCall::IsColorProfileTagPresent, 0, 13, 13, 210},
        StepFailure{"TagTestWithoutCode", SimCall::IsColorProfileTagPresent, 0, 0, 1168, 210},
        StepFailure{"SizeQuery", SimCall::GetColorProfileElement, 0, 13, 24, 211},
        StepFailure{"AllocationWithCode", SimCall::Calloc, 0, 14, 14, 212},
        StepFailure{"AllocationWithoutCode", SimCall::Calloc, 0, 0, 8, 212},
        StepFailure{"ReadWithCode", SimCall::GetColorProfileElement, 1, 30, 30, 213},
        // The buffer stays zero-filled and its header is refused.
        StepFailure{"ReadWithoutCode", SimCall::GetColorProfileElement, 1, 0, 24, 214},
        StepFailure{"DcWithCode", SimCall::CreateDCA, 0, 8, 8, 216},
        StepFailure{"RampRefusedWithCode", SimCall::SetDeviceGammaRamp, 0, 5, 5, 216},
        // kv-valid's table is the identity the adapter starts with: the refused write
        // leaves the ramp holding it all the same.
        StepFailure{"RampRefusedAsUnsupported", SimCall::SetDeviceGammaRamp, 0, 87, 0, 0},
        StepFailure{"RampRefusedWithoutCode", SimCall::SetDeviceGammaRamp, 0, 0, 0, 0}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(CalibrationTest, RefusedRampIsReportedOnceFromTheVideoCardModule)
{
    const std::string path = Install(profiles::kValid);
    sim.Fail(SimCall::SetDeviceGammaRamp, 5);
    EXPECT_EQ(SetDefaultProfile(monitor, path.c_str(), 1, messageId), 5);
    EXPECT_EQ(messageId, 216);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].messageText, "SetDevGammaTable (SetDeviceGammaRamp)");
    EXPECT_EQ(reports[0].fileLineText, "Error 5 (VideoCardUtils 46)");
    EXPECT_EQ(reports[0].systemText, "Access is denied.\r\n");
}

TEST_F(CalibrationTest, RampRefusalWithoutCodeIsNotMistakenForAnEarlierCode)
{
    // A driver that refuses a ramp may leave the last error alone; a code left over
    // from an earlier call must not be reported as the refusal's.
    const std::string path = Install(profiles::kRedBlue0);
    sim.SetRefuseImplausibleRamps(true);
    sim.SetLastError(122);
    EXPECT_EQ(LoadCalibration(monitor, path.c_str(), messageId), 87);
    EXPECT_EQ(messageId, 216);
    EXPECT_TRUE(reports.empty());
}

// A write refused with 0 or 87 is judged by the ramp read back through the same
// context: still the old one means the table never arrived.
class RefusedRamp : public CalibrationTest, public ::testing::WithParamInterface<uint32_t> {
protected:
    // Puts a ramp in the adapter the way a driver would, through a context of its own.
    void PutRamp(const HardwareRamp& ramp)
    {
        DcOwner dc(sim.CreateDCA(adapter.c_str(), adapter.c_str(), nullptr, nullptr));
        ASSERT_TRUE(sim.SetDeviceGammaRamp(dc.Get(), &ramp));
    }
};

TEST_P(RefusedRamp, LeavingTheOldRampGives87AndMessage216WithoutReport)
{
    const std::string path = Install(profiles::kMild);
    const HardwareRamp before = sim.Ramp(adapter);
    sim.Fail(SimCall::SetDeviceGammaRamp, GetParam());

    EXPECT_EQ(SetDefaultProfile(monitor, path.c_str(), 1, messageId), 87);
    EXPECT_EQ(messageId, 216);
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(SameRamp(sim.Ramp(adapter), before));
    EXPECT_EQ(sim.CallCount(SimCall::GetDeviceGammaRamp), 1);
}

TEST_P(RefusedRamp, RampThatHoldsTheTableAlreadyIsSuccess)
{
    const std::string path = Install(profiles::kMild);
    // The high bytes are what the driver keeps; the low ones may read back as anything.
    HardwareRamp held = ExpectedRamp(path);
    for (size_t i = 0; i < kRampEntries; ++i) {
        held.red[i] = static_cast<uint16_t>(held.red[i] | 0xFF);
        held.blue[i] = static_cast<uint16_t>(held.blue[i] | 0x7F);
    }
    ASSERT_NO_FATAL_FAILURE(PutRamp(held));

    sim.Fail(SimCall::SetDeviceGammaRamp, GetParam());
    EXPECT_EQ(LoadCalibration(monitor, path.c_str(), messageId), 0);
    EXPECT_EQ(messageId, 0);

    // One entry of one channel off is another ramp.
    held.blue[kRampEntries - 1] = static_cast<uint16_t>(held.blue[kRampEntries - 1] - 0x100);
    ASSERT_NO_FATAL_FAILURE(PutRamp(held));
    sim.Fail(SimCall::SetDeviceGammaRamp, GetParam());
    EXPECT_EQ(LoadCalibration(monitor, path.c_str(), messageId), 87);
    EXPECT_EQ(messageId, 216);
    EXPECT_TRUE(reports.empty());
}

TEST_P(RefusedRamp, RampThatCannotBeReadBackCountsAsDone)
{
    const std::string path = Install(profiles::kMild);
    for (uint32_t readCode : {5u, 0u}) {
        SCOPED_TRACE(readCode);
        sim.Fail(SimCall::SetDeviceGammaRamp, GetParam());
        sim.Fail(SimCall::GetDeviceGammaRamp, readCode);
        EXPECT_EQ(LoadCalibration(monitor, path.c_str(), messageId), 0);
        EXPECT_EQ(messageId, 0);
    }
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(sim.RampWrites(), 0);
}

INSTANTIATE_TEST_SUITE_P(Codes, RefusedRamp, ::testing::Values(0u, 87u),
                         [](const auto& param) { return "Code" + std::to_string(param.param); });

TEST_F(CalibrationTest, RampRefusedWithAnotherCodeIsNotReadBack)
{
    const std::string path = Install(profiles::kMild);
    sim.Fail(SimCall::SetDeviceGammaRamp, 5);
    EXPECT_EQ(LoadCalibration(monitor, path.c_str(), messageId), 5);
    EXPECT_EQ(messageId, 216);
    EXPECT_EQ(sim.CallCount(SimCall::GetDeviceGammaRamp), 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].fileLineText, "Error 5 (VideoCardUtils 46)");
}

TEST_F(CalibrationTest, UnknownMonitorIsReportedWithItsHandleAndNothingChanges)
{
    const std::string path = Install(profiles::kValid);
    auto* unknown = reinterpret_cast<MonitorHandle>(uintptr_t{0xABCDEF0012345678u});
    messageId = 777;

    const int32_t result = SetDefaultProfile(unknown, path.c_str(), 1, messageId);
    EXPECT_NE(result, 0);
    EXPECT_EQ(messageId, 777);
    EXPECT_EQ(sim.CallCount(SimCall::AssociateColorProfileWithDeviceA), 0);
    EXPECT_EQ(sim.CallCount(SimCall::DisassociateColorProfileFromDeviceA), 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].messageText, "SetDefaultProfile.GetMonitorStrings failed [12345678]");
    EXPECT_EQ(reports[0].fileLineText, "Error " + std::to_string(static_cast<int16_t>(result)) + " (CMSSupport 386)");
}

TEST_F(CalibrationTest, MonitorWithoutDeviceIsReportedWith1248)
{
    sim.AddAdapter(SimAdapter{SimDevice{"\\\\.\\EMPTY", "Sim Adapter", kDisplayDeviceAttached, "", ""}, {}});
    SimMonitor bare;
    bare.rect = {0, 0, 800, 600};
    bare.adapterName = "\\\\.\\EMPTY";
    MonitorHandle noDevice = sim.AddMonitor(bare);
    const std::string path = Install(profiles::kValid);

    EXPECT_EQ(SetDefaultProfile(noDevice, path.c_str(), 1, messageId), kResultNoMatchingDevice);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(std::regex_match(reports[0].messageText,
                                 std::regex(R"(SetDefaultProfile\.GetMonitorStrings failed \[[0-9A-F]{8}\])")));
    EXPECT_EQ(reports[0].fileLineText, "Error 1248 (CMSSupport 386)");
}

TEST_F(CalibrationTest, FailedAssociationIsReportedAs2015WhateverTheCode)
{
    const std::string path = Install(profiles::kValid);
    for (uint32_t code : {5u, 0u}) {
        reports.clear();
        messageId = 777;
        sim.Fail(SimCall::AssociateColorProfileWithDeviceA, code);
        EXPECT_EQ(SetDefaultProfile(monitor, path.c_str(), 1, messageId), 2015);
        EXPECT_EQ(messageId, 777);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].messageText,
                  "SetDefaultProfile.AssociateColorProfileWithDevice failed [" + path + " | " + deviceId + "]");
        EXPECT_EQ(reports[0].fileLineText, "Error 2015 (CMSSupport 393)");
    }
    EXPECT_EQ(sim.CallCount(SimCall::OpenColorProfileA), 0);
}

TEST_F(CalibrationTest, FailedDisassociationIsIgnored)
{
    const std::string path = Install(profiles::kValid);
    sim.Fail(SimCall::DisassociateColorProfileFromDeviceA, 5);
    EXPECT_EQ(SetDefaultProfile(monitor, path.c_str(), 1, messageId), 0);
    EXPECT_TRUE(reports.empty());
}

TEST_F(CalibrationTest, OverlongPathsAreRefusedBeforeOpening)
{
    const std::string longPath = ColorPath(std::string(1100, 'p') + ".icm");
    EXPECT_EQ(LoadCalibration(monitor, longPath.c_str(), messageId), 206);
    EXPECT_EQ(messageId, 209);
    EXPECT_EQ(sim.CallCount(SimCall::OpenColorProfileA), 0);

    // 259 bytes still fit the record with their NUL.
    const std::string prefix = ColorPath("");
    const std::string longest = prefix + std::string(259 - prefix.size() - 4, 'q') + ".icm";
    ASSERT_EQ(longest.size(), 259u);
    EXPECT_EQ(LoadCalibration(monitor, longest.c_str(), messageId), 2);
    EXPECT_EQ(sim.CallCount(SimCall::OpenColorProfileA), 1);

    // Through the whole selection: the association of a missing file fails and is
    // reported with the full path.
    EXPECT_EQ(SetDefaultProfile(monitor, longPath.c_str(), 1, messageId), 2015);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].messageText.find(longPath), std::string::npos);
}

TEST_F(CalibrationTest, NullPathIsAnEmptyPath)
{
    EXPECT_NE(LoadCalibration(monitor, nullptr, messageId), 0);
    EXPECT_EQ(messageId, 209);
}

// A refused Reset to linear is reported as a refused Reload of the profile is, code
// included; given no profile, it names the monitor's current one.
TEST_F(CalibrationTest, RefusedResetIsReportedAs216LikeARefusedDownload)
{
    const std::string path = Install(profiles::kMild);
    sim.Associations(deviceId) = {profiles::kMild};
    for (const auto& [code, given] : {std::pair{0u, path}, {87u, path}, {5u, path}, {87u, std::string()}}) {
        SCOPED_TRACE(testing::Message() << code << " " << given);
        LoadedRamp linear;
        ASSERT_EQ(ResetToLinear(monitor, "", linear), 0);
        reports.clear();
        sim.Fail(SimCall::SetDeviceGammaRamp, code);
        const int32_t refused = LoadCalibration(monitor, path.c_str(), messageId);
        ASSERT_EQ(messageId, 216);
        ReportCalibrationFailure(monitor, path.c_str(), messageId, refused);
        const std::vector<ErrorReport> download = std::exchange(reports, {});

        ASSERT_EQ(LoadCalibration(monitor, path.c_str(), messageId), 0);
        sim.Fail(SimCall::SetDeviceGammaRamp, code);
        EXPECT_EQ(ResetToLinear(monitor, given.c_str(), linear), refused);
        ASSERT_EQ(reports.size(), download.size());
        for (size_t i = 0; i < reports.size(); ++i) {
            EXPECT_EQ(reports[i].messageText, download[i].messageText);
            EXPECT_EQ(reports[i].fileLineText, download[i].fileLineText);
        }
    }
}

}  // namespace
