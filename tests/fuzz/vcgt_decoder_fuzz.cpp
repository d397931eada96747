// Feeds arbitrary calibration tags to the decoder. Besides no crash and no read outside
// the tag (each tag sits in a block of exactly its size, under ASan), it holds the
// decoder to what can be said of any tag:
//  - a refused tag leaves the ramp as it was;
//  - a table decodes only when its size is what its header announces, and its ramp
//    starts and ends on the table's first and last entries, never leaves the range of
//    the channel's entries, and rises wherever the table rises: resampling makes no
//    dip of its own (it may smooth one away, between two of the 256 places);
//  - a formula starts on its minimum, ends on its maximum and always rises.
//
// The first byte picks how the rest becomes a tag: as it is, or (odd) as a table whose
// header is taken from the next bytes and whose entries repeat the rest up to the size
// the header announces, so that long tables are decoded too, not only refused.
#include "cms/gamma_ramp.h"
#include "cms/vcgt_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

const uint16_t* Channel(const HardwareRamp& ramp, size_t c)
{
    return c == 0 ? ramp.red : c == 1 ? ramp.green : ramp.blue;
}

std::vector<uint8_t> MakeTable(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> tag = {'v', 'c', 'g', 't', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    // Channels, count and entry size, from the input (missing bytes are 0).
    const size_t header = std::min<size_t>(size, 6);
    std::memcpy(&tag[12], data, header);
    const size_t announced = 18 + size_t(ReadBigEndian16(&tag[12])) * ReadBigEndian16(&tag[14]) *
                                      ReadBigEndian16(&tag[16]);
    // The body, cut to what any form can be: a header the decoder refuses is refused
    // before the size is looked at, whatever follows it.
    tag.resize(std::min(announced, kMaxVcgtTag), 0);
    const uint8_t* rest = data + header;
    const size_t restSize = size - header;
    if (restSize == 0 || tag.size() == 18)
        return tag;
    // The rest once, then what is filled so far again, doubling.
    size_t filled = std::min(restSize, tag.size() - 18);
    std::memcpy(&tag[18], rest, filled);
    while (18 + filled < tag.size()) {
        const size_t more = std::min(filled - filled % restSize, tag.size() - 18 - filled);
        std::memcpy(&tag[18 + filled], &tag[18], more);
        filled += more;
    }
    return tag;
}

void CheckTable(const std::vector<uint8_t>& tag, const VcgtDecoding& decoding, const HardwareRamp& ramp)
{
    const size_t channels = ReadBigEndian16(&tag[12]);
    const size_t count = ReadBigEndian16(&tag[14]);
    const size_t entrySize = ReadBigEndian16(&tag[16]);
    Check(tag.size() == 18 + channels * count * entrySize);
    Check((decoding.form == VcgtForm::ByteTable) == IsVcgtTableHeader(tag.data(), tag.size()));
    for (size_t c = 0; c < 3; ++c) {
        const uint8_t* data = tag.data() + 18 + (channels == 1 ? 0 : c * count * entrySize);
        // The 786-byte form keeps its value << 8; the others scale a byte by 257.
        const auto entry = [&](size_t k) -> uint32_t {
            if (entrySize == 2)
                return ReadBigEndian16(data + 2 * k);
            return decoding.form == VcgtForm::ByteTable ? uint32_t(data[k]) << 8 : uint32_t(data[k]) * 257;
        };
        uint32_t least = entry(0);
        uint32_t most = least;
        bool rising = true;
        for (size_t k = 1; k < count; ++k) {
            least = std::min(least, entry(k));
            most = std::max(most, entry(k));
            rising = rising && entry(k - 1) <= entry(k);
        }
        const uint16_t* out = Channel(ramp, c);
        Check(out[0] == entry(0) && out[255] == entry(count - 1));
        for (size_t i = 0; i < 256; ++i) {
            Check(out[i] >= least && out[i] <= most);
            Check(!rising || i == 0 || out[i - 1] <= out[i]);
        }
    }
}

void CheckFormula(const std::vector<uint8_t>& tag, const HardwareRamp& ramp)
{
    for (size_t c = 0; c < 3; ++c) {
        const double minimum = double(ReadBigEndian32(&tag[16 + 12 * c])) / 65536.0;
        const double maximum = double(ReadBigEndian32(&tag[20 + 12 * c])) / 65536.0;
        const uint16_t* out = Channel(ramp, c);
        Check(out[0] == uint16_t(std::floor(minimum * 65535 + 0.5)));
        Check(out[255] == uint16_t(std::floor(maximum * 65535 + 0.5)));
        for (size_t i = 1; i < 256; ++i)
            Check(out[i - 1] <= out[i]);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    std::vector<uint8_t> tag = (data[0] & 1) ? MakeTable(data + 1, size - 1)
                                             : std::vector<uint8_t>(data + 1, data + size);
    // Exactly the tag's bytes on the heap, so that ASan sees a read past them.
    std::vector<uint8_t> exact(tag.begin(), tag.end());

    HardwareRamp ramp;
    std::memset(&ramp, 0x5A, sizeof ramp);
    const HardwareRamp before = ramp;
    const VcgtDecoding decoding = DecodeVcgt(exact.empty() ? nullptr : exact.data(), exact.size(), ramp);
    if (!decoding.Ok()) {
        Check(std::memcmp(&ramp, &before, sizeof ramp) == 0);
        return 0;
    }
    Check(decoding.form != VcgtForm::Unknown);
    if (decoding.form == VcgtForm::Formula)
        CheckFormula(tag, ramp);
    else
        CheckTable(tag, decoding, ramp);

    // The same bytes give the same ramp.
    HardwareRamp again;
    std::memset(&again, 0, sizeof again);
    Check(DecodeVcgt(exact.data(), exact.size(), again).fault == decoding.fault);
    Check(std::memcmp(&ramp, &again, sizeof ramp) == 0);
    return 0;
}
