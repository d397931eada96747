// Checks of the simulated colour store and its profiles, limited to what the other host
// tests lean on and what is easy to get subtly wrong: the enumeration's buffer sizing
// and names, and a profile's elements.
#include "sim/sim_platform.h"
#include "sim/sim_test_profiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace simtest;

constexpr uint32_t kClassPrinter = 0x70727472;   // 'prtr'
constexpr uint32_t kTagVcgt = 0x76636774;
constexpr uint32_t kTagDesc = 0x64657363;
constexpr uint32_t kTagCprt = 0x63707274;

template <class Char>
EnumTypeT<Char> Criteria(uint32_t fields = 0)
{
    EnumTypeT<Char> criteria{};
    criteria.dwSize = sizeof(criteria);
    criteria.dwVersion = kEnumTypeVersion;
    criteria.dwFields = fields;
    return criteria;
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

}  // namespace
