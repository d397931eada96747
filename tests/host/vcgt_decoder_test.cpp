// The decoder of every calibration tag form, judged entry by entry by the field's
// reference library (lcms_reference.h). The bounds proven here:
//  - tables of 256 entries: equal. The 786-byte form aside: it keeps its own v << 8,
//    whose high byte is the library's and whose low byte is 0 where the library's
//    v * 257 has v.
//  - tables of any other count, resampled to 256: within 1. Both interpolate linearly
//    at i * (count - 1) / 255. Ours is exact, then rounded (off by under 0.5); the
//    library places the position to 1/65536 of a cell (off by at most half a step's
//    1/65536, under 0.5) and rounds (0.5): under 1.5 in all, so 1 in integers. Where
//    the library cannot follow (see lcms_reference.h), ours is held to the exact
//    interpolation, computed apart in floating point, rounded to the nearest.
//  - formulas, gamma 0.5 to 3: within 1. The library samples the curve at 4096 points
//    and interpolates; at gamma 0.5 its chord sags by up to half a step near black.
#include "cms/gamma_ramp.h"
#include "cms/vcgt_decoder.h"

#include "support/lcms_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using lcms_reference::ProfileAround;

void Put(std::vector<uint8_t>& bytes, size_t offset, uint32_t value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * (width - 1 - i)));
}

// A table tag: each channel's entries as given (bytes when entrySize is 1).
std::vector<uint8_t> TableTag(const std::vector<std::vector<uint32_t>>& channels, uint32_t entrySize)
{
    const size_t count = channels[0].size();
    std::vector<uint8_t> tag(18 + channels.size() * count * entrySize, 0);
    Put(tag, 0, kTagVcgt, 4);
    Put(tag, 12, static_cast<uint32_t>(channels.size()), 2);
    Put(tag, 14, static_cast<uint32_t>(count), 2);
    Put(tag, 16, entrySize, 2);
    size_t at = 18;
    for (const auto& channel : channels)
        for (uint32_t value : channel) {
            Put(tag, at, value, static_cast<int>(entrySize));
            at += entrySize;
        }
    return tag;
}

struct Formula {
    int32_t gamma, minimum, maximum;   // s15Fixed16Number
};

int32_t Fixed(double value) { return static_cast<int32_t>(std::lround(value * 65536)); }

std::vector<uint8_t> FormulaTag(const Formula (&channels)[3], size_t size = 48)
{
    std::vector<uint8_t> tag(size, 0);
    Put(tag, 0, kTagVcgt, 4);
    Put(tag, 8, 1, 4);
    for (size_t c = 0; c < 3; ++c) {
        Put(tag, 12 + 12 * c, static_cast<uint32_t>(channels[c].gamma), 4);
        Put(tag, 16 + 12 * c, static_cast<uint32_t>(channels[c].minimum), 4);
        Put(tag, 20 + 12 * c, static_cast<uint32_t>(channels[c].maximum), 4);
    }
    return tag;
}

const uint16_t* Channel(const HardwareRamp& ramp, size_t c)
{
    return c == 0 ? ramp.red : c == 1 ? ramp.green : ramp.blue;
}

// The largest gap between two ramps, over the 768 entries.
int LargestGap(const HardwareRamp& a, const HardwareRamp& b)
{
    int largest = 0;
    for (size_t c = 0; c < 3; ++c)
        for (size_t i = 0; i < 256; ++i)
            largest = std::max(largest, std::abs(int(Channel(a, c)[i]) - int(Channel(b, c)[i])));
    return largest;
}

// The library's ramp with each low byte cleared: what the 786-byte form gives.
const HardwareRamp& MakeHighBytesOnly(HardwareRamp& ramp)
{
    for (size_t i = 0; i < 256; ++i) {
        ramp.red[i] &= 0xFF00;
        ramp.green[i] &= 0xFF00;
        ramp.blue[i] &= 0xFF00;
    }
    return ramp;
}

HardwareRamp Decode(const std::vector<uint8_t>& tag, VcgtForm expectedForm)
{
    HardwareRamp ramp{};
    const VcgtDecoding decoding = DecodeVcgt(tag.data(), tag.size(), ramp);
    EXPECT_TRUE(decoding.Ok()) << int(decoding.fault);
    EXPECT_EQ(decoding.form, expectedForm);
    return ramp;
}

// ---- Tables ------------------------------------------------------------------------------

struct TableCase {
    uint32_t entrySize;
    uint32_t count;
    size_t channels;
    bool random;   // rising gamma curves, or any values at all
};

std::string Describe(const TableCase& t)
{
    return std::to_string(t.channels) + " x " + std::to_string(t.count) + " x " + std::to_string(t.entrySize) +
           (t.random ? " bytes, random" : " bytes, rising");
}

// The entries of one case, channel c: full scale is 255 or 65535 by the entry size.
std::vector<std::vector<uint32_t>> TableValues(const TableCase& t)
{
    std::mt19937 random(t.count * 7 + t.entrySize);
    const uint32_t top = t.entrySize == 1 ? 255 : 65535;
    std::vector<std::vector<uint32_t>> channels(t.channels);
    for (size_t c = 0; c < t.channels; ++c) {
        const double gamma = 0.8 + 0.3 * double(c);
        for (uint32_t k = 0; k < t.count; ++k) {
            const double x = double(k) / (t.count - 1);
            channels[c].push_back(t.random ? std::uniform_int_distribution<uint32_t>(0, top)(random)
                                           : static_cast<uint32_t>(std::lround(top * std::pow(x, gamma))));
        }
    }
    return channels;
}

// The exact linear interpolation of a channel at entry i of 256, in floating point.
double Interpolated(const std::vector<uint32_t>& channel, uint32_t entrySize, size_t i)
{
    const double scale = entrySize == 1 ? 257.0 : 1.0;
    const double position = double(i) * double(channel.size() - 1) / 255.0;
    const auto k = static_cast<size_t>(std::floor(position));
    if (k + 1 >= channel.size())
        return channel.back() * scale;
    const double f = position - double(k);
    return (double(channel[k]) + (double(channel[k + 1]) - double(channel[k])) * f) * scale;
}

void ExpectExactInterpolation(const TableCase& t, const std::vector<std::vector<uint32_t>>& values,
                              const HardwareRamp& ramp)
{
    for (size_t c = 0; c < 3; ++c)
        for (size_t i = 0; i < 256; ++i) {
            const double exact = Interpolated(values[t.channels == 1 ? 0 : c], t.entrySize, i);
            ASSERT_LE(std::fabs(Channel(ramp, c)[i] - exact), 0.5 + 1e-9) << "channel " << c << ", entry " << i;
        }
}

TEST(VcgtTables, AgreeWithTheReferenceLibraryEntryByEntry)
{
    for (uint32_t entrySize : {1u, 2u})
        for (uint32_t count : {2u, 16u, 256u, 1024u, 4096u, lcms_reference::kLargestEvaluatedTable})
            for (size_t channels : {size_t{1}, size_t{3}})
                for (bool random : {false, true}) {
                    const TableCase t{entrySize, count, channels, random};
                    SCOPED_TRACE(Describe(t));
                    const auto values = TableValues(t);
                    const bool downloaded = entrySize == 1 && count == 256 && channels == 3;
                    const std::vector<uint8_t> tag = TableTag(values, entrySize);
                    const HardwareRamp ours = Decode(tag, downloaded ? VcgtForm::ByteTable : VcgtForm::Table);
                    HardwareRamp reference{};
                    ASSERT_TRUE(lcms_reference::TagRamp(tag, reference));

                    if (downloaded) {
                        EXPECT_EQ(std::memcmp(&ours, &MakeHighBytesOnly(reference), sizeof ours), 0);
                        continue;
                    }
                    EXPECT_LE(LargestGap(ours, reference), count == 256 ? 0 : 1);
                    ExpectExactInterpolation(t, values, ours);
                    if (channels == 1) {
                        EXPECT_EQ(std::memcmp(ours.red, ours.green, sizeof ours.red), 0);
                        EXPECT_EQ(std::memcmp(ours.red, ours.blue, sizeof ours.red), 0);
                    }
                    if (!random) {
                        for (size_t c = 0; c < 3; ++c)
                            for (size_t i = 1; i < 256; ++i)
                                ASSERT_LE(Channel(ours, c)[i - 1], Channel(ours, c)[i]) << "a rising table fell";
                    }
                }
}

// Past 32,768 entries the library's evaluation overflows, and past 65,530 it reads
// nothing; its parsing still shows that the test reads the bytes as it does.
TEST(VcgtTables, TheLongestAreInterpolatedExactly)
{
    for (uint32_t count : {lcms_reference::kLargestEvaluatedTable + 1, 40000u, lcms_reference::kLargestTable, 65535u})
        for (uint32_t entrySize : {1u, 2u}) {
            const TableCase t{entrySize, count, 3, true};
            SCOPED_TRACE(Describe(t));
            const auto values = TableValues(t);
            const std::vector<uint8_t> tag = TableTag(values, entrySize);
            ExpectExactInterpolation(t, values, Decode(tag, VcgtForm::Table));

            std::vector<std::vector<uint16_t>> parsed;
            const bool read = lcms_reference::Tables(ProfileAround(tag), parsed);
            ASSERT_EQ(read, count <= lcms_reference::kLargestTable);
            for (size_t c = 0; c < parsed.size(); ++c)
                for (uint32_t k = 0; k < count; ++k)
                    ASSERT_EQ(parsed[c][k], values[c][k] * (entrySize == 1 ? 257 : 1)) << k;
        }
}

// ---- Formulas ------------------------------------------------------------------------------

TEST(VcgtFormula, AgreesWithTheReferenceLibraryFromGammaHalfToThree)
{
    const std::pair<double, double> ranges[] = {{0, 1}, {0.05, 0.9}, {0.25, 0.25}, {0, 0.5}};
    for (int step = 0; step <= 50; ++step) {
        const double gamma = 0.5 + 0.05 * step;
        SCOPED_TRACE("gamma " + std::to_string(gamma));
        Formula channels[3];
        for (size_t c = 0; c < 3; ++c) {
            const auto& range = ranges[(step + c) % std::size(ranges)];
            channels[c] = {Fixed(gamma + 0.01 * double(c)), Fixed(range.first), Fixed(range.second)};
        }
        const std::vector<uint8_t> tag = FormulaTag(channels);
        const HardwareRamp ours = Decode(tag, VcgtForm::Formula);
        HardwareRamp reference{};
        ASSERT_TRUE(lcms_reference::TagRamp(tag, reference));
        EXPECT_LE(LargestGap(ours, reference), 1);
        // The ends are the minimum and the maximum themselves.
        for (size_t c = 0; c < 3; ++c) {
            EXPECT_EQ(Channel(ours, c)[0], std::lround(channels[c].minimum / 65536.0 * 65535));
            EXPECT_EQ(Channel(ours, c)[255], std::lround(channels[c].maximum / 65536.0 * 65535));
        }
    }
}

// ---- Real profiles ------------------------------------------------------------------------

// Every profile that Debian's packages put under /usr/share/color/icc and that carries
// a calibration tag (colord-data's are 16-bit tables of 256 entries).
TEST(VcgtRealProfiles, DecodeAsTheReferenceLibraryReadsThem)
{
    const std::filesystem::path root = "/usr/share/color/icc";
    int compared = 0;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (!it->is_regular_file())
            continue;
        const std::vector<uint8_t> profile = lcms_reference::ReadFile(it->path());
        const std::vector<uint8_t> tag = lcms_reference::VcgtOf(profile);
        if (tag.empty())
            continue;
        SCOPED_TRACE(it->path().string());
        HardwareRamp ours{};
        const VcgtDecoding decoding = DecodeVcgt(tag.data(), tag.size(), ours);
        ASSERT_TRUE(decoding.Ok()) << int(decoding.fault);
        HardwareRamp reference{};
        ASSERT_TRUE(lcms_reference::Ramp(profile, reference));
        const bool resampled = decoding.form == VcgtForm::Table && tag.size() >= 18 &&
                               (uint32_t(tag[14]) << 8 | tag[15]) != 256;
        if (decoding.form == VcgtForm::ByteTable)
            EXPECT_EQ(std::memcmp(&ours, &MakeHighBytesOnly(reference), sizeof ours), 0);
        else
            EXPECT_LE(LargestGap(ours, reference), decoding.form == VcgtForm::Table && !resampled ? 0 : 1);
        ++compared;
    }
    if (compared == 0)
        GTEST_SKIP() << "no profile under " << root << " carries a vcgt tag: install colord-data (tools/setup.sh does)";
    std::printf("compared %d profiles with a vcgt tag under %s\n", compared, root.c_str());
}

// ---- Damage --------------------------------------------------------------------------------

struct DamageCase {
    const char* name;
    std::vector<uint8_t> tag;
    VcgtFault fault;
};

std::vector<uint8_t> Identity16(uint32_t count = 256)
{
    std::vector<uint32_t> channel;
    for (uint32_t k = 0; k < count; ++k)
        channel.push_back(k * 65535 / (count - 1));
    return TableTag({channel, channel, channel}, 2);
}

std::vector<uint8_t> With(std::vector<uint8_t> tag, size_t offset, uint32_t value, int width)
{
    Put(tag, offset, value, width);
    return tag;
}

std::vector<uint8_t> Resized(std::vector<uint8_t> tag, size_t size)
{
    tag.resize(size, 0);
    return tag;
}

const Formula kPlain{Fixed(1), 0, Fixed(1)};

std::vector<uint8_t> FormulaWith(const Formula& odd, size_t channel = 2)
{
    Formula channels[3] = {kPlain, kPlain, kPlain};
    channels[channel] = odd;
    return FormulaTag(channels);
}

TEST(VcgtDamage, IsToldByItsFaultAndLeavesTheRampAlone)
{
    const DamageCase cases[] = {
        {"empty", {}, VcgtFault::Short},
        {"no type", Resized(Identity16(), 11), VcgtFault::Short},
        {"table header cut", Resized(Identity16(), 17), VcgtFault::Short},
        {"signature", With(Identity16(), 3, 'x', 1), VcgtFault::Signature},
        {"type 2", With(Identity16(), 8, 2, 4), VcgtFault::GammaType},
        {"type high bit", With(Identity16(), 8, 0x80000000u, 4), VcgtFault::GammaType},
        {"no channel", With(Identity16(), 12, 0, 2), VcgtFault::Channels},
        {"two channels", With(Identity16(), 12, 2, 2), VcgtFault::Channels},
        {"four channels", With(Identity16(), 12, 4, 2), VcgtFault::Channels},
        {"no entry", With(Identity16(), 14, 0, 2), VcgtFault::Count},
        {"one entry", With(Identity16(), 14, 1, 2), VcgtFault::Count},
        {"entry size 0", With(Identity16(), 16, 0, 2), VcgtFault::EntrySize},
        {"entry size 3", With(Identity16(), 16, 3, 2), VcgtFault::EntrySize},
        {"a byte short", Resized(Identity16(), 1553), VcgtFault::Size},
        {"a byte long", Resized(Identity16(), 1555), VcgtFault::Size},
        {"announces the most", With(Identity16(), 14, 65535, 2), VcgtFault::Size},
        {"one-byte entries in a 16-bit body", With(Identity16(), 16, 1, 2), VcgtFault::Size},
        {"formula cut", Resized(FormulaWith(kPlain), 47), VcgtFault::Short},
        {"gamma 0", FormulaWith({0, 0, Fixed(1)}), VcgtFault::FormulaValue},
        {"gamma negative", FormulaWith({Fixed(-2.2), 0, Fixed(1)}), VcgtFault::FormulaValue},
        {"gamma under 1/16", FormulaWith({Fixed(1.0 / 16) - 1, 0, Fixed(1)}), VcgtFault::FormulaValue},
        {"gamma over 16", FormulaWith({Fixed(16) + 1, 0, Fixed(1)}), VcgtFault::FormulaValue},
        {"gamma the most negative", FormulaWith({INT32_MIN, 0, Fixed(1)}), VcgtFault::FormulaValue},
        {"minimum negative", FormulaWith({Fixed(1), -1, Fixed(1)}), VcgtFault::FormulaValue},
        {"maximum over 1", FormulaWith({Fixed(1), 0, Fixed(1) + 1}), VcgtFault::FormulaValue},
        {"inverted", FormulaWith({Fixed(1), Fixed(0.8), Fixed(0.2)}), VcgtFault::FormulaValue},
        {"first channel", FormulaWith({Fixed(1), Fixed(0.8), Fixed(0.2)}, 0), VcgtFault::FormulaValue},
    };
    for (const DamageCase& damage : cases) {
        SCOPED_TRACE(damage.name);
        // Each tag in a block of exactly its size, so that a read past it is caught.
        std::vector<uint8_t> exact(damage.tag);
        HardwareRamp ramp;
        std::memset(&ramp, 0xA5, sizeof ramp);
        const HardwareRamp before = ramp;
        const VcgtDecoding decoding = DecodeVcgt(exact.empty() ? nullptr : exact.data(), exact.size(), ramp);
        EXPECT_EQ(decoding.fault, damage.fault);
        EXPECT_FALSE(decoding.Ok());
        EXPECT_EQ(std::memcmp(&ramp, &before, sizeof ramp), 0);
    }
}

TEST(VcgtDamage, TheEdgesOfWhatAFormulaMayBeAreAccepted)
{
    const std::vector<uint8_t> accepted[] = {
        FormulaWith({Fixed(1.0 / 16), 0, Fixed(1)}),
        FormulaWith({Fixed(16), 0, Fixed(1)}),
        FormulaWith({Fixed(1), Fixed(0.5), Fixed(0.5)}),   // flat: a curve all the same
        Resized(FormulaWith(kPlain), 52),                     // padded: the rest is not read
    };
    for (const auto& tag : accepted)
        Decode(tag, VcgtForm::Formula);
}

// ---- Forms ---------------------------------------------------------------------------------

// A well-formed table of another shape than the 786-byte one, or a formula, decodes as
// its form; a shape whose size disagrees with its header, or a curve out of range, does
// not decode at all.
TEST(VcgtForms, TablesOfOtherFormsAndFormulasAreToldFromDamage)
{
    const auto decode = [](const std::vector<uint8_t>& tag, size_t size, HardwareRamp& ramp) {
        return DecodeVcgt(tag.empty() ? nullptr : tag.data(), size, ramp);
    };
    // Every entry 0x80, whatever its size, and `extra` bytes past the table.
    const auto table = [](uint32_t channels, uint32_t count, uint32_t entrySize, size_t extra = 0) {
        std::vector<uint8_t> tag = TableTag(std::vector<std::vector<uint32_t>>(channels, std::vector<uint32_t>(count, 0)),
                                            entrySize);
        std::fill(tag.begin() + 18, tag.end(), uint8_t{0x80});
        tag.resize(tag.size() + extra, 0x80);
        return tag;
    };
    struct Shape {
        std::vector<uint8_t> tag;
        VcgtForm form;
    };
    for (const Shape& shape : {Shape{table(3, 256, 2), VcgtForm::Table}, Shape{table(1, 256, 1), VcgtForm::Table},
                               Shape{table(3, 2, 2), VcgtForm::Table}, Shape{table(1, 65535, 2), VcgtForm::Table},
                               Shape{table(3, 1024, 1), VcgtForm::Table}, Shape{table(3, 256, 1), VcgtForm::ByteTable}}) {
        SCOPED_TRACE(shape.tag.size());
        HardwareRamp ramp{};
        const VcgtDecoding decoding = decode(shape.tag, shape.tag.size(), ramp);
        EXPECT_TRUE(decoding.Ok()) << int(decoding.fault);
        EXPECT_EQ(decoding.form, shape.form);
        // Flat at 0x80 of full scale: 0x8080, and in the 786-byte form's high byte 0x8000.
        const uint16_t flat = shape.form == VcgtForm::ByteTable ? 0x8000 : 0x8080;
        for (size_t c = 0; c < 3; ++c)
            EXPECT_EQ(std::count(Channel(ramp, c), Channel(ramp, c) + 256, flat), 256) << "channel " << c;
    }
    for (const auto& tag : {table(3, 256, 2, 1), table(2, 256, 2), table(3, 1, 2), table(3, 256, 3)}) {
        HardwareRamp ramp{};
        EXPECT_FALSE(decode(tag, tag.size(), ramp).Ok()) << tag.size();
    }

    // Gamma 1 from 0 to 1 in each channel: the linear ramp. A gamma of 0 is no curve.
    const Formula linear{Fixed(1), 0, Fixed(1)};
    std::vector<uint8_t> formula = FormulaTag({linear, linear, linear});
    HardwareRamp ramp{};
    const VcgtDecoding decoding = decode(formula, formula.size(), ramp);
    EXPECT_TRUE(decoding.Ok()) << int(decoding.fault);
    EXPECT_EQ(decoding.form, VcgtForm::Formula);
    for (size_t i = 0; i < 256; ++i)
        ASSERT_EQ(ramp.green[i], 257 * i) << i;
    EXPECT_FALSE(decode(formula, 47, ramp).Ok());
    EXPECT_FALSE(decode({}, 48, ramp).Ok());
    formula[13] = 0;
    EXPECT_FALSE(decode(formula, formula.size(), ramp).Ok());
    formula[13] = 1;
    formula[0] = 'x';
    EXPECT_FALSE(decode(formula, formula.size(), ramp).Ok());
}

}  // namespace
