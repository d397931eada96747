#include "cms/vcgt_decoder.h"

#include "cms/gamma_ramp.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr size_t kTypeOffset = 8;
constexpr size_t kTableHeaderSize = 18;
constexpr size_t kFormulaOffset = 12;
constexpr size_t kFormulaSize = kFormulaOffset + 3 * 12;   // gamma, min, max per channel
constexpr uint32_t kGammaTypeTable = 0;
constexpr uint32_t kGammaTypeFormula = 1;
constexpr uint32_t kLastEntry = kRampEntries - 1;

// The formula's bounds, in s15Fixed16Number units, compared before any arithmetic.
constexpr int64_t kFixedOne = 0x10000;
constexpr int64_t kLeastGamma = kFixedOne / 16;
constexpr int64_t kGreatestGamma = kFixedOne * 16;

int64_t ReadS15Fixed16(const uint8_t* p)
{
    const uint32_t raw = ReadBigEndian32(p);
    return raw >= 0x80000000u ? int64_t(raw) - (int64_t(1) << 32) : int64_t(raw);
}

uint16_t* Channel(HardwareRamp& ramp, size_t c)
{
    return c == 0 ? ramp.red : c == 1 ? ramp.green : ramp.blue;
}

// Entry i of 256 sits at i * (count - 1) / 255 in the table. The interpolation is exact
// in integers, and 255 being odd, the value is never half-way: it rounds to the nearest.
// The last entry falls on the table's last exactly, so no entry past it is read.
template <typename Entry>
void Resample(const Entry& entry, uint32_t count, uint16_t* out)
{
    const uint32_t last = count - 1;
    for (uint32_t i = 0; i < kRampEntries; ++i) {
        const uint32_t position = i * last;   // below 2^24
        const uint32_t k = position / kLastEntry;
        const uint32_t r = position % kLastEntry;
        if (r == 0) {
            out[i] = static_cast<uint16_t>(entry(k));
            continue;
        }
        const uint32_t sum = entry(k) * (kLastEntry - r) + entry(k + 1) * r;   // below 2^24
        out[i] = static_cast<uint16_t>((sum + kLastEntry / 2) / kLastEntry);
    }
}

VcgtDecoding DecodeTable(const uint8_t* tag, size_t size, HardwareRamp& ramp)
{
    const VcgtForm form = IsVcgtTableHeader(tag, size) ? VcgtForm::ByteTable : VcgtForm::Table;
    if (size < kTableHeaderSize)
        return {form, VcgtFault::Short};
    const uint32_t channels = ReadBigEndian16(tag + 12);
    const uint32_t count = ReadBigEndian16(tag + 14);
    const uint32_t entrySize = ReadBigEndian16(tag + 16);
    if (channels != 1 && channels != 3)
        return {form, VcgtFault::Channels};
    if (count < 2)
        return {form, VcgtFault::Count};
    if (entrySize != 1 && entrySize != 2)
        return {form, VcgtFault::EntrySize};
    // At most 18 + 3 x 65,535 x 2: no overflow even where size_t has 32 bits.
    if (size != kTableHeaderSize + size_t(channels) * count * entrySize)
        return {form, VcgtFault::Size};

    if (form == VcgtForm::ByteTable) {
        // The downloaded form keeps its own road: the record, then each byte << 8.
        GammaRamp record{};
        BuildGammaRamp(tag, record);
        MakeHardwareRamp(record, ramp);
        return {form, VcgtFault::None};
    }
    for (size_t c = 0; c < 3; ++c) {
        const uint8_t* data = tag + kTableHeaderSize + (channels == 1 ? 0 : c * count * entrySize);
        if (entrySize == 1)
            Resample([data](uint32_t k) { return uint32_t(data[k]) * 257; }, count, Channel(ramp, c));
        else
            Resample([data](uint32_t k) { return uint32_t(ReadBigEndian16(data + 2 * k)); }, count, Channel(ramp, c));
    }
    return {form, VcgtFault::None};
}

VcgtDecoding DecodeFormula(const uint8_t* tag, size_t size, HardwareRamp& ramp)
{
    constexpr VcgtForm form = VcgtForm::Formula;
    if (size < kFormulaSize)
        return {form, VcgtFault::Short};
    // All three channels are checked before any is written: a refused tag leaves the ramp alone.
    int64_t values[3][3];
    for (size_t c = 0; c < 3; ++c) {
        for (size_t v = 0; v < 3; ++v)
            values[c][v] = ReadS15Fixed16(tag + kFormulaOffset + 12 * c + 4 * v);
        const int64_t gamma = values[c][0];
        const int64_t minimum = values[c][1];
        const int64_t maximum = values[c][2];
        if (gamma < kLeastGamma || gamma > kGreatestGamma || minimum < 0 || maximum > kFixedOne ||
            minimum > maximum)
            return {form, VcgtFault::FormulaValue};
    }
    for (size_t c = 0; c < 3; ++c) {
        const double gamma = double(values[c][0]) / kFixedOne;
        const double minimum = double(values[c][1]) / kFixedOne;
        const double span = double(values[c][2]) / kFixedOne - minimum;
        uint16_t* out = Channel(ramp, c);
        for (uint32_t i = 0; i < kRampEntries; ++i) {
            const double value = (minimum + span * std::pow(double(i) / kLastEntry, gamma)) * 65535.0;
            // Within [0, 65535] by the checks above; the clamp only guards the rounding.
            out[i] = static_cast<uint16_t>(std::min(std::floor(value + 0.5), 65535.0));
        }
    }
    return {form, VcgtFault::None};
}

}  // namespace

VcgtDecoding DecodeVcgt(const uint8_t* tag, size_t size, HardwareRamp& ramp)
{
    if (!tag || size < kTypeOffset + 4)
        return {VcgtForm::Unknown, VcgtFault::Short};
    if (ReadBigEndian32(tag) != kTagVcgt)
        return {VcgtForm::Unknown, VcgtFault::Signature};
    switch (ReadBigEndian32(tag + kTypeOffset)) {
    case kGammaTypeTable:
        return DecodeTable(tag, size, ramp);
    case kGammaTypeFormula:
        return DecodeFormula(tag, size, ramp);
    default:
        return {VcgtForm::Unknown, VcgtFault::GammaType};
    }
}
