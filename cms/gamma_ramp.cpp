#include "cms/gamma_ramp.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kSignatureOffset = 0;
constexpr size_t kGammaTypeOffset = 8;
constexpr size_t kChannelsOffset = 12;
constexpr size_t kEntriesOffset = 14;
constexpr size_t kEntrySizeOffset = 16;
constexpr size_t kTableOffset = 18;

constexpr uint32_t kGammaTypeTable = 0;
constexpr uint16_t kChannels = 3;
constexpr uint16_t kEntrySize = 1;
constexpr uint32_t kMinimumGreenSum = 16384;   // 64 on average over 256 entries

}  // namespace

uint16_t ReadBigEndian16(const uint8_t* p)
{
    return static_cast<uint16_t>(uint32_t(p[0]) << 8 | uint32_t(p[1]));
}

uint32_t ReadBigEndian32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

bool IsVcgtTableHeader(const uint8_t* tag, size_t size)
{
    return tag != nullptr && size == kVcgtTableSize && ReadBigEndian32(tag + kSignatureOffset) == kTagVcgt &&
           ReadBigEndian32(tag + kGammaTypeOffset) == kGammaTypeTable &&
           ReadBigEndian16(tag + kChannelsOffset) == kChannels &&
           ReadBigEndian16(tag + kEntriesOffset) == kRampEntries &&
           ReadBigEndian16(tag + kEntrySizeOffset) == kEntrySize;
}

void BuildGammaRamp(const uint8_t* tag, GammaRamp& ramp)
{
    const uint8_t* red = tag + kTableOffset;
    const uint8_t* green = red + kRampEntries;
    const uint8_t* blue = green + kRampEntries;
    ramp.count = kRampEntries;
    for (size_t i = 0; i < kRampEntries; ++i)
        ramp.entries[i] = GammaRamp::Entry{0, red[i], green[i], blue[i]};
}

bool IsGammaRampPlausible(const GammaRamp& ramp)
{
    uint32_t greenSum = 0;
    for (const GammaRamp::Entry& entry : ramp.entries)
        greenSum += entry.green;
    return greenSum >= kMinimumGreenSum;
}

void MakeHardwareRamp(const GammaRamp& ramp, HardwareRamp& hardware)
{
    for (size_t i = 0; i < kRampEntries; ++i) {
        hardware.red[i] = static_cast<uint16_t>((ramp.entries[i].red & 0xFFu) << 8);
        hardware.green[i] = static_cast<uint16_t>((ramp.entries[i].green & 0xFFu) << 8);
        hardware.blue[i] = static_cast<uint16_t>((ramp.entries[i].blue & 0xFFu) << 8);
    }
}

GammaRamp MakeGammaRecord(const HardwareRamp& hardware)
{
    GammaRamp ramp{};
    ramp.count = kRampEntries;
    for (size_t i = 0; i < kRampEntries; ++i) {
        ramp.entries[i] = GammaRamp::Entry{0, static_cast<uint16_t>(hardware.red[i] >> 8),
                                           static_cast<uint16_t>(hardware.green[i] >> 8),
                                           static_cast<uint16_t>(hardware.blue[i] >> 8)};
    }
    return ramp;
}

RampDifference CompareRamp(const HardwareRamp& actual, const HardwareRamp& expected)
{
    RampDifference difference;
    const auto compare = [&](const uint16_t* a, const uint16_t* b) {
        for (size_t i = 0; i < kRampEntries; ++i) {
            const int32_t gap = std::abs(int32_t(a[i] >> 8) - int32_t(b[i] >> 8));
            if (gap != 0) {
                ++difference.entries;
                difference.largest = std::max(difference.largest, gap);
            }
        }
    };
    compare(actual.red, expected.red);
    compare(actual.green, expected.green);
    compare(actual.blue, expected.blue);
    return difference;
}

bool SameRamp(const HardwareRamp& a, const HardwareRamp& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

GammaRamp IdentityRamp()
{
    GammaRamp ramp{};
    ramp.count = kRampEntries;
    for (size_t i = 0; i < kRampEntries; ++i) {
        const auto value = static_cast<uint16_t>(i);
        ramp.entries[i] = GammaRamp::Entry{0, value, value, value};
    }
    return ramp;
}
