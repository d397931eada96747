// The simulated ICC profiles as mscms opens them: the header and tag table a profile
// must have, its tags and their data, and the handles of open profiles.
#include "sim/sim_state.h"

#include <cstring>
#include <utility>

namespace simwin {

namespace {

constexpr uint32_t kErrorTagNotFound = 2012;
constexpr uint32_t kProfileReadWrite = 2;

constexpr size_t kIccHeaderSize = 128;
constexpr size_t kTagTableStart = kIccHeaderSize + 4;
constexpr size_t kTagEntrySize = 12;
constexpr uint32_t kIccMagic = 0x61637370;   // 'acsp'
constexpr size_t kIccMagicOffset = 36;
constexpr size_t kIccClassOffset = 12;
// Wine opens profiles through LittleCMS, which refuses more tags than this.
constexpr uint32_t kMaxTags = 100;

uint32_t ReadBe32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

struct TagEntry {
    uint32_t sig;
    uint32_t offset;
    uint32_t size;
};

TagEntry TagAt(const std::vector<uint8_t>& data, uint32_t index)
{
    const uint8_t* p = &data[kTagTableStart + size_t(index) * kTagEntrySize];
    return {ReadBe32(p), ReadBe32(p + 4), ReadBe32(p + 8)};
}

// As Wine's get_adjusted_tag: the first entry with the signature decides, and one
// whose data lies outside the file counts as absent.
bool FindTag(const std::vector<uint8_t>& data, uint32_t sig, TagEntry& tag)
{
    uint32_t count = ReadBe32(&data[kIccHeaderSize]);
    for (uint32_t i = 0; i < count; ++i) {
        TagEntry entry = TagAt(data, i);
        if (entry.sig != sig)
            continue;
        if (entry.offset > data.size() || entry.size > data.size() - entry.offset)
            return false;
        tag = entry;
        return true;
    }
    return false;
}

// Wine reports a tag as shared when another signature points at the same bytes.
bool IsLinkedTag(const std::vector<uint8_t>& data, const TagEntry& tag)
{
    uint32_t count = ReadBe32(&data[kIccHeaderSize]);
    for (uint32_t i = 0; i < count; ++i) {
        TagEntry entry = TagAt(data, i);
        if (entry.sig != tag.sig && entry.offset == tag.offset && entry.size == tag.size)
            return true;
    }
    return false;
}

std::vector<uint8_t>* ProfileBytes(SimState& state, ProfileHandle profile)
{
    auto it = state.profiles.find(HandleValue(profile));
    return it == state.profiles.end() ? nullptr : &it->second;
}

}  // namespace

// What OpenColorProfile accepts under Wine (LittleCMS's header reader): a whole
// header with the magic, a tag count within limits and a tag table inside the file.
// Tag entries pointing outside the file do not stop the open; the lookup hides them.
bool IsValidProfile(const std::vector<uint8_t>& data)
{
    if (data.size() < kTagTableStart)
        return false;
    if (ReadBe32(&data[kIccMagicOffset]) != kIccMagic)
        return false;
    uint32_t count = ReadBe32(&data[kIccHeaderSize]);
    if (count > kMaxTags)
        return false;
    return (data.size() - kTagTableStart) / kTagEntrySize >= count;
}

uint32_t ProfileClass(const std::vector<uint8_t>& data) { return ReadBe32(&data[kIccClassOffset]); }

}  // namespace simwin

using namespace simwin;

// ---- Colour profiles ----

// Wine fails a bad record or access mode without a code; ERROR_INVALID_PARAMETER is
// what Windows gives. A file that is not a profile fails with ERROR_INVALID_PROFILE.
ProfileHandle SimPlatform::OpenColorProfileA(const ProfileRecord* profile, uint32_t desiredAccess,
                                             uint32_t shareMode, uint32_t creationMode)
{
    m_state->lastOpen = profile ? *profile : ProfileRecord{};
    m_state->lastOpenPath.clear();
    m_state->lastOpenAccess = desiredAccess;
    m_state->lastOpenShare = shareMode;
    m_state->lastOpenCreation = creationMode;
    if (profile && profile->dwType == kProfileFilename && profile->pProfileData) {
        // The name ends at its NUL but never runs past the bytes the record declares.
        const auto* text = static_cast<const char*>(profile->pProfileData);
        size_t length = 0;
        while (length < profile->cbDataSize && text[length] != '\0')
            ++length;
        m_state->lastOpenPath.assign(text, length);
    }

    if (m_state->Intercept(SimCall::OpenColorProfileA))
        return nullptr;
    if (!profile || profile->dwType != kProfileFilename || !profile->pProfileData ||
        !(desiredAccess & (kProfileRead | kProfileReadWrite))) {
        m_state->lastError = kErrorInvalidParameter;
        return nullptr;
    }
    std::optional<std::filesystem::path> host = HostPath(m_state->lastOpenPath, m_state->colorDir, m_state->leadBytes);
    std::optional<std::vector<uint8_t>> data = host ? ReadWholeFile(*host) : std::nullopt;
    if (!data) {
        m_state->lastError = kErrorFileNotFound;
        return nullptr;
    }
    if (!IsValidProfile(*data)) {
        m_state->lastError = kErrorInvalidProfile;
        return nullptr;
    }
    uintptr_t handle = ++m_state->nextProfile;
    m_state->profiles[handle] = std::move(*data);
    return MakeHandle<ProfileHandle>(handle);
}

Bool32 SimPlatform::IsColorProfileTagPresent(ProfileHandle profile, uint32_t tag, Bool32* present)
{
    if (m_state->Intercept(SimCall::IsColorProfileTagPresent))
        return 0;
    std::vector<uint8_t>* data = ProfileBytes(*m_state, profile);
    if (!data)
        return m_state->Fails(kErrorInvalidHandle);
    if (!present)
        return m_state->Fails(kErrorInvalidParameter);
    TagEntry entry{};
    *present = FindTag(*data, tag, entry) ? 1 : 0;
    return 1;
}

// Wine's get_tag_data (dlls/mscms/icc.c) with the codes Windows sets where Wine sets
// none: a missing tag gives ERROR_TAG_NOT_FOUND and a short buffer
// ERROR_INSUFFICIENT_BUFFER. With no buffer the offset is ignored, the tag's size is
// stored and the call fails with the last error untouched, as under Wine.
Bool32 SimPlatform::GetColorProfileElement(ProfileHandle profile, uint32_t tag, uint32_t offset,
                                           uint32_t* size, void* buffer, Bool32* reference)
{
    if (m_state->Intercept(SimCall::GetColorProfileElement))
        return 0;
    std::vector<uint8_t>* data = ProfileBytes(*m_state, profile);
    if (!data)
        return m_state->Fails(kErrorInvalidHandle);
    if (!size || !reference)
        return m_state->Fails(kErrorInvalidParameter);
    TagEntry entry{};
    if (!FindTag(*data, tag, entry))
        return m_state->Fails(kErrorTagNotFound);
    if (!buffer) {
        *size = entry.size;
        return 0;
    }
    if (offset > entry.size)
        return m_state->Fails(kErrorInvalidParameter);
    uint32_t needed = entry.size - offset;
    if (*size < needed) {
        *size = needed;
        return m_state->Fails(kErrorInsufficientBuffer);
    }
    std::memcpy(buffer, data->data() + entry.offset + offset, needed);
    *size = needed;
    *reference = IsLinkedTag(*data, entry) ? 1 : 0;
    return 1;
}

Bool32 SimPlatform::CloseColorProfile(ProfileHandle profile)
{
    if (m_state->profiles.erase(HandleValue(profile)) == 0)
        return m_state->Fails(kErrorInvalidHandle);
    return 1;
}

// ---- What was opened ----

ProfileRecord SimPlatform::LastOpenRecord() const { return m_state->lastOpen; }
std::string SimPlatform::LastOpenPath() const { return m_state->lastOpenPath; }
uint32_t SimPlatform::LastOpenAccess() const { return m_state->lastOpenAccess; }
uint32_t SimPlatform::LastOpenShare() const { return m_state->lastOpenShare; }
uint32_t SimPlatform::LastOpenCreation() const { return m_state->lastOpenCreation; }
