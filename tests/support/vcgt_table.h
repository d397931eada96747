// Builds 'vcgt' tag bytes in the table form for tests.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

inline void PutBigEndian(std::vector<uint8_t>& bytes, size_t offset, uint32_t value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * (width - 1 - i)));
}

// A 786-byte table whose channel c, entry i holds value(c, i).
inline std::vector<uint8_t> VcgtTable(const std::function<uint8_t(int, int)>& value)
{
    std::vector<uint8_t> tag(786, 0);
    PutBigEndian(tag, 0, 0x76636774, 4);
    PutBigEndian(tag, 8, 0, 4);
    PutBigEndian(tag, 12, 3, 2);
    PutBigEndian(tag, 14, 256, 2);
    PutBigEndian(tag, 16, 1, 2);
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i)
            tag[18 + 256 * c + i] = value(c, i);
    return tag;
}

inline std::vector<uint8_t> IdentityVcgt()
{
    return VcgtTable([](int, int i) { return static_cast<uint8_t>(i); });
}

// Green values that add up to exactly `sum` (at most 255 * 256), rising smoothly.
inline uint8_t GreenForSum(int i, int sum)
{
    int base = sum / 256;
    int extra = sum % 256;   // the top `extra` entries get one more
    return static_cast<uint8_t>(base + (i >= 256 - extra ? 1 : 0));
}
