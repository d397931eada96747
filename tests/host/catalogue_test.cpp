// The profile catalogue: the current profile, the list sources and the marking.
#include "cms/CMSSupport.h"
#include "cms/CMSSupportEx.h"
#include "cms/monitor_strings.h"

#include "support/host_test.h"
#include "sim/sim_list_control.h"
#include "support/test_profiles.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <ostream>

namespace {

// A list whose stored flags a test can read: absent means never set.
class InspectableList : public ProfileList {
public:
    explicit InspectableList(ListControl& control) : ProfileList(control), m_control(control) {}

    std::optional<uint16_t> VcgtFlag(int32_t row) const { return FlagAt(Contents().vcgtFlags, row); }
    std::optional<uint16_t> CreatorFlag(int32_t row) const { return FlagAt(Contents().creatorFlags, row); }

private:
    std::optional<uint16_t> FlagAt(const std::vector<uint16_t>& flags, int32_t row) const
    {
        const intptr_t index = m_control.GetItemData(row);
        if (index < 0 || static_cast<size_t>(index) >= flags.size())
            return std::nullopt;
        return flags[static_cast<size_t>(index)];
    }
    ListControl& m_control;
};

class CatalogueTest : public StandardMonitorTest {
protected:
    void Install(const std::string& name, const std::string& as = {})
    {
        sim.InstallProfile(TestProfile(name), as.empty() ? name : as);
    }

    std::vector<std::string> Rows() const
    {
        std::vector<std::string> rows;
        for (int32_t row = 0; row < control.GetCount(); ++row)
            rows.push_back(control.GetText(row));
        return rows;
    }

    int32_t RowOf(const std::string& text) const
    {
        for (int32_t row = 0; row < control.GetCount(); ++row)
            if (control.GetText(row) == text)
                return row;
        return -1;
    }

    // That there were count reports, each of them "no monitor profiles" with the code.
    void ExpectNoProfileReports(size_t count, int32_t code) const
    {
        ASSERT_EQ(reports.size(), count);
        for (const ErrorReport& report : reports) {
            EXPECT_EQ(report.messageText, "There are no monitor profiles in the system.");
            EXPECT_EQ(report.fileLineText, "Error " + std::to_string(code) + " (CMSSupportEx 226)");
        }
    }

    SimListControl control;
    InspectableList list{control};
};

// ---- The current profile ----

TEST_F(CatalogueTest, CurrentProfileIsTheFirstTheStoreListsForTheDevice)
{
    Install(profiles::kValid);
    Install(profiles::kMild);
    sim.Associations(deviceId) = {profiles::kMild, profiles::kValid};

    std::string path, name, extension;
    EXPECT_EQ(GetProfileNameUsingDeviceID(monitor, &path, &name, &extension), 0);
    EXPECT_EQ(path, ColorPath(profiles::kMild));
    EXPECT_EQ(name, "kv-mild");
    EXPECT_EQ(extension, ".icm");
    EXPECT_EQ(sim.LastEnumCriteriaW().dwSize, sizeof(EnumTypeW));
    EXPECT_EQ(sim.LastEnumCriteriaW().dwFields, 0x21u);
    EXPECT_EQ(sim.LastEnumCriteriaW().dwClass, kClassMonitor);
    EXPECT_EQ(sim.LastEnumDeviceW(), std::u16string(deviceId.begin(), deviceId.end()));
}

TEST_F(CatalogueTest, SecondRunTakesAnInactiveDeviceListedBeforeTheActiveOne)
{
    Install(profiles::kValid);
    sim.AddAdapter(SimAdapter{SimDevice{"\\\\.\\SECOND", "Sim Adapter", kDisplayDeviceAttached, "PCI\\SIM", ""},
                              {SimDevice{"\\\\.\\SECOND\\Off", "Off", 0, "MONITOR\\OFF", ""},
                               SimDevice{"\\\\.\\SECOND\\On", "On", kDisplayDeviceAttached, "MONITOR\\ON", ""}}});
    SimMonitor second;
    second.rect = {0, 0, 800, 600};
    second.adapterName = "\\\\.\\SECOND";
    MonitorHandle handle = sim.AddMonitor(second);
    sim.Associations("MONITOR\\OFF") = {profiles::kValid};

    std::string name;
    EXPECT_EQ(GetProfileNameUsingDeviceID(handle, nullptr, &name, nullptr), 0);
    EXPECT_EQ(name, "kv-valid");
}

TEST_F(CatalogueTest, WithoutAssociationTheAdaptersContextNamesTheProfile)
{
    sim.SetDcProfile(adapter, ColorPath("shown.icc"));
    std::string path, name, extension;
    EXPECT_EQ(GetProfileNameUsingDeviceID(monitor, &path, &name, &extension), 0);
    EXPECT_EQ(path, ColorPath("shown.icc"));
    EXPECT_EQ(name, "shown");
    EXPECT_EQ(extension, ".icc");
}

TEST_F(CatalogueTest, EveryRouteFailingLeavesNotAvailable)
{
    sim.Fail(SimCall::GetMonitorInfoA, 1461, 3);
    std::string path = "old", name = "old", extension = "old";
    EXPECT_EQ(GetProfileNameUsingDeviceID(monitor, &path, &name, &extension), 1461);
    EXPECT_EQ(name, "-na-");
    EXPECT_EQ(path, "");
    EXPECT_EQ(extension, "");
}

// Calls that fail without a code leave their buffers unfilled; nothing may be taken
// from them.
TEST_F(CatalogueTest, UnfilledBuffersAreNeverTakenAsNames)
{
    Install(profiles::kValid);
    sim.Associations(deviceId) = {profiles::kValid};
    std::string name;

    sim.Fail(SimCall::WideCharToMultiByte, 0, 2);
    sim.Fail(SimCall::GetICMProfileA, 0);
    EXPECT_EQ(GetProfileNameUsingDeviceID(monitor, nullptr, &name, nullptr), kResultNoProfiles);
    EXPECT_EQ(name, "-na-");

    sim.Fail(SimCall::MultiByteToWideChar, 0);
    EXPECT_EQ(GetProfileNameByDeviceID(deviceId, nullptr, &name, nullptr), kResultNoTranslation);

    sim.Fail(SimCall::EnumColorProfilesW, 0, 1, 1);
    EXPECT_EQ(GetProfileNameByDeviceID(deviceId, nullptr, &name, nullptr), kResultNoProfiles);
    EXPECT_EQ(name, "-na-");

    sim.Fail(SimCall::GetColorDirectoryA, 0);
    EXPECT_EQ(MakeColorDirectoryPath("x.icm"), "");
    sim.Fail(SimCall::GetColorDirectoryA, 5);
    EXPECT_EQ(MakeColorDirectoryPath("x.icm"), "");
    EXPECT_EQ(MakeColorDirectoryPath("x.icm"), ColorPath("x.icm"));
}

TEST_F(CatalogueTest, DeviceRouteFailuresGiveTheirCodes)
{
    Install(profiles::kValid);
    EXPECT_EQ(GetProfileNameByDeviceID(deviceId, nullptr, nullptr, nullptr), kResultNoProfiles);
    sim.Associations(deviceId) = {profiles::kValid};
    sim.Fail(SimCall::EnumColorProfilesW, 5);
    EXPECT_EQ(GetProfileNameByDeviceID(deviceId, nullptr, nullptr, nullptr), 5);
    sim.Fail(SimCall::Calloc, 0);
    EXPECT_EQ(GetProfileNameByDeviceID(deviceId, nullptr, nullptr, nullptr), 8);
    sim.Fail(SimCall::CreateDCA, 8);
    EXPECT_EQ(GetProfileNameByDC(monitor, nullptr, nullptr, nullptr), 8);
}

// ---- The list sources ----

TEST_F(CatalogueTest, AllProfilesAreListedSortedAndMarked)
{
    for (const char* file : {profiles::kValid, profiles::kMildNoCreator, profiles::kNoCalibration, profiles::kBare, profiles::kPrinter})
        Install(file);

    EXPECT_EQ(AddAllProfilesToList(nullptr, list), 0);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"kv-bare", "kv-mild-notcpt", "kv-novcgt", "kv-valid"}));
    EXPECT_EQ(list.GetFullPath(RowOf("kv-valid")), ColorPath(profiles::kValid));
    EXPECT_EQ(list.VcgtFlag(RowOf("kv-valid")), 1);
    EXPECT_EQ(list.CreatorFlag(RowOf("kv-valid")), 1);
    EXPECT_EQ(list.VcgtFlag(RowOf("kv-mild-notcpt")), 1);
    EXPECT_EQ(list.CreatorFlag(RowOf("kv-mild-notcpt")), 0);
    EXPECT_EQ(list.VcgtFlag(RowOf("kv-novcgt")), 0);
    EXPECT_EQ(list.CreatorFlag(RowOf("kv-novcgt")), 1);
    EXPECT_EQ(list.VcgtFlag(RowOf("kv-bare")), 0);
    EXPECT_EQ(list.CreatorFlag(RowOf("kv-bare")), 0);
    EXPECT_TRUE(reports.empty());

    const EnumTypeA criteria = sim.LastEnumCriteriaA();
    EXPECT_EQ(criteria.dwSize, sizeof(EnumTypeA));
    EXPECT_EQ(criteria.dwVersion, 0x300u);
    EXPECT_EQ(criteria.dwFields, 0x20u);
    EXPECT_EQ(criteria.dwClass, kClassMonitor);
}

TEST_F(CatalogueTest, OnlyIcmAndIccFilesInAnyCaseAreListed)
{
    sim.SetListEveryFile(true);
    for (const char* name : {"upper.ICM", "mixed.IcC", "plain.icm", "later.icm2", "wcs.cdmp", "noextension"})
        Install(profiles::kValid, name);
    EXPECT_EQ(AddAllProfilesToList(nullptr, list), 0);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"mixed", "plain", "upper"}));
    EXPECT_TRUE(reports.empty());
}

TEST_F(CatalogueTest, AssociatedViewListsTheDevicesProfiles)
{
    Install(profiles::kValid);
    Install(profiles::kMild);
    Install(profiles::kBare);
    sim.Associations(deviceId) = {profiles::kMild, profiles::kBare};

    EXPECT_EQ(AddProfilesToList(monitor, list, kListByDeviceId), 0);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"kv-bare", "kv-mild"}));
    EXPECT_EQ(sim.LastEnumCriteriaA().dwFields, 0x21u);
    EXPECT_EQ(sim.LastEnumDeviceA(), deviceId);
    EXPECT_EQ(sim.LastEnumCriteriaA().dwDeviceClass, kClassMonitor);
}

TEST_F(CatalogueTest, NoProfilesAtAllOrNoneAssociatedReport505)
{
    EXPECT_EQ(AddAllProfilesToList(nullptr, list), kResultNoProfiles);
    Install(profiles::kValid);
    list.AddProfile("C:\\stale.icm");
    EXPECT_EQ(AddProfilesToList(monitor, list, kListByDeviceId), kResultNoProfiles);
    EXPECT_EQ(list.GetCount(), 0);
    ExpectNoProfileReports(2, 4306);
}

TEST_F(CatalogueTest, UnknownMonitorGivesAnEmptyAssociatedViewWithoutReport)
{
    Install(profiles::kValid);
    list.AddProfile("C:\\stale.icm");
    sim.Fail(SimCall::GetMonitorInfoA, 1461);
    EXPECT_EQ(AddProfilesToList(monitor, list, kListByDeviceId), 1461);
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_TRUE(reports.empty());
}

struct SourceFailure {
    const char* name;
    SimCall call;
    int skip;
    uint32_t code;
    int32_t result;
    const char* message;
    const char* fileLine;
    bool wideFails = false;   // the W enumeration the fill falls back on fails too
};

class SourceFailures : public CatalogueTest, public ::testing::WithParamInterface<SourceFailure> {};

TEST_P(SourceFailures, AreReportedWithTheirLine)
{
    const SourceFailure& f = GetParam();
    Install(profiles::kValid);
    sim.Fail(f.call, f.code, 1, f.skip);
    if (f.wideFails)
        sim.Fail(SimCall::EnumColorProfilesW, 5);
    EXPECT_EQ(AddAllProfilesToList(nullptr, list), f.result);
    EXPECT_EQ(list.GetCount(), 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].messageText, f.message);
    EXPECT_EQ(reports[0].fileLineText, f.fileLine);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, SourceFailures,
    ::testing::Values(
        SourceFailure{"Directory", SimCall::GetColorDirectoryA, 0, 5, 5,
                      "AddAllProfilesToList.GetColorDirectory failed", "Error 5 (CMSSupportEx 217)"},
        SourceFailure{"DirectoryWithoutCode", SimCall::GetColorDirectoryA, 0, 0, 3,
                      "AddAllProfilesToList.GetColorDirectory failed", "Error 3 (CMSSupportEx 217)"},
        // The failed query counted nothing, and a count of 0 means no profiles. The A
        // call's failure is the one shown when the W call fails as well.
        SourceFailure{"SizeQuery", SimCall::EnumColorProfilesA, 0, 6, 4306,
                      "There are no monitor profiles in the system.", "Error 4306 (CMSSupportEx 226)", true},
        SourceFailure{"Allocation", SimCall::Calloc, 0, 14, 14, "AddAllProfilesToList.malloc failed",
                      "Error 14 (CMSSupportEx 232)"},
        SourceFailure{"AllocationWithoutCode", SimCall::Calloc, 0, 0, 8, "AddAllProfilesToList.malloc failed",
                      "Error 8 (CMSSupportEx 232)"},
        SourceFailure{"Enumeration", SimCall::EnumColorProfilesA, 1, 6, 6,
                      "AddAllProfilesToList.EnumColorProfiles failed2", "Error 6 (CMSSupportEx 239)", true}),
    [](const auto& param) { return std::string(param.param.name); });

// ---- Names the ANSI code page cannot hold ----

class OddNames : public CatalogueTest {
protected:
    void InstallAs(const std::string& file, const std::u16string& name)
    {
        sim.InstallProfile(TestProfile(file), name);
    }

    void InstallValidAndOdd()
    {
        for (const char* file : {profiles::kValid, profiles::kMildNoCreator, profiles::kBare})
            Install(file);
        InstallAs(profiles::kValid, u"\u30D7\u30ED.icm");
        InstallAs(profiles::kValid, u"kv-\u202Eevil.icm");
    }

    std::string OddReport(const std::vector<const char*>& shown) const
    {
        std::string paths;
        for (const char* name : shown)
            paths += (paths.empty() ? "" : " | ") + ColorPath(name);
        return "AddAllProfilesToList (WideCharToMultiByte) [" + paths + "]";
    }
};

// Wine's store fails the A call over a name the code page cannot hold, Windows' lists
// it with '?' for what it lost. Under UTF-8 only a lone surrogate is lost (Windows
// writes U+FFFD for it), and the W list holds every other name exactly.
struct OddNamePlatform {
    const char* name;
    bool windows;
    bool utf8;
    std::vector<std::string> rows;   // sorted
    std::vector<const char*> shown;
};

void PrintTo(const OddNamePlatform& platform, std::ostream* out) { *out << platform.name; }

class OddNamesOn : public OddNames, public ::testing::WithParamInterface<OddNamePlatform> {};

TEST_P(OddNamesOn, AreNamedInOneReportAndTheOthersListedAndMarked)
{
    sim.SetLossyAnsiNames(GetParam().windows);
    sim.SetUtf8AnsiCodePage(GetParam().utf8);
    InstallValidAndOdd();
    InstallAs(profiles::kValid, u"\xD800x.icm");
    EXPECT_EQ(AddAllProfilesToList(nullptr, list), 0);

    std::vector<std::string> rows = Rows();
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, GetParam().rows);
    EXPECT_EQ(list.GetFullPath(RowOf("kv-valid")), ColorPath(profiles::kValid));
    EXPECT_EQ(list.VcgtFlag(RowOf("kv-valid")), 1);
    EXPECT_EQ(list.CreatorFlag(RowOf("kv-mild-notcpt")), 0);
    EXPECT_EQ(list.VcgtFlag(RowOf("kv-bare")), 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].messageText, OddReport(GetParam().shown));
    EXPECT_EQ(reports[0].fileLineText, "Error 1113 (CMSSupportEx 245)");
    EXPECT_EQ(sim.LastEnumCriteriaW().dwFields, 0x20u);
    EXPECT_EQ(sim.LastEnumCriteriaW().dwClass, kClassMonitor);

    // Each fill says it again, once.
    EXPECT_EQ(AddAllProfilesToList(nullptr, list), 0);
    EXPECT_EQ(list.GetCount(), static_cast<int32_t>(rows.size()));
    EXPECT_EQ(reports.size(), 2u);
}

const std::vector<std::string> kWholeRows = {"kv-bare", "kv-mild-notcpt", "kv-valid"};
const std::vector<std::string> kUtf8Rows = {"kv-bare", "kv-mild-notcpt", "kv-valid", "kv-\xE2\x80\xAE" "evil",
                                            "\xE3\x83\x97\xE3\x83\xAD"};

INSTANTIATE_TEST_SUITE_P(
    Platforms, OddNamesOn,
    ::testing::Values(
        OddNamePlatform{"Wine", false, false, kWholeRows,
                        {"kv-<U+202E>evil.icm", "<U+30D7><U+30ED>.icm", "<U+D800>x.icm"}},
        OddNamePlatform{"QuestionMarkNamesOnWindows", true, false, kWholeRows,
                        {"kv-<U+202E>evil.icm", "<U+30D7><U+30ED>.icm", "<U+D800>x.icm"}},
        OddNamePlatform{"Utf8CodePageOnWine", false, true, kUtf8Rows, {"<U+D800>x.icm"}},
        OddNamePlatform{"Utf8CodePageOnWindows", true, true, kUtf8Rows, {"<U+D800>x.icm"}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(OddNames, WhenTheWideCallFailsAfterQuestionMarksTheWholeAnsiNamesAreListed)
{
    sim.SetLossyAnsiNames(true);
    InstallValidAndOdd();
    sim.Fail(SimCall::EnumColorProfilesW, 5);
    EXPECT_EQ(AddAllProfilesToList(nullptr, list), 0);
    EXPECT_EQ(Rows(), kWholeRows);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].messageText, OddReport({"kv-?evil.icm", "??.icm"}));
}

TEST_F(OddNames, AssociatedViewAsksTheStoreForTheDeviceInUtf16)
{
    InstallValidAndOdd();
    sim.Associations(deviceId) = {profiles::kValid, profiles::kBare};
    EXPECT_EQ(AddProfilesToList(monitor, list, kListByDeviceId), 0);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"kv-bare", "kv-valid"}));
    EXPECT_EQ(sim.LastEnumCriteriaW().dwFields, 0x21u);
    EXPECT_EQ(sim.LastEnumCriteriaW().dwDeviceClass, kClassMonitor);
    EXPECT_EQ(sim.LastEnumDeviceW(), std::u16string(deviceId.begin(), deviceId.end()));
    EXPECT_TRUE(reports.empty()) << reports[0].messageText;
}

TEST_F(OddNames, LookAlikesAndDoubleByteNamesAreJudgedByTheRoundTrip)
{
    sim.LeadBytes() = {0x83};
    Install(profiles::kValid);
    InstallAs(profiles::kValid, u"\u0100venue.icm");                 // best fit: "Avenue"
    InstallAs(profiles::kValid, u"\u8340\u30D7.icm");                // one character held, one not
    sim.InstallProfile(TestProfile(profiles::kMild), "\x83\x40\x83\x5C.icm");   // held whole
    EXPECT_EQ(AddAllProfilesToList(nullptr, list), 0);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"\x83\x40\x83\x5C", "kv-valid"}));
    EXPECT_EQ(list.VcgtFlag(RowOf("\x83\x40\x83\x5C")), 1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].messageText, OddReport({"<U+0100>venue.icm", "\x83\x40<U+30D7>.icm"}));
}

TEST_F(OddNames, EveryNameOddGivesAnEmptyListAndOneReport)
{
    InstallAs(profiles::kValid, u"\u30D7.icm");
    InstallAs(profiles::kValid, u"\U0001F600.ICC");   // beyond the BMP: one character, two units
    sim.SetListEveryFile(true);
    InstallAs(profiles::kValid, u"\u30D7.txt");   // never a profile, so never named
    EXPECT_EQ(AddAllProfilesToList(nullptr, list), 0);
    EXPECT_EQ(list.GetCount(), 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].messageText, OddReport({"<U+30D7>.icm", "<U+1F600>.ICC"}));
}

TEST_F(OddNames, WhenTheWideCallFailsTooTheAnsiFailureIsReported)
{
    InstallValidAndOdd();
    sim.Fail(SimCall::EnumColorProfilesW, 5);
    EXPECT_EQ(AddAllProfilesToList(nullptr, list), 87);
    // The device ID that cannot be put into UTF-16 fails the W route just the same.
    sim.Associations(deviceId) = {profiles::kValid};
    sim.Fail(SimCall::MultiByteToWideChar, 0);
    EXPECT_EQ(AddAllProfilesToList(&deviceId, list), 87);

    EXPECT_EQ(list.GetCount(), 0);
    ExpectNoProfileReports(2, 87);
}

TEST_F(OddNames, AnsiFailureOfAnyKindIsMetByTheWideList)
{
    Install(profiles::kValid);
    sim.Fail(SimCall::EnumColorProfilesA, 6, 1, 1);   // the fill, after a good size query
    EXPECT_EQ(AddAllProfilesToList(nullptr, list), 0);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"kv-valid"}));
    EXPECT_EQ(list.VcgtFlag(0), 1);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(sim.HeapBlocks(), 0);
}

TEST_F(CatalogueTest, ContextRouteListsTheContextsProfiles)
{
    Install(profiles::kValid);
    Install(profiles::kBare);
    sim.Associations(deviceId) = {profiles::kValid, profiles::kBare};
    EXPECT_EQ(AddProfilesToList(monitor, list, 0), 0);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"kv-bare", "kv-valid"}));
    EXPECT_EQ(list.VcgtFlag(RowOf("kv-valid")), 1);
    EXPECT_EQ(sim.OpenDcs(), 0);
}

TEST_F(CatalogueTest, ContextRouteReports504And123)
{
    EXPECT_EQ(AddProfilesToListUsingDC(monitor, list), kResultNoProfiles);
    sim.Fail(SimCall::CreateDCA, 8);
    EXPECT_EQ(AddProfilesToListUsingDC(monitor, list), 8);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].messageText, "There are no profiles currently associated with this monitor.");
    EXPECT_EQ(reports[0].fileLineText, "Error 4306 (CMSSupportEx 129)");
    EXPECT_EQ(reports[1].messageText, "AddProfilesToListUsingDC.CreateMonitorDC failed");
    EXPECT_EQ(reports[1].fileLineText, "Error 8 (CMSSupportEx 123)");
}

// ---- Marking ----

TEST_F(CatalogueTest, OneUnreadableProfileIsReportedAndTheOthersMarked)
{
    // Listed, then gone (or locked) by the time it is marked.
    Install(profiles::kValid);
    Install(profiles::kBare);
    Install(profiles::kMildNoCreator);
    sim.Fail(SimCall::OpenColorProfileA, 2, 1, 1);
    EXPECT_EQ(AddAllProfilesToList(nullptr, list), 0);

    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].messageText,
              "AddAllProfilesToList (OpenColorProfile) [" + ColorPath(profiles::kMildNoCreator) + "]");
    EXPECT_EQ(reports[0].fileLineText, "Error 2 (CMSSupportEx 57)");
    EXPECT_EQ(list.CreatorFlag(RowOf("kv-valid")), 1);
    EXPECT_EQ(list.VcgtFlag(RowOf("kv-bare")), 0);
    // Its flags were never set, but it was added before a profile whose flags were:
    // its entries were grown as 0, so it draws italic and not bold.
    const RowStyle style = list.StyleOf(control.GetItemData(RowOf("kv-mild-notcpt")));
    EXPECT_TRUE(style.italic);
    EXPECT_FALSE(style.bold);
}

TEST_F(CatalogueTest, DamagedFilesAreNotListed)
{
    for (const char* file : {profiles::kValid, profiles::kGarbage, profiles::kEmpty, profiles::kTruncated})
        Install(file);
    EXPECT_EQ(AddAllProfilesToList(nullptr, list), 0);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"kv-valid"}));
    EXPECT_TRUE(reports.empty());
}

TEST_F(CatalogueTest, FailedTagTestsLeaveFlagsUnsetFromThatTestOn)
{
    Install(profiles::kValid);
    list.AddProfile(ColorPath(profiles::kValid));

    sim.Fail(SimCall::IsColorProfileTagPresent, 13);
    MarkProfileAttributes(list);
    EXPECT_EQ(list.VcgtFlag(0), std::nullopt);
    EXPECT_EQ(list.CreatorFlag(0), std::nullopt);

    sim.Fail(SimCall::IsColorProfileTagPresent, 13, 1, 1);
    MarkProfileAttributes(list);
    EXPECT_EQ(list.VcgtFlag(0), 1);
    EXPECT_EQ(list.CreatorFlag(0), std::nullopt);

    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].messageText,
              "AddAllProfilesToList (IsColorProfileTagPresent-1) [" + ColorPath(profiles::kValid) + "]");
    EXPECT_EQ(reports[0].fileLineText, "Error 13 (CMSSupportEx 64)");
    EXPECT_EQ(reports[1].messageText,
              "AddAllProfilesToList (IsColorProfileTagPresent-2) [" + ColorPath(profiles::kValid) + "]");
    EXPECT_EQ(reports[1].fileLineText, "Error 13 (CMSSupportEx 74)");
}

TEST_F(CatalogueTest, FailuresWithoutCodeGoOnWithTheSameItem)
{
    Install(profiles::kValid);
    list.AddProfile(ColorPath(profiles::kValid));
    sim.Fail(SimCall::IsColorProfileTagPresent, 0);
    MarkProfileAttributes(list);
    EXPECT_EQ(list.VcgtFlag(0), 0);
    EXPECT_EQ(list.CreatorFlag(0), 1);
    EXPECT_TRUE(reports.empty());
}

TEST_F(CatalogueTest, ExemptExtensionsAreNeverReported)
{
    list.AddProfile(ColorPath("missing.cdmp"));
    list.AddProfile(ColorPath("missing.camp"));
    list.AddProfile(ColorPath("missing.gmmp"));
    list.AddProfile(ColorPath("missing.CDMP"));   // compared exactly: this one is reported
    MarkProfileAttributes(list);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].messageText.find("missing.CDMP"), std::string::npos);
}

TEST_F(CatalogueTest, ProfileIsOpenedByItsPathWithoutTheTerminator)
{
    Install(profiles::kValid);
    list.AddProfile(ColorPath(profiles::kValid));
    MarkProfileAttributes(list);
    EXPECT_EQ(sim.LastOpenRecord().cbDataSize, ColorPath(profiles::kValid).size());
    EXPECT_EQ(sim.LastOpenPath(), ColorPath(profiles::kValid));
}

// ---- Bad input ----

TEST_F(CatalogueTest, TenThousandProfilesAreListedAndMarked)
{
    const std::vector<uint8_t> bytes = [] {
        std::ifstream in(TestProfile(profiles::kValid), std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }();
    for (int i = 0; i < 10000; ++i)
        sim.WriteProfile("p" + std::to_string(i) + ".icm", bytes);
    EXPECT_EQ(AddAllProfilesToList(nullptr, list), 0);
    EXPECT_EQ(list.GetCount(), 10000);
    EXPECT_EQ(list.VcgtFlag(9999), 1);
    EXPECT_TRUE(reports.empty());
}

TEST_F(CatalogueTest, LongAndNonAsciiNamesAreListed)
{
    const std::string longName = std::string(251, 'l') + ".icm";   // 255 bytes, the file system's limit
    Install(profiles::kValid, longName);
    Install(profiles::kValid, "caf\xe9-\xdc" "ber.icm");
    EXPECT_EQ(AddAllProfilesToList(nullptr, list), 0);
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_NE(RowOf(std::string(251, 'l')), -1);
    EXPECT_EQ(list.GetFullPath(RowOf("caf\xe9-\xdc" "ber")), ColorPath("caf\xe9-\xdc" "ber.icm"));
    EXPECT_TRUE(reports.empty());
}

TEST_F(CatalogueTest, OverlongAssociatedNameFallsThroughToTheContext)
{
    // A name that does not fit the 1024-byte conversion buffer is refused, not cut.
    sim.Associations(deviceId) = {std::string(1500, 'x') + ".icm"};
    sim.SetDcProfile(adapter, ColorPath("fallback.icm"));
    Install(profiles::kValid);
    std::string name;
    EXPECT_EQ(GetProfileNameUsingDeviceID(monitor, nullptr, &name, nullptr), 0);
    EXPECT_EQ(name, "fallback");
}

TEST(SplitMultiStringTest, StopsAtAnEmptyNameOrTheEnd)
{
    std::vector<std::string> names{"stale"};
    const char packed[] = "a.icm\0b.icc\0\0c.icm\0";
    SplitMultiString(packed, sizeof packed, names);
    EXPECT_EQ(names, (std::vector<std::string>{"a.icm", "b.icc"}));

    const char unterminated[] = {'x', '\0', 'y', 'z'};
    SplitMultiString(unterminated, sizeof unterminated, names);
    EXPECT_EQ(names, (std::vector<std::string>{"x", "yz"}));

    SplitMultiString(packed, 3, names);
    EXPECT_EQ(names, (std::vector<std::string>{"a.i"}));
    SplitMultiString(nullptr, 10, names);
    EXPECT_TRUE(names.empty());
}

TEST(ProfileExtensionTest, IcmAndIccInAnyCase)
{
    SimScope scope;
    for (const char* yes : {"a.icm", "a.ICM", "b.IcC", "c.d.icc", "C:\\x.y\\z.Icm"})
        EXPECT_TRUE(IsProfileExtension(yes)) << yes;
    for (const char* no : {"a.icm2", "a.cdmp", "noext", "dir.icm\\file", "a.ic", ".icmx", ""})
        EXPECT_FALSE(IsProfileExtension(no)) << no;
}

}  // namespace
