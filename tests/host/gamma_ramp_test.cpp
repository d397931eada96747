#include "cms/gamma_ramp.h"

#include "cms/calibration_check.h"

#include "support/vcgt_table.h"

#include <gtest/gtest.h>

namespace {

struct HeaderField {
    const char* name;
    size_t offset;
    uint32_t badValue;
    int width;
};

class VcgtHeader : public ::testing::TestWithParam<HeaderField> {};

TEST_P(VcgtHeader, OneWrongFieldRefusesTheTable)
{
    std::vector<uint8_t> tag = IdentityVcgt();
    PutBigEndian(tag, GetParam().offset, GetParam().badValue, GetParam().width);
    EXPECT_FALSE(IsVcgtTableHeader(tag.data(), tag.size()));
}

INSTANTIATE_TEST_SUITE_P(Fields, VcgtHeader,
                         ::testing::Values(HeaderField{"signature", 0, 0x76636778, 4},
                                           HeaderField{"formula", 8, 1, 4},
                                           HeaderField{"typeHighByte", 8, 0x80000000u, 4},
                                           HeaderField{"oneChannel", 12, 1, 2},
                                           HeaderField{"entries255", 14, 255, 2},
                                           HeaderField{"entries256BigEndianSwapped", 14, 0x0001, 2},
                                           HeaderField{"sixteenBit", 16, 2, 2}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(VcgtHeaderTest, AcceptsOnlyTheTableFormOfExactly786Bytes)
{
    std::vector<uint8_t> tag = IdentityVcgt();
    EXPECT_TRUE(IsVcgtTableHeader(tag.data(), tag.size()));
    EXPECT_FALSE(IsVcgtTableHeader(tag.data(), 785));
    tag.push_back(0);
    EXPECT_FALSE(IsVcgtTableHeader(tag.data(), tag.size()));
    EXPECT_FALSE(IsVcgtTableHeader(nullptr, 786));
}

TEST(VcgtHeaderTest, ReservedBytesAreNotExamined)
{
    std::vector<uint8_t> tag = IdentityVcgt();
    PutBigEndian(tag, 4, 0xFFFFFFFFu, 4);
    EXPECT_TRUE(IsVcgtTableHeader(tag.data(), tag.size()));
}

TEST(BigEndianTest, HighBytesDoNotOverflow)
{
    const uint8_t bytes[] = {0xFF, 0xFE, 0x80, 0x01};
    EXPECT_EQ(ReadBigEndian32(bytes), 0xFFFE8001u);
    EXPECT_EQ(ReadBigEndian16(bytes + 2), 0x8001u);
}

GammaRamp RampOf(const std::vector<uint8_t>& tag)
{
    GammaRamp ramp{};
    BuildGammaRamp(tag.data(), ramp);
    return ramp;
}

TEST(GammaRampTest, EntriesTakeTheirChannelsInOrder)
{
    GammaRamp ramp = RampOf(VcgtTable([](int c, int i) { return static_cast<uint8_t>(c == 0 ? i : c == 1 ? 255 - i : 7); }));
    EXPECT_EQ(ramp.count, 256);
    EXPECT_EQ(ramp.entries[10].reserved, 0);
    EXPECT_EQ(ramp.entries[10].red, 10);
    EXPECT_EQ(ramp.entries[10].green, 245);
    EXPECT_EQ(ramp.entries[10].blue, 7);
    EXPECT_EQ(ramp.entries[255].red, 255);
}

TEST(GammaRampTest, GreenAverageBelow64IsImplausible)
{
    EXPECT_TRUE(IsGammaRampPlausible(RampOf(IdentityVcgt())));   // sums to 32640
    EXPECT_FALSE(IsGammaRampPlausible(RampOf(VcgtTable([](int c, int i) {
        return static_cast<uint8_t>(c == 1 ? GreenForSum(i, 16383) : i);
    }))));
    EXPECT_TRUE(IsGammaRampPlausible(RampOf(VcgtTable([](int c, int i) {
        return static_cast<uint8_t>(c == 1 ? GreenForSum(i, 16384) : i);
    }))));
    EXPECT_FALSE(IsGammaRampPlausible(RampOf(VcgtTable([](int c, int i) { return static_cast<uint8_t>(c == 1 ? 0 : i); }))));
}

TEST(GammaRampTest, OnlyGreenDecidesPlausibility)
{
    EXPECT_TRUE(IsGammaRampPlausible(RampOf(VcgtTable([](int c, int i) { return static_cast<uint8_t>(c == 1 ? i : 0); }))));
}

TEST(GammaRampTest, HardwareRampShiftsIntoTheHighByte)
{
    HardwareRamp hardware{};
    MakeHardwareRamp(RampOf(VcgtTable([](int, int) { return uint8_t{255}; })), hardware);
    EXPECT_EQ(hardware.red[0], 0xFF00);
    EXPECT_EQ(hardware.green[128], 0xFF00);
    EXPECT_EQ(hardware.blue[255], 0xFF00);

    MakeHardwareRamp(RampOf(IdentityVcgt()), hardware);
    EXPECT_EQ(hardware.red[0], 0);
    EXPECT_EQ(hardware.green[1], 0x0100);
    EXPECT_EQ(hardware.blue[200], 200 << 8);
}

TEST(GammaRampTest, HardwareRampUsesOnlyTheLowByteOfEachValue)
{
    GammaRamp ramp = RampOf(IdentityVcgt());
    ramp.entries[3].red = 0x1234;
    HardwareRamp hardware{};
    MakeHardwareRamp(ramp, hardware);
    EXPECT_EQ(hardware.red[3], 0x3400);
}

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

}  // namespace
