// What the simulated platform's own tests share: a last error no call sets, minimal
// profiles written byte by byte, and opening a profile by its path.
#pragma once

#include "sim/sim_platform.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace simtest {

constexpr uint32_t kSentinel = 0xfaceabee;

using Tags = std::vector<std::pair<uint32_t, std::vector<uint8_t>>>;

inline void PutBe32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    bytes[at] = static_cast<uint8_t>(value >> 24);
    bytes[at + 1] = static_cast<uint8_t>(value >> 16);
    bytes[at + 2] = static_cast<uint8_t>(value >> 8);
    bytes[at + 3] = static_cast<uint8_t>(value);
}

// A minimal profile: a 128-byte header with class and magic, the tag table, the data.
inline std::vector<uint8_t> BuildProfile(uint32_t profileClass, const Tags& tags = {})
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

inline ProfileHandle OpenPath(SimPlatform& sim, const std::string& path)
{
    ProfileRecord record{kProfileFilename, path.c_str(), static_cast<uint32_t>(path.size() + 1)};
    return sim.OpenColorProfileA(&record, kProfileRead, kFileShareRead, kOpenExisting);
}

inline std::string InColorDirectory(const std::string& name)
{
    return std::string(SimPlatform::kColorDirectory) + "\\" + name;
}

}  // namespace simtest
