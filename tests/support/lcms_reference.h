// The field's reference library as the judge of what a 'vcgt' tag means: LittleCMS
// reads the tag (cmsReadTag) and each of its curves is evaluated where the adapter's
// 256 entries sit (cmsEvalToneCurve16 at i * 65535 / 255). A test dependency only.
//
// Two limits of its own, measured with the 2.14 Debian ships: it reads no table of one
// channel and none of more than 65,530 entries, and its 16-bit evaluation computes the
// table position in a signed int, which overflows above 32,768 entries: the top
// entries come out wrong, or it reads outside its table and crashes. Tests evaluate it
// only inside those limits.
#pragma once

#include "platform/platform.h"

#include <lcms2.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace lcms_reference {

constexpr uint32_t kLargestTable = 65530;
constexpr uint32_t kLargestEvaluatedTable = 32768;

inline void Put32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value)
{
    for (size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

inline uint32_t Get32(const std::vector<uint8_t>& bytes, size_t offset)
{
    return uint32_t(bytes[offset]) << 24 | uint32_t(bytes[offset + 1]) << 16 | uint32_t(bytes[offset + 2]) << 8 |
           uint32_t(bytes[offset + 3]);
}

// The least monitor profile the library opens: a header and one tag, the given one.
inline std::vector<uint8_t> ProfileAround(const std::vector<uint8_t>& tag)
{
    constexpr size_t kTagOffset = 128 + 4 + 12;
    std::vector<uint8_t> profile((kTagOffset + tag.size() + 3) & ~size_t{3}, 0);
    std::copy(tag.begin(), tag.end(), profile.begin() + kTagOffset);
    Put32(profile, 0, static_cast<uint32_t>(profile.size()));
    Put32(profile, 8, 0x02100000);   // version 2.1
    Put32(profile, 12, 0x6D6E7472);  // 'mntr'
    Put32(profile, 16, 0x52474220);  // 'RGB '
    Put32(profile, 20, 0x58595A20);  // 'XYZ '
    Put32(profile, 36, 0x61637370);  // 'acsp'
    Put32(profile, 128, 1);
    Put32(profile, 132, 0x76636774);  // 'vcgt'
    Put32(profile, 136, kTagOffset);
    Put32(profile, 140, static_cast<uint32_t>(tag.size()));
    return profile;
}

// The bytes of a profile's 'vcgt' tag, by its tag table; empty when there is none or
// the table points outside the file.
inline std::vector<uint8_t> VcgtOf(const std::vector<uint8_t>& profile)
{
    if (profile.size() < 132)
        return {};
    const uint32_t count = Get32(profile, 128);
    for (uint64_t i = 0; i < count && 132 + 12 * (i + 1) <= profile.size(); ++i) {
        const size_t entry = static_cast<size_t>(132 + 12 * i);
        const uint64_t offset = Get32(profile, entry + 4);
        const uint64_t size = Get32(profile, entry + 8);
        if (Get32(profile, entry) == 0x76636774 && offset + size <= profile.size())
            return std::vector<uint8_t>(profile.begin() + static_cast<ptrdiff_t>(offset),
                                        profile.begin() + static_cast<ptrdiff_t>(offset + size));
    }
    return {};
}

inline std::vector<uint8_t> ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Hands the library's three curves of a whole profile's 'vcgt' tag to use(curves).
// False when it does not read the tag.
template <typename Use>
bool WithCurves(const std::vector<uint8_t>& profile, const Use& use)
{
    cmsHPROFILE handle = cmsOpenProfileFromMem(profile.data(), static_cast<cmsUInt32Number>(profile.size()));
    if (!handle)
        return false;
    const auto* curves = static_cast<cmsToneCurve* const*>(cmsReadTag(handle, cmsSigVcgtTag));
    if (curves)
        use(curves);
    cmsCloseProfile(handle);
    return curves != nullptr;
}

// The library's ramp: each curve evaluated at the adapter's 256 entries.
inline bool Ramp(const std::vector<uint8_t>& profile, HardwareRamp& ramp)
{
    return WithCurves(profile, [&ramp](cmsToneCurve* const* curves) {
        uint16_t* channels[3] = {ramp.red, ramp.green, ramp.blue};
        for (size_t c = 0; c < 3; ++c)
            for (uint32_t i = 0; i < 256; ++i)
                channels[c][i] = cmsEvalToneCurve16(curves[c], static_cast<cmsUInt16Number>(i * 65535 / 255));
    });
}

// A table of one channel as the same channel three times, which the library reads;
// any other tag as it is.
inline std::vector<uint8_t> AsThreeChannels(const std::vector<uint8_t>& tag)
{
    if (tag.size() < 18 || Get32(tag, 8) != 0 || tag[12] != 0 || tag[13] != 1)
        return tag;
    std::vector<uint8_t> three(tag.begin(), tag.begin() + 18);
    three[13] = 3;
    for (int c = 0; c < 3; ++c)
        three.insert(three.end(), tag.begin() + 18, tag.end());
    return three;
}

// The library's ramp of a lone tag, a table of one channel included.
inline bool TagRamp(const std::vector<uint8_t>& tag, HardwareRamp& ramp)
{
    return Ramp(ProfileAround(AsThreeChannels(tag)), ramp);
}

// Each curve's entries as the library parsed them, not evaluated.
inline bool Tables(const std::vector<uint8_t>& profile, std::vector<std::vector<uint16_t>>& tables)
{
    return WithCurves(profile, [&tables](cmsToneCurve* const* curves) {
        for (size_t c = 0; c < 3; ++c) {
            const cmsUInt16Number* entries = cmsGetToneCurveEstimatedTable(curves[c]);
            tables.emplace_back(entries, entries + cmsGetToneCurveEstimatedTableEntries(curves[c]));
        }
    });
}

}  // namespace lcms_reference
