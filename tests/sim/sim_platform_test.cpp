// Checks of the simulated platform itself, limited to what the other host tests lean on
// and what is easy to get subtly wrong: buffer sizing, failure injection and the leak
// counters.
#include "sim/sim_platform.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t kSentinel = 0xfaceabee;
constexpr uint32_t kClassPrinter = 0x70727472;   // 'prtr'
constexpr uint32_t kTagVcgt = 0x76636774;
constexpr uint32_t kTagDesc = 0x64657363;
constexpr uint32_t kTagCprt = 0x63707274;

using Tags = std::vector<std::pair<uint32_t, std::vector<uint8_t>>>;

void PutBe32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    bytes[at] = static_cast<uint8_t>(value >> 24);
    bytes[at + 1] = static_cast<uint8_t>(value >> 16);
    bytes[at + 2] = static_cast<uint8_t>(value >> 8);
    bytes[at + 3] = static_cast<uint8_t>(value);
}

// A minimal profile: a 128-byte header with class and magic, the tag table, the data.
std::vector<uint8_t> BuildProfile(uint32_t profileClass, const Tags& tags = {})
{
    std::vector<uint8_t> bytes(132 + 12 * tags.size());
    PutBe32(bytes, 12, profileClass);
    PutBe32(bytes, 36, 0x61637370);
    PutBe32(bytes, 128, static_cast<uint32_t>(tags.size()));
    for (size_t i = 0; i < tags.size(); ++i) {
        PutBe32(bytes, 132 + 12 * i, tags[i].first);
        PutBe32(bytes, 136 + 12 * i, static_cast<uint32_t>(bytes.size()));
        PutBe32(bytes, 140 + 12 * i, static_cast<uint32_t>(tags[i].second.size()));
        bytes.insert(bytes.end(), tags[i].second.begin(), tags[i].second.end());
    }
    PutBe32(bytes, 0, static_cast<uint32_t>(bytes.size()));
    return bytes;
}

template <class Char>
EnumTypeT<Char> Criteria(uint32_t fields = 0)
{
    EnumTypeT<Char> criteria{};
    criteria.dwSize = sizeof(criteria);
    criteria.dwVersion = kEnumTypeVersion;
    criteria.dwFields = fields;
    return criteria;
}

ProfileHandle OpenPath(SimPlatform& sim, const std::string& path)
{
    ProfileRecord record{kProfileFilename, path.c_str(), static_cast<uint32_t>(path.size() + 1)};
    return sim.OpenColorProfileA(&record, kProfileRead, kFileShareRead, kOpenExisting);
}

std::string InColorDirectory(const std::string& name)
{
    return std::string(SimPlatform::kColorDirectory) + "\\" + name;
}

// ---- EnumColorProfilesA/W ----

class SimEnumProfiles : public ::testing::Test {
protected:
    SimScope scope;
    SimPlatform& sim = scope.sim();
    uint32_t size = 0;
    uint32_t count = 0;

    void SetUp() override
    {
        sim.WriteProfile("b.icm", BuildProfile(kClassMonitor));
        sim.WriteProfile("a.ICC", BuildProfile(kClassMonitor));
        sim.WriteProfile("p.icm", BuildProfile(kClassPrinter));
        sim.WriteProfile("notes.txt", BuildProfile(kClassMonitor));
        sim.SetLastError(kSentinel);
    }
};

TEST_F(SimEnumProfiles, ANeedsEveryTerminatorPlusTheFinalEmptyName)
{
    EnumTypeA criteria = Criteria<char>();
    const std::string expected("a.ICC\0b.icm\0p.icm\0\0", 19);

    EXPECT_FALSE(sim.EnumColorProfilesA(nullptr, &criteria, nullptr, &size, &count));
    EXPECT_EQ(kErrorInsufficientBuffer, sim.GetLastError());
    EXPECT_EQ(expected.size(), size);
    EXPECT_EQ(3u, count);

    std::vector<uint8_t> buffer(expected.size() + 4, 0xEE);
    size = static_cast<uint32_t>(expected.size() - 1);
    EXPECT_FALSE(sim.EnumColorProfilesA(nullptr, &criteria, buffer.data(), &size, &count));
    EXPECT_EQ(expected.size(), size);
    EXPECT_EQ(0xEE, buffer[0]) << "a buffer that is too small stays untouched";

    sim.SetLastError(kSentinel);
    EXPECT_TRUE(sim.EnumColorProfilesA(nullptr, &criteria, buffer.data(), &size, &count));
    EXPECT_EQ(kSentinel, sim.GetLastError());
    EXPECT_EQ(expected, std::string(buffer.begin(), buffer.begin() + size));
    EXPECT_EQ(0xEE, buffer[size]);
}

TEST_F(SimEnumProfiles, WCountsBytesOfUtf16Units)
{
    EnumTypeW criteria = Criteria<char16_t>(kEtClass);
    criteria.dwClass = kClassMonitor;
    const std::u16string expected(u"a.ICC\0b.icm\0\0", 13);

    EXPECT_FALSE(sim.EnumColorProfilesW(nullptr, &criteria, nullptr, &size, &count));
    EXPECT_EQ(kErrorInsufficientBuffer, sim.GetLastError());
    EXPECT_EQ(expected.size() * 2, size);
    EXPECT_EQ(2u, count);

    std::vector<uint8_t> buffer(size);
    EXPECT_TRUE(sim.EnumColorProfilesW(nullptr, &criteria, buffer.data(), &size, &count));
    std::u16string names(expected.size(), u'x');
    std::memcpy(names.data(), buffer.data(), buffer.size());
    EXPECT_EQ(expected, names);
}

TEST_F(SimEnumProfiles, ParameterChecksLeaveTheLastErrorAlone)
{
    EnumTypeA criteria = Criteria<char>();
    criteria.dwSize = 88;   // the x86 record
    size = 1234;
    EXPECT_FALSE(sim.EnumColorProfilesA(nullptr, &criteria, nullptr, &size, &count));
    EXPECT_EQ(kSentinel, sim.GetLastError());
    EXPECT_EQ(1234u, size);

    criteria = Criteria<char>();
    criteria.dwVersion = 0;
    EXPECT_FALSE(sim.EnumColorProfilesA(nullptr, &criteria, nullptr, &size, &count));
    EXPECT_EQ(kSentinel, sim.GetLastError());
    EXPECT_EQ(2, sim.CallCount(SimCall::EnumColorProfilesA));
}

TEST_F(SimEnumProfiles, NoMatchIsAnEmptyListButNoFilesIsFileNotFound)
{
    sim.WriteProfile("garbage.icm", {1, 2, 3});
    EnumTypeA criteria = Criteria<char>(kEtClass);
    criteria.dwClass = 0x73636E72;   // 'scnr': no such profile here
    uint8_t buffer[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    size = sizeof(buffer);
    EXPECT_TRUE(sim.EnumColorProfilesA(nullptr, &criteria, buffer, &size, &count));
    EXPECT_EQ(1u, size);
    EXPECT_EQ(0u, count);
    EXPECT_EQ(0, buffer[0]);

    SimScope emptyScope;
    size = 77;
    count = 77;
    emptyScope.sim().SetLastError(kSentinel);
    criteria = Criteria<char>();
    EXPECT_FALSE(emptyScope.sim().EnumColorProfilesA(nullptr, &criteria, buffer, &size, &count));
    EXPECT_EQ(2u, emptyScope.sim().GetLastError());
    EXPECT_EQ(77u, size);
    EXPECT_EQ(77u, count);
}

TEST_F(SimEnumProfiles, DeviceFilterKeepsTheAssociationOrderAndClassSkipsBrokenFiles)
{
    sim.WriteProfile("short.icm", std::vector<uint8_t>(60, 0));
    sim.Associations("MONITOR\\X") = {"short.icm", "b.icm", "gone.icm", "A.icc"};
    EnumTypeA criteria = Criteria<char>(kEtDeviceName | kEtClass);
    criteria.pDeviceName = "MONITOR\\X";
    criteria.dwClass = kClassMonitor;

    char buffer[64] = {};
    size = sizeof(buffer);
    ASSERT_TRUE(sim.EnumColorProfilesA(nullptr, &criteria, reinterpret_cast<uint8_t*>(buffer), &size, &count));
    EXPECT_EQ(std::string("b.icm\0a.ICC\0\0", 13), std::string(buffer, size));
    EXPECT_EQ("MONITOR\\X", sim.LastEnumDeviceA());
}

TEST_F(SimEnumProfiles, NameOutsideTheCodePageFailsTheAQueryAndIsListedByW)
{
    sim.WriteProfile("source.bin", BuildProfile(kClassMonitor));
    const std::u16string odd = u"\u30D7.icm";
    sim.InstallProfile(sim.ColorDirectory() / "source.bin", odd);
    sim.InstallProfile(sim.ColorDirectory() / "source.bin", u"caf\u00E9.icm");   // Latin-1 holds it
    const std::string others("a.ICC\0b.icm\0caf\xE9.icm\0\0", 22);
    EnumTypeA criteria = Criteria<char>(kEtClass);
    criteria.dwClass = kClassMonitor;

    EXPECT_FALSE(sim.EnumColorProfilesA(nullptr, &criteria, nullptr, &size, &count));
    EXPECT_EQ(kErrorInvalidParameter, sim.GetLastError());
    EXPECT_EQ(others.size(), size);
    EXPECT_EQ(3u, count);

    std::vector<uint8_t> buffer(size);
    sim.SetLastError(kSentinel);
    ASSERT_TRUE(sim.EnumColorProfilesA(nullptr, &criteria, buffer.data(), &size, &count));
    EXPECT_EQ(kErrorInvalidParameter, sim.GetLastError());
    EXPECT_EQ(others, std::string(buffer.begin(), buffer.end()));

    EnumTypeW wideCriteria = Criteria<char16_t>(kEtClass);
    wideCriteria.dwClass = kClassMonitor;
    EXPECT_FALSE(sim.EnumColorProfilesW(nullptr, &wideCriteria, nullptr, &size, &count));
    EXPECT_EQ(4u, count);
    buffer.assign(size, 0);
    ASSERT_TRUE(sim.EnumColorProfilesW(nullptr, &wideCriteria, buffer.data(), &size, &count));
    std::u16string names(size / 2, u'x');
    std::memcpy(names.data(), buffer.data(), size);
    EXPECT_EQ(std::u16string(u"a.ICC\0b.icm\0caf\u00E9.icm\0", 21) + odd + std::u16string(2, u'\0'), names);

    // Not even a profile: the A calls still stumble over its name.
    SimScope garbageScope;
    garbageScope.sim().WriteProfile("source.bin", {1, 2, 3});
    garbageScope.sim().InstallProfile(garbageScope.sim().ColorDirectory() / "source.bin", odd);
    EXPECT_FALSE(garbageScope.sim().EnumColorProfilesA(nullptr, &criteria, nullptr, &size, &count));
    EXPECT_EQ(kErrorInvalidParameter, garbageScope.sim().GetLastError());
    EXPECT_EQ(0u, count);
}

// ---- Profiles and their elements ----

TEST(SimProfile, GetColorProfileElementSizing)
{
    SimScope scope;
    SimPlatform& sim = scope.sim();
    const std::vector<uint8_t> vcgt = {'v', 'c', 'g', 't', 0, 0, 0, 0, 1, 2, 3, 4};
    sim.WriteProfile("m.icm", BuildProfile(kClassMonitor, {{kTagDesc, {'d'}}, {kTagVcgt, vcgt}}));
    ProfileHandle profile = OpenPath(sim, InColorDirectory("M.ICM"));
    ASSERT_NE(nullptr, profile);

    uint32_t size = 0;
    Bool32 reference = 7;
    sim.SetLastError(kSentinel);
    EXPECT_FALSE(sim.GetColorProfileElement(profile, kTagVcgt, 4, &size, nullptr, &reference));
    EXPECT_EQ(vcgt.size(), size) << "with no buffer the offset is ignored";
    EXPECT_EQ(kSentinel, sim.GetLastError());

    uint8_t buffer[16] = {};
    size = 7;
    EXPECT_FALSE(sim.GetColorProfileElement(profile, kTagVcgt, 4, &size, buffer, &reference));
    EXPECT_EQ(kErrorInsufficientBuffer, sim.GetLastError());
    EXPECT_EQ(8u, size);

    sim.SetLastError(kSentinel);
    EXPECT_TRUE(sim.GetColorProfileElement(profile, kTagVcgt, 4, &size, buffer, &reference));
    EXPECT_EQ(8u, size);
    EXPECT_EQ(0, std::memcmp(buffer, vcgt.data() + 4, 8));
    EXPECT_FALSE(reference);
    EXPECT_EQ(kSentinel, sim.GetLastError());

    EXPECT_FALSE(sim.GetColorProfileElement(profile, kTagCprt, 0, &size, buffer, &reference));
    EXPECT_EQ(2012u, sim.GetLastError());
    Bool32 present = 1;
    EXPECT_TRUE(sim.IsColorProfileTagPresent(profile, kTagCprt, &present));
    EXPECT_FALSE(present);

    EXPECT_TRUE(sim.CloseColorProfile(profile));
    EXPECT_FALSE(sim.GetColorProfileElement(profile, kTagVcgt, 0, &size, buffer, &reference));
    EXPECT_EQ(6u, sim.GetLastError());
    EXPECT_FALSE(sim.CloseColorProfile(profile));
}

TEST(SimProfile, OpenRejectsWhatIsNotAProfile)
{
    SimScope scope;
    SimPlatform& sim = scope.sim();
    std::vector<uint8_t> badMagic = BuildProfile(kClassMonitor);
    badMagic[36] = 'X';
    // LittleCMS, which Wine opens profiles with, refuses more than 100 tags.
    std::vector<uint8_t> tooManyTags = BuildProfile(kClassMonitor, Tags(101, {kTagDesc, {'d'}}));
    std::vector<uint8_t> headerOnly = BuildProfile(kClassMonitor);
    headerOnly.resize(128);
    std::vector<uint8_t> tableOutside = BuildProfile(kClassMonitor, {{kTagVcgt, {1, 2, 3}}});
    tableOutside[131] = 2;
    sim.WriteProfile("empty.icm", {});
    sim.WriteProfile("header.icm", headerOnly);
    sim.WriteProfile("magic.icm", badMagic);
    sim.WriteProfile("tags.icm", tooManyTags);
    sim.WriteProfile("table.icm", tableOutside);

    for (const char* name : {"empty.icm", "header.icm", "magic.icm", "tags.icm", "table.icm"}) {
        sim.SetLastError(0);
        EXPECT_EQ(nullptr, OpenPath(sim, InColorDirectory(name))) << name;
        EXPECT_EQ(2011u, sim.GetLastError()) << name;
    }
    EXPECT_EQ(nullptr, OpenPath(sim, InColorDirectory("missing.icm")));
    EXPECT_EQ(2u, sim.GetLastError());
    EXPECT_EQ(nullptr, OpenPath(sim, "D:\\elsewhere\\a.icm"));
    EXPECT_EQ(2u, sim.GetLastError());

    // A tag pointing past the end opens but reads as absent, as under Wine.
    std::vector<uint8_t> wildTag = BuildProfile(kClassMonitor, {{kTagVcgt, {1, 2, 3}}});
    PutBe32(wildTag, 140, 0xFFFFFFF0);
    sim.WriteProfile("wild.icm", wildTag);
    ProfileHandle profile = OpenPath(sim, InColorDirectory("wild.icm"));
    ASSERT_NE(nullptr, profile);
    Bool32 present = 1;
    EXPECT_TRUE(sim.IsColorProfileTagPresent(profile, kTagVcgt, &present));
    EXPECT_FALSE(present);
    sim.CloseColorProfile(profile);
}

TEST(SimProfile, PathStopsAtTheDeclaredSize)
{
    SimScope scope;
    SimPlatform& sim = scope.sim();
    sim.WriteProfile("x.icm", BuildProfile(kClassMonitor));
    const std::string path = InColorDirectory("x.icm");
    const std::string padded = path + "trailing";   // no NUL within cbDataSize
    ProfileRecord record{kProfileFilename, padded.data(), static_cast<uint32_t>(path.size())};
    ProfileHandle profile = sim.OpenColorProfileA(&record, kProfileRead, kFileShareRead, kOpenExisting);
    EXPECT_NE(nullptr, profile);
    EXPECT_EQ(path, sim.LastOpenPath());
    EXPECT_EQ(kOpenExisting, sim.LastOpenCreation());
    sim.CloseColorProfile(profile);
}

// ---- Failure injection ----

TEST(SimFailures, SkipThenTimesThenNormalAgain)
{
    SimScope scope;
    SimPlatform& sim = scope.sim();
    sim.WriteProfile("x.icm", BuildProfile(kClassMonitor));
    sim.Fail(SimCall::OpenColorProfileA, 0, 2, 1);

    std::vector<ProfileHandle> opened;
    std::vector<uint32_t> errors;
    for (int i = 0; i < 4; ++i) {
        sim.SetLastError(kSentinel);
        opened.push_back(OpenPath(sim, InColorDirectory("x.icm")));
        errors.push_back(sim.GetLastError());
    }
    EXPECT_NE(nullptr, opened[0]);
    EXPECT_EQ(nullptr, opened[1]);
    EXPECT_EQ(nullptr, opened[2]);
    EXPECT_NE(nullptr, opened[3]);
    EXPECT_EQ((std::vector<uint32_t>{kSentinel, 0, 0, kSentinel}), errors);
    EXPECT_EQ(4, sim.CallCount(SimCall::OpenColorProfileA));
    EXPECT_EQ(0, sim.CallCount(SimCall::GetColorProfileElement));
    sim.CloseColorProfile(opened[0]);
    sim.CloseColorProfile(opened[3]);
}

TEST(SimFailures, EachCallReturnsItsOwnFailureValue)
{
    SimScope scope;
    SimPlatform& sim = scope.sim();
    sim.AddStandardMonitor();
    DcHandle dc = sim.CreateDCA("\\\\.\\DISPLAY1", "\\\\.\\DISPLAY1", nullptr, nullptr);
    ASSERT_NE(nullptr, dc);
    sim.Associations("MONITOR\\SIM1\\{4D36E96E-E325-11CE-BFC1-08002BE10318}\\0000") = {"x.icm"};
    auto proc = [](char*, intptr_t) -> int32_t { return 1; };
    EXPECT_EQ(1, sim.EnumICMProfilesA(dc, proc, 0));

    sim.Fail(SimCall::EnumICMProfilesA, 5);
    sim.Fail(SimCall::Calloc, kErrorNotEnoughMemory);
    sim.Fail(SimCall::FormatMessageA, 0);
    EXPECT_EQ(-1, sim.EnumICMProfilesA(dc, proc, 0));
    EXPECT_EQ(5u, sim.GetLastError());
    EXPECT_EQ(nullptr, sim.Calloc(1, 16));
    EXPECT_EQ(kErrorNotEnoughMemory, sim.GetLastError());
    char* text = reinterpret_cast<char*>(&sim);
    EXPECT_EQ(0u, sim.FormatMessageA(kFormatMessageAllocateBuffer | kFormatMessageFromSystem, nullptr, 2,
                                     kLangUserDefault, &text, 0, nullptr));
    EXPECT_EQ(nullptr, text);
    EXPECT_EQ(0u, sim.GetLastError());

    sim.Fail(SimCall::SetDeviceGammaRamp, 31, 1);
    sim.ClearFailures();
    HardwareRamp ramp = sim.Ramp("\\\\.\\DISPLAY1");
    EXPECT_TRUE(sim.SetDeviceGammaRamp(dc, &ramp));
    EXPECT_TRUE(sim.DeleteDC(dc));
}

// ---- Leak counters ----

TEST(SimCounters, ScopeReportsWhatIsStillHeld)
{
    EXPECT_NONFATAL_FAILURE(
        {
            SimScope leaky;
            leaky.sim().AddStandardMonitor();
            leaky.sim().CreateDCA(nullptr, "\\\\.\\display1", nullptr, nullptr);
        },
        "OpenDcs: 1");
    EXPECT_NONFATAL_FAILURE(
        {
            SimScope leaky;
            leaky.sim().Calloc(0, 4);
        },
        "HeapBlocks: 1");
    EXPECT_NONFATAL_FAILURE(
        {
            SimScope leaky;
            char* text = nullptr;
            leaky.sim().FormatMessageA(kFormatMessageAllocateBuffer | kFormatMessageFromSystem, nullptr, 87,
                                       kLangUserDefault, &text, 0, nullptr);
        },
        "LocalBlocks: 1");

    SimScope scope;
    SimPlatform& sim = scope.sim();
    char* text = nullptr;
    EXPECT_EQ(29u, sim.FormatMessageA(kFormatMessageAllocateBuffer | kFormatMessageFromSystem |
                                          kFormatMessageIgnoreInserts,
                                      nullptr, 87, kLangUserDefault, &text, 0, nullptr));
    EXPECT_STREQ("The parameter is incorrect.\r\n", text);
    void* block = sim.Calloc(0, 1);
    EXPECT_EQ(1, sim.LocalBlocks());
    EXPECT_EQ(1, sim.HeapBlocks());
    EXPECT_EQ(nullptr, sim.LocalFree(text));
    sim.Free(block);
    sim.Free(nullptr);
    EXPECT_EQ(0, sim.LocalBlocks());
    EXPECT_EQ(0, sim.HeapBlocks());

    EXPECT_EQ(0u, sim.FormatMessageA(kFormatMessageAllocateBuffer | kFormatMessageFromSystem, nullptr, 1234,
                                     kLangUserDefault, &text, 0, nullptr));
    EXPECT_EQ(317u, sim.GetLastError());
    EXPECT_EQ(nullptr, text);
}

// ---- Code page and display devices ----

TEST(SimCodePage, DoubleByteCharactersRoundTripAndSizesAreExact)
{
    SimScope scope;
    SimPlatform& sim = scope.sim();
    sim.LeadBytes() = {0x95};
    const char text[] = "a\x95\x5C\xE9";   // a, a character whose trail byte is '\', e-acute

    EXPECT_EQ(4, sim.MultiByteToWideChar(kCodePageThreadAcp, 0, text, -1, nullptr, 0));
    char16_t wide[4] = {};
    sim.SetLastError(kSentinel);
    EXPECT_EQ(0, sim.MultiByteToWideChar(kCodePageThreadAcp, 0, text, -1, wide, 3));
    EXPECT_EQ(kErrorInsufficientBuffer, sim.GetLastError());
    ASSERT_EQ(4, sim.MultiByteToWideChar(kCodePageThreadAcp, 0, text, -1, wide, 4));
    EXPECT_EQ(u'a', wide[0]);
    EXPECT_EQ(u'\u00E9', wide[2]);
    EXPECT_EQ(u'\0', wide[3]);

    char back[8] = {};
    Bool32 usedDefault = 1;
    ASSERT_EQ(5, sim.WideCharToMultiByte(kCodePageThreadAcp, 0, wide, -1, back, 8, nullptr, &usedDefault));
    EXPECT_STREQ(text, back);
    EXPECT_FALSE(usedDefault);

    const char16_t unmappable[] = u"\u20AC\u0095";   // the euro sign, a lone lead byte
    EXPECT_EQ(2, sim.WideCharToMultiByte(kCodePageThreadAcp, 0, unmappable, 2, back, 8, nullptr, &usedDefault));
    EXPECT_EQ("??", std::string(back, 2));
    EXPECT_TRUE(usedDefault);

    const char16_t lookAlike[] = u"\u0100";   // A with macron: best fit, no default
    EXPECT_EQ(1, sim.WideCharToMultiByte(kCodePageThreadAcp, 0, lookAlike, 1, back, 8, nullptr, &usedDefault));
    EXPECT_EQ('A', back[0]);
    EXPECT_FALSE(usedDefault);
}

TEST(SimCodePage, Utf8FailsALoneSurrogateOnlyWhenAskedAndRoundTripsTheRest)
{
    SimScope scope;
    SimPlatform& sim = scope.sim();
    sim.SetUtf8AnsiCodePage(true);
    const char16_t text[] = u"\u30D7\U0001F600\xD800";
    char out[16] = {};
    sim.SetLastError(kSentinel);
    EXPECT_EQ(0, sim.WideCharToMultiByte(kCodePageThreadAcp, kWcErrInvalidChars, text, 4, out, 16, nullptr, nullptr));
    EXPECT_EQ(1113u, sim.GetLastError());
    ASSERT_EQ(10, sim.WideCharToMultiByte(kCodePageThreadAcp, 0, text, 4, out, 16, nullptr, nullptr));
    EXPECT_EQ("\xE3\x83\x97\xF0\x9F\x98\x80\xEF\xBF\xBD", std::string(out, 10));
    char16_t back[4] = {};
    ASSERT_EQ(4, sim.MultiByteToWideChar(kCodePageThreadAcp, 0, out, 10, back, 4));
    EXPECT_EQ(u"\u30D7\U0001F600\uFFFD", std::u16string(back, 4));
}

TEST(SimDisplay, LongNamesAreTruncatedAndManyAdaptersEnumerate)
{
    SimScope scope;
    SimPlatform& sim = scope.sim();
    const std::string longName(1000, 'N');
    for (int i = 0; i < 20; ++i) {
        SimAdapter adapter;
        adapter.device.name = "\\\\.\\DISPLAY" + std::to_string(i + 1);
        adapter.device.string = longName;
        for (int m = 0; m < 20; ++m)
            adapter.monitors.push_back({longName, longName, kDisplayDeviceAttached, longName, longName});
        sim.AddAdapter(adapter);
    }
    DisplayDevice record{};
    record.cb = sizeof(record);
    ASSERT_TRUE(sim.EnumDisplayDevicesA(nullptr, 19, &record, 0));
    EXPECT_STREQ("\\\\.\\DISPLAY20", record.DeviceName);
    EXPECT_EQ(std::string(127, 'N'), record.DeviceString);
    ASSERT_TRUE(sim.EnumDisplayDevicesA("\\\\.\\display20", 19, &record, 0));
    EXPECT_EQ(std::string(31, 'N'), record.DeviceName);
    EXPECT_EQ(std::string(127, 'N'), record.DeviceKey);
    sim.SetLastError(kSentinel);
    EXPECT_FALSE(sim.EnumDisplayDevicesA("\\\\.\\DISPLAY20", 20, &record, 0));
    EXPECT_FALSE(sim.EnumDisplayDevicesA(nullptr, 20, &record, 0));
    EXPECT_EQ(kSentinel, sim.GetLastError());
    record.cb = 296;
    EXPECT_FALSE(sim.EnumDisplayDevicesA(nullptr, 0, &record, 0));
}

TEST(SimDisplay, RemovedMonitorIsUnlistedStaleAndReturnsUnderANewHandle)
{
    SimScope scope;
    SimPlatform& sim = scope.sim();
    const MonitorHandle first = sim.AddStandardMonitor();
    const MonitorHandle second = sim.AddStandardMonitor();
    std::vector<MonitorHandle> handles;
    auto listed = [&sim, &handles] {
        auto collect = [](MonitorHandle m, DcHandle, Rect32*, intptr_t data) -> Bool32 {
            reinterpret_cast<std::vector<MonitorHandle>*>(data)->push_back(m);
            return 1;
        };
        handles.clear();
        return sim.EnumDisplayMonitors(nullptr, nullptr, collect, reinterpret_cast<intptr_t>(&handles));
    };

    sim.RemoveMonitor(first);
    EXPECT_TRUE(listed());
    EXPECT_EQ(std::vector<MonitorHandle>{second}, handles);
    MonitorInfoEx info{};
    info.cbSize = sizeof(info);
    sim.SetLastError(kSentinel);
    EXPECT_FALSE(sim.GetMonitorInfoA(first, &info));
    EXPECT_EQ(1461u, sim.GetLastError());

    SimMonitor back;
    back.adapterName = "\\\\.\\DISPLAY1";
    const MonitorHandle returned = sim.AddMonitor(back);
    EXPECT_NE(first, returned);
    EXPECT_NE(second, returned);
    EXPECT_TRUE(listed());
    EXPECT_EQ((std::vector<MonitorHandle>{second, returned}), handles);
    EXPECT_FALSE(sim.GetMonitorInfoA(first, &info));

    sim.RemoveMonitor(second);
    sim.RemoveMonitor(returned);
    EXPECT_FALSE(listed());   // a desktop without monitors
    EXPECT_TRUE(handles.empty());
    // Placed at the origin again, as the desktop's only monitor.
    ASSERT_TRUE(sim.GetMonitorInfoA(sim.AddStandardMonitor(), &info));
    EXPECT_EQ(0, info.rcMonitor.left);
    EXPECT_EQ(1u, info.dwFlags);
}

TEST(SimDisplay, ConfigurationRefusesWrongRequestsAndShortBuffers)
{
    SimScope scope;
    SimPlatform& sim = scope.sim();
    sim.AddStandardMonitor();
    sim.AddStandardMonitor();
    uint32_t pathCount = 0;
    uint32_t modeCount = 0;
    ASSERT_EQ(0, sim.GetDisplayConfigBufferSizes(kQdcOnlyActivePaths, &pathCount, &modeCount));
    ASSERT_EQ(2u, pathCount);
    std::vector<DisplayConfigPathInfo> paths(pathCount);
    std::vector<DisplayConfigModeInfo> modes(modeCount);
    uint32_t shortCount = 1;
    EXPECT_EQ(122, sim.QueryDisplayConfig(kQdcOnlyActivePaths, &shortCount, paths.data(), &modeCount,
                                          modes.data(), nullptr));
    ASSERT_EQ(0, sim.QueryDisplayConfig(kQdcOnlyActivePaths, &pathCount, paths.data(), &modeCount,
                                        modes.data(), nullptr));

    DisplayConfigSourceDeviceName name{};
    name.header = {kDisplayConfigGetSourceName, sizeof(name), paths[1].sourceInfo.adapterId, paths[1].sourceInfo.id};
    ASSERT_EQ(0, sim.DisplayConfigGetDeviceInfo(&name.header));
    EXPECT_TRUE(std::u16string(u"\\\\.\\DISPLAY2") == name.viewGdiDeviceName);
    name.header.size = sizeof(DisplayConfigAdvancedColorInfo);
    EXPECT_EQ(87, sim.DisplayConfigGetDeviceInfo(&name.header));
    name.header = {kDisplayConfigGetSourceName, sizeof(name), paths[1].sourceInfo.adapterId, paths[1].targetInfo.id};
    EXPECT_EQ(87, sim.DisplayConfigGetDeviceInfo(&name.header));

    sim.SetLastError(kSentinel);
    sim.Fail(SimCall::QueryDisplayConfig, 31);
    EXPECT_EQ(31, sim.QueryDisplayConfig(kQdcOnlyActivePaths, &pathCount, paths.data(), &modeCount,
                                         modes.data(), nullptr));
    EXPECT_EQ(kSentinel, sim.GetLastError());
}

// ---- Gamma ramps ----

TEST(SimRamp, SharedRampAndEightBitEntries)
{
    SimScope scope;
    SimPlatform& sim = scope.sim();
    sim.AddStandardMonitor();
    sim.AddStandardMonitor();
    sim.SetSharedRamp(true);
    sim.SetRampBits(8);
    EXPECT_EQ(0xFFFF, sim.Ramp("\\\\.\\DISPLAY1").red[255]);

    HardwareRamp written = sim.Ramp("\\\\.\\DISPLAY1");
    written.green[10] = 0x1234;
    DcHandle dc = sim.CreateDCA(nullptr, "\\\\.\\DISPLAY2", nullptr, nullptr);
    ASSERT_NE(nullptr, dc);
    EXPECT_TRUE(sim.SetDeviceGammaRamp(dc, &written));
    EXPECT_TRUE(sim.DeleteDC(dc));

    dc = sim.CreateDCA(nullptr, "\\\\.\\DISPLAY1", nullptr, nullptr);
    ASSERT_NE(nullptr, dc);
    HardwareRamp read{};
    EXPECT_TRUE(sim.GetDeviceGammaRamp(dc, &read));
    EXPECT_TRUE(sim.DeleteDC(dc));
    EXPECT_EQ(0x1212, read.green[10]);
    EXPECT_EQ(0x1212, sim.Ramp("\\\\.\\DISPLAY1").green[10]);

    sim.SetSharedRamp(false);
    EXPECT_EQ(0x0A0A, sim.Ramp("\\\\.\\DISPLAY1").green[10]);   // its own again, never written
}

}  // namespace
