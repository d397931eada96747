#include "sim/sim_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace {

// Last-error codes the simulation produces beyond those platform.h names.
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorInvalidHandle = 6;
constexpr uint32_t kErrorNotSupported = 50;
constexpr uint32_t kErrorMrMidNotFound = 317;
constexpr uint32_t kErrorInvalidMonitorHandle = 1461;
constexpr uint32_t kErrorInvalidProfile = 2011;
constexpr uint32_t kErrorTagNotFound = 2012;
constexpr uint32_t kErrorProfileNotAssociated = 2015;

constexpr uint32_t kErrorInvalidFlags = 1004;
constexpr uint32_t kErrorNoUnicodeTranslation = 1113;

constexpr uint32_t kCodePageAcp = 0;
constexpr uint32_t kCodePageLatin = 1252;   // what GetACP names the simulated code page
constexpr uint32_t kMonitorInfoSize = 40;
constexpr uint32_t kMonitorInfoExSize = sizeof(MonitorInfoEx);
constexpr uint32_t kDisplayDeviceSize = sizeof(DisplayDevice);
constexpr uint32_t kDisplayDevicePrimary = 0x4;
constexpr uint32_t kDisplayDeviceMonitorAttached = 0x2;   // monitor: connected
constexpr uint32_t kProfileReadWrite = 2;

// The display configuration: every path on one adapter LUID; target ids in a range of
// their own, so that a source id passed as a target id (or back) is refused.
constexpr Luid kDisplayConfigAdapter = {0x0000C0DE, 0};
constexpr uint32_t kTargetIdBase = 0x1000;
constexpr uint32_t kModesPerPath = 2;   // the source mode, then the target mode
constexpr uint32_t kModeInfoTypeSource = 1;
constexpr uint32_t kModeInfoTypeTarget = 2;
constexpr uint32_t kOutputDisplayPortExternal = 10;
constexpr uint32_t kRotationIdentity = 1;
constexpr uint32_t kScalingIdentity = 1;
constexpr uint32_t kScanLineProgressive = 1;
constexpr uint32_t kInUse = 1;   // DISPLAYCONFIG_SOURCE_IN_USE, _TARGET_IN_USE, _PATH_ACTIVE

// Handles are plain numbers in distinct ranges, so that one kind passed as another is
// caught, and never reused, so that a stale handle is caught too.
constexpr uintptr_t kMonitorHandleBase = 0x10000000;
constexpr uintptr_t kDcHandleBase = 0x20000000;
constexpr uintptr_t kProfileHandleBase = 0x30000000;

template <class Handle>
Handle MakeHandle(uintptr_t value)
{
    return reinterpret_cast<Handle>(value);
}

uintptr_t HandleValue(const void* handle) { return reinterpret_cast<uintptr_t>(handle); }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string AsciiLower(std::string text)
{
    for (char& c : text)
        c = AsciiLower(c);
    return text;
}

bool SameLuid(const Luid& a, const Luid& b) { return a.LowPart == b.LowPart && a.HighPart == b.HighPart; }

bool IsLead(const std::set<uint8_t>& leads, char c)
{
    return c != '\0' && leads.count(static_cast<uint8_t>(c)) != 0;
}

// Windows compares names without regard to case, but only single-byte characters
// fold: the second byte of a double-byte character may look like an ASCII letter.
bool EqualsNoCase(const std::string& a, const std::string& b, const std::set<uint8_t>& leads)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (IsLead(leads, a[i]) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1])
                return false;
            ++i;
            continue;
        }
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (AsciiLower(text[i]) != AsciiLower(prefix[i]))
            return false;
    return true;
}

// Splits a path at backslashes and slashes. In East Asian code pages the second byte
// of a character can be 0x5C, so a byte that follows a lead byte never separates.
std::vector<std::string> SplitPath(const std::string& path, const std::set<uint8_t>& leads)
{
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsLead(leads, path[i]) && i + 1 < path.size()) {
            parts.back() += path.substr(i, 2);
            ++i;
        } else if (path[i] == '\\' || path[i] == '/') {
            parts.emplace_back();
        } else {
            parts.back() += path[i];
        }
    }
    return parts;
}

std::string FileNamePart(const std::string& path, const std::set<uint8_t>& leads)
{
    return SplitPath(path, leads).back();
}

bool HasProfileExtension(const std::string& name)
{
    if (name.size() < 4)
        return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext)
        c = AsciiLower(c);
    return ext == ".icm" || ext == ".icc";
}

template <size_t N>
void CopyField(char (&field)[N], const std::string& text)
{
    size_t length = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const fs::path& path)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ---- Code page ----

// The simulated ANSI code page: Latin-1 with double-byte characters for the lead bytes,
// or UTF-8.
struct AnsiPage {
    const std::set<uint8_t>& leads;
    bool utf8;
};

bool IsSurrogate(uint32_t unit) { return unit >= 0xD800 && unit < 0xE000; }

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, uint32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | c >> 6));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | c >> 12));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | c >> 18));
        out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// The code point of the character at text[i] and how many units it takes; a lone
// surrogate is a character of its own.
uint32_t CodePointAt(const char16_t* text, size_t length, size_t i, size_t& units)
{
    const uint32_t c = text[i];
    units = 1;
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
        units = 2;
        return 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
    }
    return c;
}

// UTF-8 as MultiByteToWideChar reads it without MB_ERR_INVALID_CHARS: a byte that starts
// no well-formed sequence (cut short, overlong, a surrogate, beyond U+10FFFF) becomes
// U+FFFD.
std::u16string FromUtf8(const char* src, size_t length)
{
    static constexpr uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    std::u16string out;
    for (size_t i = 0; i < length;) {
        const auto lead = static_cast<uint8_t>(src[i]);
        const size_t size = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
        uint32_t c = size == 1 ? lead : lead & (0x7Fu >> size);
        bool ok = size != 0 && i + size <= length;
        for (size_t k = 1; ok && k < size; ++k) {
            const auto next = static_cast<uint8_t>(src[i + k]);
            ok = (next & 0xC0) == 0x80;
            c = c << 6 | (next & 0x3Fu);
        }
        if (!ok || c < kLeast[size] || c >= 0x110000 || IsSurrogate(c)) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
        i += size;
    }
    return out;
}

// In the Latin-1 page, lead and trail map to the UTF-16 unit (lead << 8 | trail), which
// cannot collide with a single byte and converts back losslessly. A lead byte with no
// trail is not a character and becomes '?', as an unmappable one does.
std::u16string Widen(const char* src, size_t length, const AnsiPage& page)
{
    if (page.utf8)
        return FromUtf8(src, length);
    std::u16string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        auto byte = static_cast<uint8_t>(src[i]);
        if (IsLead(page.leads, src[i])) {
            if (i + 1 < length && src[i + 1] != '\0') {
                out.push_back(static_cast<char16_t>(uint32_t(byte) << 8 | static_cast<uint8_t>(src[i + 1])));
                ++i;
            } else {
                out.push_back(u'?');
            }
            continue;
        }
        out.push_back(static_cast<char16_t>(byte));
    }
    return out;
}

// Windows writes some characters it has no code for as a look-alike, without calling
// that a default character (best fit): code page 1252 turns A with macron into a
// plain A. Two such characters show the behaviour.
char BestFit(uint32_t unit)
{
    switch (unit) {
    case 0x0100:
        return 'A';
    case 0x0101:
        return 'a';
    default:
        return '\0';
    }
}

// UTF-8 holds every character; a lone surrogate is written as U+FFFD, never as the
// default character.
std::string Narrow(const char16_t* src, size_t length, const AnsiPage& page, char fallback, bool& usedDefault)
{
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        uint32_t unit = src[i];
        if (page.utf8) {
            size_t units = 1;
            const uint32_t c = CodePointAt(src, length, i, units);
            AppendUtf8(out, IsSurrogate(c) ? 0xFFFD : c);
            i += units - 1;
            continue;
        }
        auto high = static_cast<char>(unit >> 8);
        auto low = static_cast<char>(unit & 0xFF);
        if (unit < 0x100 && !IsLead(page.leads, low)) {
            out.push_back(low);
        } else if (unit >= 0x100 && IsLead(page.leads, high) && low != '\0') {
            out.push_back(high);
            out.push_back(low);
        } else if (const char fit = BestFit(unit)) {
            out.push_back(fit);
        } else {
            out.push_back(fallback);
            usedDefault = true;
        }
    }
    return out;
}

std::string NarrowQuietly(const std::u16string& text, const AnsiPage& page)
{
    bool unused = false;
    return Narrow(text.data(), text.size(), page, '?', unused);
}

// The host file name of a name the code page cannot hold: its UTF-8 form, a lone
// surrogate written as the three bytes of its own code, which no ANSI name of the
// simulation is read as.
std::string Utf8(const std::u16string& text)
{
    std::string out;
    for (size_t i = 0, units = 1; i < text.size(); i += units)
        AppendUtf8(out, CodePointAt(text.data(), text.size(), i, units));
    return out;
}

// ---- ICC profiles ----

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

HardwareRamp IdentityRamp()
{
    HardwareRamp ramp{};
    for (uint32_t i = 0; i < 256; ++i) {
        auto value = static_cast<uint16_t>(i << 8);
        ramp.red[i] = ramp.green[i] = ramp.blue[i] = value;
    }
    return ramp;
}

// What hardware of 8 bits per entry keeps of a ramp: the high byte, read back repeated.
HardwareRamp AsStored(HardwareRamp ramp, int bits)
{
    if (bits != 8)
        return ramp;
    for (uint16_t* channel : {ramp.red, ramp.green, ramp.blue})
        for (size_t i = 0; i < 256; ++i)
            channel[i] = static_cast<uint16_t>((channel[i] & 0xFF00) | (channel[i] >> 8));
    return ramp;
}

bool IsPlausibleChannel(const uint16_t (&channel)[256])
{
    for (size_t i = 1; i < 256; ++i)
        if (channel[i] < channel[i - 1])
            return false;
    return channel[255] >= 0x4000;
}

bool IsEmpty(const Rect32& r) { return r.left >= r.right || r.top >= r.bottom; }

Rect32 Intersect(const Rect32& a, const Rect32& b)
{
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

}  // namespace

struct SimPlatform::Impl {
    struct PendingFailure {
        uint32_t lastError = 0;
        int times = 0;
        int skip = 0;
    };

    uint32_t lastError = 0;
    std::map<SimCall, PendingFailure> failures;
    std::map<SimCall, int> calls;

    std::set<void*> heapBlocks;
    std::set<void*> localBlocks;

    std::vector<SimMonitor> monitors;   // every monitor ever added: index + 1 is its handle
    std::vector<bool> present;          // per monitor: still on the desktop
    std::vector<SimAdapter> adapters;
    std::map<std::string, uint32_t> sourceIds;   // lower-case adapter name -> source id
    std::map<std::string, uint32_t> colorModes;  // lower-case adapter name -> mode, if not SDR
    std::map<uintptr_t, size_t> dcs;   // handle -> adapter index
    uintptr_t nextDc = kDcHandleBase;
    std::map<uintptr_t, std::vector<uint8_t>> profiles;
    uintptr_t nextProfile = kProfileHandleBase;
    std::map<std::string, HardwareRamp> ramps;        // by adapter name
    std::map<std::string, std::u16string> wideNames; // host file name -> the name only W calls show
    std::map<std::string, std::string> dcProfiles;    // adapter name -> full path

    // Counts the call and says whether an injected failure takes it; if so the last
    // error is already set and the caller only returns its failure value.
    bool Intercept(SimCall call)
    {
        ++calls[call];
        auto it = failures.find(call);
        if (it == failures.end())
            return false;
        PendingFailure& pending = it->second;
        if (pending.skip > 0) {
            --pending.skip;
            return false;
        }
        lastError = pending.lastError;
        if (--pending.times <= 0)
            failures.erase(it);
        return true;
    }

    bool Fails(uint32_t code)
    {
        lastError = code;
        return false;
    }

    // Intercept for the calls that return their error code: the injected code, if a
    // failure takes the call, with the last error left as it was.
    std::optional<int32_t> InterceptCode(SimCall call)
    {
        const uint32_t saved = lastError;
        if (!Intercept(call))
            return std::nullopt;
        const auto code = static_cast<int32_t>(lastError);
        lastError = saved;
        return code;
    }

    // The monitor behind a handle, or null for one never handed out or since removed.
    const SimMonitor* PresentMonitor(MonitorHandle monitor) const
    {
        uintptr_t value = HandleValue(monitor);
        if (value <= kMonitorHandleBase || value > kMonitorHandleBase + monitors.size())
            return nullptr;
        size_t index = value - kMonitorHandleBase - 1;
        return present[index] ? &monitors[index] : nullptr;
    }

    // The monitors on the desktop, by index, in enumeration order.
    std::vector<size_t> PresentIndices() const
    {
        std::vector<size_t> indices;
        for (size_t i = 0; i < monitors.size(); ++i)
            if (present[i])
                indices.push_back(i);
        return indices;
    }

    uint32_t SourceId(const SimMonitor& monitor) const { return sourceIds.at(AsciiLower(monitor.adapterName)); }

    // The refusals AssociateColorProfileWithDeviceA and DisassociateColorProfileFromDeviceA
    // share: an injected failure, a missing name (ERROR_INVALID_PARAMETER) and a remote
    // machine (ERROR_NOT_SUPPORTED). True when the call fails; the last error is set.
    bool RefusesAssociationCall(SimCall call, const char* machine, const char* profile, const char* deviceName)
    {
        if (Intercept(call))
            return true;
        if (!profile || !deviceName)
            return !Fails(kErrorInvalidParameter);
        if (machine)
            return !Fails(kErrorNotSupported);
        return false;
    }

    const size_t* AdapterOfDc(DcHandle dc) const
    {
        auto it = dcs.find(HandleValue(dc));
        return it == dcs.end() ? nullptr : &it->second;
    }

    // The refusals SetDeviceGammaRamp and GetDeviceGammaRamp share: an injected failure,
    // a DC the simulation did not make (ERROR_INVALID_HANDLE) and no ramp
    // (ERROR_INVALID_PARAMETER). The DC's adapter, or null when the call fails; the
    // last error is set.
    const size_t* RampAdapter(SimCall call, DcHandle dc, const HardwareRamp* ramp)
    {
        if (Intercept(call))
            return nullptr;
        const size_t* adapter = AdapterOfDc(dc);
        if (!adapter) {
            Fails(kErrorInvalidHandle);
            return nullptr;
        }
        if (!ramp) {
            Fails(kErrorInvalidParameter);
            return nullptr;
        }
        return adapter;
    }

    std::vector<uint8_t>* Profile(ProfileHandle profile)
    {
        auto it = profiles.find(HandleValue(profile));
        return it == profiles.end() ? nullptr : &it->second;
    }

    // Delivers a converted text the way the conversion calls do: measure with no
    // capacity, else all of it or nothing with ERROR_INSUFFICIENT_BUFFER.
    template <class Char>
    int32_t Deliver(const std::basic_string<Char>& text, Char* dst, int32_t capacity)
    {
        if (capacity == 0)
            return static_cast<int32_t>(text.size());
        if (text.size() > static_cast<size_t>(capacity)) {
            lastError = kErrorInsufficientBuffer;
            return 0;
        }
        std::copy(text.begin(), text.end(), dst);
        return static_cast<int32_t>(text.size());
    }
};

SimPlatform::SimPlatform() : m_impl(new Impl)
{
    std::string pattern = (fs::temp_directory_path() / "kestrava-sim-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()))
        m_colorDir = buffer.data();
    else
        ADD_FAILURE() << "cannot create the simulated colour directory under " << pattern;

    m_systemTexts = {
        {2, "The system cannot find the file specified.\r\n"},
        {5, "Access is denied.\r\n"},
        {87, "The parameter is incorrect.\r\n"},
        {2011, "The specified color profile is invalid.\r\n"},
    };
}

SimPlatform::~SimPlatform()
{
    // SimScope has reported anything still held; release it so the sanitizer's leak
    // check stays about the product.
    for (void* block : m_impl->heapBlocks)
        std::free(block);
    for (void* block : m_impl->localBlocks)
        std::free(block);
    delete m_impl;

    if (!m_colorDir.empty()) {
        std::error_code ec;
        fs::remove_all(m_colorDir, ec);
    }
}

// ---- Building the simulated machine ----

MonitorHandle SimPlatform::AddMonitor(const SimMonitor& monitor)
{
    m_impl->monitors.push_back(monitor);
    m_impl->present.push_back(true);
    auto& sourceIds = m_impl->sourceIds;
    sourceIds.emplace(AsciiLower(monitor.adapterName), static_cast<uint32_t>(sourceIds.size()));
    return MakeHandle<MonitorHandle>(kMonitorHandleBase + m_impl->monitors.size());
}

void SimPlatform::RemoveMonitor(MonitorHandle monitor)
{
    uintptr_t value = HandleValue(monitor);
    if (value <= kMonitorHandleBase || value > kMonitorHandleBase + m_impl->monitors.size()) {
        ADD_FAILURE() << "RemoveMonitor of a handle the platform did not hand out: " << monitor;
        return;
    }
    m_impl->present[value - kMonitorHandleBase - 1] = false;
}

void SimPlatform::AddAdapter(const SimAdapter& adapter) { m_impl->adapters.push_back(adapter); }

SimAdapter* SimPlatform::FindAdapter(const std::string& adapterName)
{
    for (SimAdapter& adapter : m_impl->adapters)
        if (EqualsNoCase(adapter.device.name, adapterName, m_leadBytes))
            return &adapter;
    return nullptr;
}

MonitorHandle SimPlatform::AddStandardMonitor()
{
    const std::string n = std::to_string(m_impl->adapters.size() + 1);
    const std::vector<size_t> present = m_impl->PresentIndices();
    const bool first = present.empty();

    SimAdapter adapter;
    adapter.device.name = "\\\\.\\DISPLAY" + n;
    adapter.device.string = "Simulated Display Adapter";
    adapter.device.flags = kDisplayDeviceAttached | (first ? kDisplayDevicePrimary : 0);
    adapter.device.id = "PCI\\VEN_1AF4&DEV_1050&SUBSYS_00000000&REV_00";
    adapter.device.key = "\\Registry\\Machine\\System\\CurrentControlSet\\Control\\Video\\"
                         "{00000000-0000-0000-0000-000000000000}\\000" + n;

    SimDevice monitorDevice;
    monitorDevice.name = adapter.device.name + "\\Monitor0";
    monitorDevice.string = "Simulated Monitor " + n;
    monitorDevice.flags = kDisplayDeviceAttached | kDisplayDeviceMonitorAttached;
    monitorDevice.id = "MONITOR\\SIM" + n + "\\{4D36E96E-E325-11CE-BFC1-08002BE10318}\\0000";
    monitorDevice.key = "\\Registry\\Machine\\System\\CurrentControlSet\\Control\\Class\\"
                        "{4d36e96e-e325-11ce-bfc1-08002be10318}\\000" + n;
    adapter.monitors.push_back(monitorDevice);
    AddAdapter(adapter);

    SimMonitor monitor;
    int32_t left = first ? 0 : m_impl->monitors[present.back()].rect.right;
    monitor.rect = {left, 0, left + 1920, 1080};
    monitor.work = monitor.rect;
    if (first)
        monitor.work.bottom -= 40;   // the task bar, so that work area and monitor differ
    monitor.adapterName = adapter.device.name;
    monitor.primary = first;
    return AddMonitor(monitor);
}

void SimPlatform::InstallProfile(const fs::path& source, const std::string& name)
{
    std::error_code ec;
    fs::path target = m_colorDir / (name.empty() ? source.filename().string() : name);
    fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
    if (ec)
        ADD_FAILURE() << "cannot install " << source << " as " << target << ": " << ec.message();
}

void SimPlatform::InstallProfile(const fs::path& source, const std::u16string& name)
{
    const AnsiPage page{m_leadBytes, m_utf8Ansi};
    const std::string ansi = NarrowQuietly(name, page);
    if (Widen(ansi.data(), ansi.size(), page) == name) {
        InstallProfile(source, ansi);
        return;
    }
    const std::string host = Utf8(name);
    InstallProfile(source, host);
    m_impl->wideNames[host] = name;
}

void SimPlatform::WriteProfile(const std::string& name, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(m_colorDir / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        ADD_FAILURE() << "cannot write " << (m_colorDir / name);
}

void SimPlatform::SetDcProfile(const std::string& adapterName, const std::string& fullPath)
{
    m_impl->dcProfiles[adapterName] = fullPath;
}

// ---- Failing calls and bookkeeping ----

void SimPlatform::Fail(SimCall call, uint32_t lastError, int times, int skip)
{
    if (times <= 0) {
        m_impl->failures.erase(call);
        return;
    }
    m_impl->failures[call] = {lastError, times, std::max(skip, 0)};
}

void SimPlatform::ClearFailures() { m_impl->failures.clear(); }

int SimPlatform::CallCount(SimCall call) const
{
    auto it = m_impl->calls.find(call);
    return it == m_impl->calls.end() ? 0 : it->second;
}

void SimPlatform::SetColorMode(const std::string& adapterName, uint32_t mode)
{
    if (mode == kAdvancedColorModeSdr)
        m_impl->colorModes.erase(AsciiLower(adapterName));
    else
        m_impl->colorModes[AsciiLower(adapterName)] = mode;
}

// A shared ramp is filed under the empty name, which no adapter has.
HardwareRamp SimPlatform::Ramp(const std::string& adapterName) const
{
    auto it = m_impl->ramps.find(m_sharedRamp ? std::string() : adapterName);
    return it == m_impl->ramps.end() ? AsStored(IdentityRamp(), m_rampBits) : it->second;
}

int SimPlatform::OpenProfiles() const { return static_cast<int>(m_impl->profiles.size()); }
int SimPlatform::OpenDcs() const { return static_cast<int>(m_impl->dcs.size()); }
int SimPlatform::HeapBlocks() const { return static_cast<int>(m_impl->heapBlocks.size()); }
int SimPlatform::LocalBlocks() const { return static_cast<int>(m_impl->localBlocks.size()); }

// ---- Kernel ----

uint32_t SimPlatform::GetLastError() { return m_impl->lastError; }

void SimPlatform::SetLastError(uint32_t code) { m_impl->lastError = code; }

void* SimPlatform::Calloc(size_t count, size_t size)
{
    if (m_impl->Intercept(SimCall::Calloc))
        return nullptr;
    // Never null for a zero size, so that every block is distinct and counted.
    void* block = (count == 0 || size == 0) ? std::calloc(1, 1) : std::calloc(count, size);
    if (block)
        m_impl->heapBlocks.insert(block);
    return block;
}

void SimPlatform::Free(void* block)
{
    if (!block)
        return;
    if (m_impl->heapBlocks.erase(block) == 0) {
        // The real heap would corrupt itself here; keep running and say where.
        ADD_FAILURE() << "Free of a block the platform did not allocate (or freed twice): " << block;
        return;
    }
    std::free(block);
}

// CP_ACP, CP_THREAD_ACP and the number GetACP gives name the ANSI code page; CP_UTF8
// is UTF-8 whatever that is. Whether the code page is UTF-8, or nothing for a code page
// the simulation does not know.
std::optional<bool> SimPlatform::IsUtf8CodePage(uint32_t codePage)
{
    if (codePage == kCodePageAcp || codePage == kCodePageThreadAcp || codePage == GetACP())
        return m_utf8Ansi;
    if (codePage == kCodePageUtf8)
        return true;
    return std::nullopt;
}

int32_t SimPlatform::MultiByteToWideChar(uint32_t codePage, uint32_t, const char* src, int32_t srcLength,
                                         char16_t* dst, int32_t dstCapacity)
{
    if (m_impl->Intercept(SimCall::MultiByteToWideChar))
        return 0;
    const std::optional<bool> utf8 = IsUtf8CodePage(codePage);
    if (!utf8 || !src || srcLength == 0 || srcLength < -1 || dstCapacity < 0 || (!dst && dstCapacity > 0)) {
        m_impl->lastError = kErrorInvalidParameter;
        return 0;
    }
    size_t length = srcLength == -1 ? std::strlen(src) + 1 : static_cast<size_t>(srcLength);
    return m_impl->Deliver(Widen(src, length, AnsiPage{m_leadBytes, *utf8}), dst, dstCapacity);
}

int32_t SimPlatform::WideCharToMultiByte(uint32_t codePage, uint32_t flags, const char16_t* src,
                                         int32_t srcLength, char* dst, int32_t dstCapacity,
                                         const char* defaultChar, Bool32* usedDefault)
{
    if (m_impl->Intercept(SimCall::WideCharToMultiByte))
        return 0;
    const std::optional<bool> utf8 = IsUtf8CodePage(codePage);
    if (!utf8 || !src || srcLength == 0 || srcLength < -1 || dstCapacity < 0 || (!dst && dstCapacity > 0) ||
        (*utf8 && (defaultChar || usedDefault))) {
        m_impl->lastError = kErrorInvalidParameter;
        return 0;
    }
    // UTF-8 takes no flag but WC_ERR_INVALID_CHARS, and no other code page takes that one.
    if (*utf8 ? (flags & ~kWcErrInvalidChars) != 0 : (flags & kWcErrInvalidChars) != 0) {
        m_impl->lastError = kErrorInvalidFlags;
        return 0;
    }
    size_t length = 0;
    if (srcLength == -1) {
        while (src[length] != u'\0')
            ++length;
        ++length;
    } else {
        length = static_cast<size_t>(srcLength);
    }
    if (flags & kWcErrInvalidChars) {
        for (size_t i = 0, units = 1; i < length; i += units) {
            if (IsSurrogate(CodePointAt(src, length, i, units))) {
                m_impl->lastError = kErrorNoUnicodeTranslation;
                return 0;
            }
        }
    }
    bool used = false;
    std::string text = Narrow(src, length, AnsiPage{m_leadBytes, *utf8}, defaultChar ? defaultChar[0] : '?', used);
    if (usedDefault)
        *usedDefault = used ? 1 : 0;
    return m_impl->Deliver(text, dst, dstCapacity);
}

uint32_t SimPlatform::GetACP() { return m_utf8Ansi ? kCodePageUtf8 : kCodePageLatin; }

// No byte leads a two-byte character in UTF-8.
bool SimPlatform::IsDBCSLeadByte(uint8_t byte) { return !m_utf8Ansi && m_leadBytes.count(byte) != 0; }

uint32_t SimPlatform::FormatMessageA(uint32_t flags, const void*, uint32_t messageId, uint32_t,
                                     char** allocated, uint32_t minSize, void*)
{
    const bool allocate = (flags & kFormatMessageAllocateBuffer) != 0;
    if (allocate && allocated)
        *allocated = nullptr;
    if (m_impl->Intercept(SimCall::FormatMessageA))
        return 0;
    // Only the form the program uses: a system text into a buffer the system allocates.
    if (!allocate || !(flags & kFormatMessageFromSystem) || !allocated) {
        m_impl->lastError = kErrorInvalidParameter;
        return 0;
    }
    auto it = m_systemTexts.find(messageId);
    if (it == m_systemTexts.end()) {
        m_impl->lastError = kErrorMrMidNotFound;
        return 0;
    }
    const std::string& text = it->second;
    auto* block = static_cast<char*>(std::calloc(std::max<size_t>(text.size() + 1, minSize), 1));
    if (!block) {
        m_impl->lastError = kErrorNotEnoughMemory;
        return 0;
    }
    std::memcpy(block, text.data(), text.size());
    m_impl->localBlocks.insert(block);
    *allocated = block;
    return static_cast<uint32_t>(std::strlen(block));
}

void* SimPlatform::LocalFree(void* block)
{
    if (!block)
        return nullptr;
    if (m_impl->localBlocks.erase(block) == 0) {
        ADD_FAILURE() << "LocalFree of a block FormatMessageA did not allocate (or freed twice): " << block;
        m_impl->lastError = kErrorInvalidHandle;
        return block;
    }
    std::free(block);
    return nullptr;
}

// LoadString cannot tell an empty entry from a missing one (and the resource compiler
// drops empty entries anyway), so both read as missing.
bool SimPlatform::LoadResourceString(uint32_t id, std::string& out)
{
    out.clear();
    auto it = m_strings.find(id);
    if (it == m_strings.end() || it->second.empty())
        return false;
    out = it->second;
    return true;
}

// ---- Window manager ----

// The DC is not consulted: the program enumerates the whole desktop.
Bool32 SimPlatform::EnumDisplayMonitors(DcHandle dc, const Rect32* clip, MonitorEnumProc proc, intptr_t data)
{
    if (m_impl->Intercept(SimCall::EnumDisplayMonitors))
        return 0;
    if (!proc)
        return m_impl->Fails(kErrorInvalidParameter);
    // Wine fails on a desktop without monitors, leaving the last error alone.
    const std::vector<size_t> present = m_impl->PresentIndices();
    if (present.empty())
        return 0;

    // A snapshot, as user32 takes one: the callback may call back into the platform.
    std::vector<std::pair<MonitorHandle, Rect32>> visits;
    for (size_t i : present) {
        Rect32 rect = m_impl->monitors[i].rect;
        if (clip) {
            rect = Intersect(rect, *clip);
            if (IsEmpty(rect))
                continue;
        }
        visits.emplace_back(MakeHandle<MonitorHandle>(kMonitorHandleBase + i + 1), rect);
    }
    for (auto& [handle, rect] : visits)
        if (!proc(handle, dc, &rect, data))
            return 0;
    return 1;
}

Bool32 SimPlatform::GetMonitorInfoA(MonitorHandle monitor, MonitorInfoEx* info)
{
    if (m_impl->Intercept(SimCall::GetMonitorInfoA))
        return 0;
    // Wine checks the record size first and fails without a code.
    if (!info || (info->cbSize != kMonitorInfoSize && info->cbSize != kMonitorInfoExSize))
        return 0;
    const SimMonitor* found = m_impl->PresentMonitor(monitor);
    if (!found)
        return m_impl->Fails(kErrorInvalidMonitorHandle);

    const SimMonitor& m = *found;
    info->rcMonitor = m.rect;
    info->rcWork = m.work;
    info->dwFlags = m.primary ? 1 : 0;
    if (info->cbSize == kMonitorInfoExSize)
        CopyField(info->szDevice, m.adapterName);
    return 1;
}

// Names compare without regard to case, as win32u's find_adapter_device_by_name does.
// A device that is not there fails with the last error untouched, as in Wine.
Bool32 SimPlatform::EnumDisplayDevicesA(const char* device, uint32_t devNum, DisplayDevice* record, uint32_t)
{
    if (m_impl->Intercept(SimCall::EnumDisplayDevicesA))
        return 0;
    if (!record || record->cb < kDisplayDeviceSize)
        return 0;

    const SimDevice* found = nullptr;
    if (!device || !*device) {
        if (devNum < m_impl->adapters.size())
            found = &m_impl->adapters[devNum].device;
    } else {
        for (const SimAdapter& adapter : m_impl->adapters) {
            if (!EqualsNoCase(adapter.device.name, device, m_leadBytes))
                continue;
            if (devNum < adapter.monitors.size())
                found = &adapter.monitors[devNum];
            break;
        }
    }
    if (!found)
        return 0;

    CopyField(record->DeviceName, found->name);
    CopyField(record->DeviceString, found->string);
    record->StateFlags = found->flags;
    CopyField(record->DeviceID, found->id);
    CopyField(record->DeviceKey, found->key);
    return 1;
}

int32_t SimPlatform::GetDisplayConfigBufferSizes(uint32_t flags, uint32_t* pathCount, uint32_t* modeCount)
{
    if (std::optional<int32_t> code = m_impl->InterceptCode(SimCall::GetDisplayConfigBufferSizes))
        return *code;
    if (flags != kQdcOnlyActivePaths || !pathCount || !modeCount)
        return static_cast<int32_t>(kErrorInvalidParameter);
    const auto paths = static_cast<uint32_t>(m_impl->PresentIndices().size());
    *pathCount = paths;
    *modeCount = paths * kModesPerPath;
    return 0;
}

int32_t SimPlatform::QueryDisplayConfig(uint32_t flags, uint32_t* pathCount, DisplayConfigPathInfo* paths,
                                        uint32_t* modeCount, DisplayConfigModeInfo* modes, void* topology)
{
    if (std::optional<int32_t> code = m_impl->InterceptCode(SimCall::QueryDisplayConfig))
        return *code;
    if (flags != kQdcOnlyActivePaths || topology || !pathCount || !paths || !modeCount || !modes)
        return static_cast<int32_t>(kErrorInvalidParameter);
    const std::vector<size_t> present = m_impl->PresentIndices();
    const auto count = static_cast<uint32_t>(present.size());
    if (*pathCount < count || *modeCount < count * kModesPerPath)
        return static_cast<int32_t>(kErrorInsufficientBuffer);

    for (uint32_t i = 0; i < count; ++i) {
        const SimMonitor& monitor = m_impl->monitors[present[i]];
        const uint32_t sourceId = m_impl->SourceId(monitor);
        const auto targetId = static_cast<uint32_t>(kTargetIdBase + present[i]);

        DisplayConfigPathInfo path{};
        path.sourceInfo = {kDisplayConfigAdapter, sourceId, i * kModesPerPath, kInUse};
        path.targetInfo.adapterId = kDisplayConfigAdapter;
        path.targetInfo.id = targetId;
        path.targetInfo.modeInfoIdx = i * kModesPerPath + 1;
        path.targetInfo.outputTechnology = kOutputDisplayPortExternal;
        path.targetInfo.rotation = kRotationIdentity;
        path.targetInfo.scaling = kScalingIdentity;
        path.targetInfo.refreshRate = {60, 1};
        path.targetInfo.scanLineOrdering = kScanLineProgressive;
        path.targetInfo.targetAvailable = 1;
        path.targetInfo.statusFlags = kInUse;
        path.flags = kInUse;
        paths[i] = path;

        DisplayConfigModeInfo source{};
        source.infoType = kModeInfoTypeSource;
        source.id = sourceId;
        source.adapterId = kDisplayConfigAdapter;
        DisplayConfigModeInfo target = source;
        target.infoType = kModeInfoTypeTarget;
        target.id = targetId;
        modes[i * kModesPerPath] = source;
        modes[i * kModesPerPath + 1] = target;
    }
    *pathCount = count;
    *modeCount = count * kModesPerPath;
    return 0;
}

int32_t SimPlatform::DisplayConfigGetDeviceInfo(DisplayConfigDeviceInfoHeader* request)
{
    if (std::optional<int32_t> code = m_impl->InterceptCode(SimCall::DisplayConfigGetDeviceInfo))
        return *code;
    constexpr auto kRefused = static_cast<int32_t>(kErrorInvalidParameter);
    if (!request || !SameLuid(request->adapterId, kDisplayConfigAdapter))
        return kRefused;

    // The request names a source or target of an active path.
    const SimMonitor* named = nullptr;
    for (size_t i : m_impl->PresentIndices()) {
        const SimMonitor& monitor = m_impl->monitors[i];
        const bool bySource = request->type == kDisplayConfigGetSourceName && m_impl->SourceId(monitor) == request->id;
        const bool byTarget = (request->type == kDisplayConfigGetAdvancedColorInfo ||
                               (request->type == kDisplayConfigGetAdvancedColorInfo2 && m_secondColorQuery)) &&
                              kTargetIdBase + i == request->id;
        if (bySource || byTarget) {
            named = &monitor;
            break;
        }
    }

    if (request->type == kDisplayConfigGetSourceName && request->size == sizeof(DisplayConfigSourceDeviceName) &&
        named) {
        auto* answer = reinterpret_cast<DisplayConfigSourceDeviceName*>(request);
        const std::u16string name =
            Widen(named->adapterName.data(), named->adapterName.size(), AnsiPage{m_leadBytes, m_utf8Ansi});
        const size_t length = std::min(name.size(), std::size(answer->viewGdiDeviceName) - 1);
        std::fill(std::begin(answer->viewGdiDeviceName), std::end(answer->viewGdiDeviceName), u'\0');
        std::copy_n(name.begin(), length, answer->viewGdiDeviceName);
        return 0;
    }
    const uint32_t mode = [&] {
        auto it = named ? m_impl->colorModes.find(AsciiLower(named->adapterName)) : m_impl->colorModes.end();
        return it == m_impl->colorModes.end() ? kAdvancedColorModeSdr : it->second;
    }();
    const uint32_t bits = mode == kAdvancedColorModeHdr ? 10 : 8;
    if (request->type == kDisplayConfigGetAdvancedColorInfo &&
        request->size == sizeof(DisplayConfigAdvancedColorInfo) && named) {
        auto* answer = reinterpret_cast<DisplayConfigAdvancedColorInfo*>(request);
        answer->value = mode == kAdvancedColorModeSdr ? 0 : kAdvancedColorSupported | kAdvancedColorEnabled;
        if (mode == kAdvancedColorModeWcg)
            answer->value |= kAdvancedColorWideColorEnforced;
        answer->colorEncoding = 0;   // RGB
        answer->bitsPerColorChannel = bits;
        return 0;
    }
    if (request->type == kDisplayConfigGetAdvancedColorInfo2 &&
        request->size == sizeof(DisplayConfigAdvancedColorInfo2) && named) {
        auto* answer = reinterpret_cast<DisplayConfigAdvancedColorInfo2*>(request);
        answer->value = mode == kAdvancedColorModeSdr ? 0 : kAdvancedColorSupported | kAdvancedColorEnabled;
        answer->colorEncoding = 0;
        answer->bitsPerColorChannel = bits;
        answer->activeColorMode = mode;
        return 0;
    }
    return kRefused;
}

// ---- GDI ----

// The device names an attached adapter (the driver does when no device is given;
// "DISPLAY" alone means the primary one). For any other name the result is null with
// ERROR_FILE_NOT_FOUND: Windows documents no code here, and Wine either fails without
// one or hands out a DC for an adapter that does not exist.
DcHandle SimPlatform::CreateDCA(const char* driver, const char* device, const char*, const void*)
{
    if (m_impl->Intercept(SimCall::CreateDCA))
        return nullptr;
    const char* name = device ? device : driver;
    if (!name) {
        m_impl->lastError = kErrorInvalidParameter;
        return nullptr;
    }
    const bool wholeDesktop = !device && EqualsNoCase(name, "DISPLAY", m_leadBytes);
    std::optional<size_t> found;
    for (size_t i = 0; i < m_impl->adapters.size() && !found; ++i) {
        const SimDevice& adapter = m_impl->adapters[i].device;
        if (!(adapter.flags & kDisplayDeviceAttached))
            continue;
        if (wholeDesktop ? (adapter.flags & kDisplayDevicePrimary) != 0 : EqualsNoCase(adapter.name, name, m_leadBytes))
            found = i;
    }
    for (size_t i = 0; wholeDesktop && !found && i < m_impl->adapters.size(); ++i)
        if (m_impl->adapters[i].device.flags & kDisplayDeviceAttached)
            found = i;
    if (!found) {
        m_impl->lastError = kErrorFileNotFound;
        return nullptr;
    }
    uintptr_t handle = ++m_impl->nextDc;
    m_impl->dcs[handle] = *found;
    return MakeHandle<DcHandle>(handle);
}

Bool32 SimPlatform::DeleteDC(DcHandle dc)
{
    if (m_impl->dcs.erase(HandleValue(dc)) == 0)
        return m_impl->Fails(kErrorInvalidHandle);
    return 1;
}

Bool32 SimPlatform::SetDeviceGammaRamp(DcHandle dc, const HardwareRamp* ramp)
{
    const size_t* adapter = m_impl->RampAdapter(SimCall::SetDeviceGammaRamp, dc, ramp);
    if (!adapter)
        return 0;
    // A display driver refuses such ramps silently: FALSE, last error as it was.
    if (m_refuseImplausible && (!IsPlausibleChannel(ramp->red) || !IsPlausibleChannel(ramp->green) ||
                                !IsPlausibleChannel(ramp->blue)))
        return 0;
    const std::string key = m_sharedRamp ? std::string() : m_impl->adapters[*adapter].device.name;
    m_impl->ramps[key] = AsStored(*ramp, m_rampBits);
    ++m_rampWrites;
    ++m_rampWritesBy[m_impl->adapters[*adapter].device.name];
    return 1;
}

Bool32 SimPlatform::GetDeviceGammaRamp(DcHandle dc, HardwareRamp* ramp)
{
    const size_t* adapter = m_impl->RampAdapter(SimCall::GetDeviceGammaRamp, dc, ramp);
    if (!adapter)
        return 0;
    *ramp = Ramp(m_impl->adapters[*adapter].device.name);
    return 1;
}

// The profiles a DC of this adapter has, as full paths, the current one first: the one
// SetDcProfile gave, else those associated with the adapter's first active monitor.
static std::vector<std::string> ProfilesOfAdapter(const SimAdapter& adapter,
                                                  const std::map<std::string, std::string>& dcProfiles,
                                                  const std::map<std::string, std::vector<std::string>>& associations)
{
    auto set = dcProfiles.find(adapter.device.name);
    if (set != dcProfiles.end())
        return {set->second};
    std::vector<std::string> paths;
    for (const SimDevice& monitor : adapter.monitors) {
        if (!(monitor.flags & kDisplayDeviceAttached))
            continue;
        auto it = associations.find(monitor.id);
        if (it != associations.end())
            for (const std::string& file : it->second)
                paths.push_back(std::string(SimPlatform::kColorDirectory) + "\\" + file);
        break;
    }
    return paths;
}

// With nothing associated, Windows and Wine both name the standard sRGB profile rather
// than fail (Wine: dlls/gdi32/icm.c, GetICMProfileW). With no buffer the size is stored
// and the call fails without a code, as there.
Bool32 SimPlatform::GetICMProfileA(DcHandle dc, uint32_t* size, char* filename)
{
    if (m_impl->Intercept(SimCall::GetICMProfileA))
        return 0;
    if (!size)
        return 0;
    const size_t* adapter = m_impl->AdapterOfDc(dc);
    if (!adapter)
        return m_impl->Fails(kErrorInvalidHandle);

    std::vector<std::string> paths = ProfilesOfAdapter(m_impl->adapters[*adapter], m_impl->dcProfiles, m_associations);
    std::string path = paths.empty() ? std::string(kColorDirectory) + "\\" + kDefaultProfile : paths.front();
    auto needed = static_cast<uint32_t>(path.size() + 1);
    if (!filename) {
        *size = needed;
        return 0;
    }
    if (*size < needed) {
        *size = needed;
        return m_impl->Fails(kErrorInsufficientBuffer);
    }
    std::memcpy(filename, path.c_str(), needed);
    *size = needed;
    return 1;
}

// Enumerates only real associations, never the sRGB fallback GetICMProfileA names,
// and stops when the callback returns 0 (Wine: EnumICMProfilesW).
int32_t SimPlatform::EnumICMProfilesA(DcHandle dc, IcmEnumProcA proc, intptr_t data)
{
    if (m_impl->Intercept(SimCall::EnumICMProfilesA))
        return -1;
    if (!proc)
        return -1;
    const size_t* adapter = m_impl->AdapterOfDc(dc);
    if (!adapter) {
        m_impl->lastError = kErrorInvalidHandle;
        return -1;
    }
    std::vector<std::string> paths = ProfilesOfAdapter(m_impl->adapters[*adapter], m_impl->dcProfiles, m_associations);
    int32_t result = -1;
    for (const std::string& path : paths) {
        std::vector<char> writable(path.begin(), path.end());
        writable.push_back('\0');
        result = proc(writable.data(), data);
        if (result == 0)
            break;
    }
    return result;
}

// ---- Colour management ----

Bool32 SimPlatform::GetColorDirectoryA(const char* machine, char* buffer, uint32_t* size)
{
    if (m_impl->Intercept(SimCall::GetColorDirectoryA))
        return 0;
    if (machine || !size)
        return 0;
    auto needed = static_cast<uint32_t>(std::strlen(kColorDirectory) + 1);
    if (!buffer || *size < needed) {
        *size = needed;
        return m_impl->Fails(kErrorInsufficientBuffer);
    }
    std::memcpy(buffer, kColorDirectory, needed);
    *size = needed;
    return 1;
}

// The host file behind a path the program names: the colour directory's own name (or a
// bare file name, which OpenColorProfile looks up there) maps into m_colorDir with
// file names matched without regard to case; a host path is taken as it is.
static std::optional<fs::path> HostPath(const std::string& path, const fs::path& colorDir,
                                        const std::set<uint8_t>& leads)
{
    if (path.empty())
        return std::nullopt;
    if (path[0] == '/')
        return fs::path(path);
    const std::string prefix = std::string(SimPlatform::kColorDirectory) + "\\";
    std::string rest;
    if (StartsWithNoCase(path, prefix))
        rest = path.substr(prefix.size());
    else if (path[0] != '\\' && !(path.size() >= 2 && path[1] == ':'))
        rest = path;
    else
        return std::nullopt;

    fs::path host = colorDir;
    for (const std::string& part : SplitPath(rest, leads)) {
        fs::path next = host / part;
        std::error_code ec;
        if (!fs::exists(next, ec)) {
            for (const fs::directory_entry& entry : fs::directory_iterator(host, ec)) {
                if (EqualsNoCase(entry.path().filename().string(), part, leads)) {
                    next = entry.path();
                    break;
                }
            }
        }
        host = next;
    }
    return host;
}

// Files the colour directory offers as profiles, in byte order of their names.
static std::vector<std::string> ProfileFiles(const fs::path& colorDir, bool everyFile = false)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(colorDir, ec)) {
        std::string name = entry.path().filename().string();
        if (entry.is_regular_file(ec) && (everyFile || HasProfileExtension(name)))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The matching profile file names for EnumColorProfilesA/W, or nothing when the folder
// holds no profile file at all.
static std::optional<std::vector<std::string>> MatchProfiles(
    const fs::path& colorDir, bool everyFile, uint32_t fields, const std::string& device, uint32_t profileClass,
    const std::map<std::string, std::vector<std::string>>& associations, const std::set<uint8_t>& leads)
{
    std::vector<std::string> files = ProfileFiles(colorDir, everyFile);
    if (files.empty())
        return std::nullopt;

    std::vector<std::string> names;
    if (fields & kEtDeviceName) {
        auto it = associations.find(device);
        if (it != associations.end())
            for (const std::string& associated : it->second)
                for (const std::string& file : files)
                    if (EqualsNoCase(file, associated, leads)) {
                        names.push_back(file);
                        break;
                    }
    } else {
        names = files;
    }

    if (fields & kEtClass) {
        std::vector<std::string> ofClass;
        for (const std::string& name : names) {
            std::optional<std::vector<uint8_t>> data = ReadWholeFile(colorDir / name);
            if (data && IsValidProfile(*data) && ReadBe32(&(*data)[kIccClassOffset]) == profileClass)
                ofClass.push_back(name);
        }
        names.swap(ofClass);
    }
    return names;
}

// Whether an EnumColorProfilesA/W call is one to answer: local, with a record of its
// own size and version, and somewhere to put the size.
template <typename EnumType>
static bool IsEnumRequest(const void* machine, const EnumType* criteria, const uint32_t* size)
{
    return !machine && criteria && size && criteria->dwSize == sizeof(EnumType) &&
           criteria->dwVersion == kEnumTypeVersion;
}

// Hands out a packed name list (each name with its terminator, then one more) as
// EnumColorProfilesA/W do: the count and the bytes needed always, the list only when
// the buffer holds it. False when it does not.
static bool HandOutProfileList(const void* packed, size_t bytes, size_t names, uint8_t* buffer, uint32_t* size,
                               uint32_t* count)
{
    if (count)
        *count = static_cast<uint32_t>(names);
    const bool fits = buffer && *size >= bytes;
    if (fits)
        std::memcpy(buffer, packed, bytes);
    *size = static_cast<uint32_t>(bytes);
    return fits;
}

// Follows Wine's EnumColorProfilesA/W (dlls/mscms/profile.c): a bad record fails with
// the last error untouched; a folder without profile files fails as FindFirstFile does,
// with ERROR_FILE_NOT_FOUND and *size and *count untouched; when files exist but none
// match, the list is empty: one terminator, TRUE when it fits, and *count = 0.
Bool32 SimPlatform::EnumColorProfilesA(const char* machine, EnumTypeA* criteria, uint8_t* buffer,
                                       uint32_t* size, uint32_t* count)
{
    if (criteria) {
        m_lastEnumA = *criteria;
        m_lastEnumDeviceA = criteria->pDeviceName ? criteria->pDeviceName : "";
    }
    if (m_impl->Intercept(SimCall::EnumColorProfilesA))
        return 0;
    if (!IsEnumRequest(machine, criteria, size))
        return 0;

    std::optional<std::vector<std::string>> names = MatchProfiles(
        m_colorDir, m_listEveryFile, criteria->dwFields, m_lastEnumDeviceA, criteria->dwClass, m_associations, m_leadBytes);
    if (!names)
        return m_impl->Fails(kErrorFileNotFound);

    // Wine finds such a file by a name full of '?', fails to open it and sets 87 while
    // it goes on with the others, whether or not the file is a profile at all. The code
    // then stands in for the size query's own ERROR_INSUFFICIENT_BUFFER. Windows lists
    // the name as its conversion left it.
    bool unlistable = false;
    if (m_lossyAnsiNames) {
        for (std::string& name : *names) {
            auto wide = m_impl->wideNames.find(name);
            if (wide != m_impl->wideNames.end())
                name = NarrowQuietly(wide->second, AnsiPage{m_leadBytes, m_utf8Ansi});
        }
    } else {
        for (const std::string& file : ProfileFiles(m_colorDir, m_listEveryFile))
            unlistable = unlistable || m_impl->wideNames.count(file) != 0;
        names->erase(std::remove_if(names->begin(), names->end(),
                                    [this](const std::string& name) { return m_impl->wideNames.count(name) != 0; }),
                     names->end());
    }

    std::string packed;
    for (const std::string& name : *names) {
        packed += name;
        packed.push_back('\0');
    }
    packed.push_back('\0');
    const bool fits = HandOutProfileList(packed.data(), packed.size(), names->size(), buffer, size, count);
    if (unlistable)
        m_impl->lastError = kErrorInvalidParameter;
    if (!fits)
        return unlistable ? 0 : m_impl->Fails(kErrorInsufficientBuffer);
    return 1;
}

// As the A form, with the names in UTF-16 and sizes in bytes. Wine adds a single byte
// for the final terminator here; the full UTF-16 unit Windows needs is counted instead.
Bool32 SimPlatform::EnumColorProfilesW(const char16_t* machine, EnumTypeW* criteria, uint8_t* buffer,
                                       uint32_t* size, uint32_t* count)
{
    if (criteria) {
        m_lastEnumW = *criteria;
        m_lastEnumDeviceW.clear();
        if (criteria->pDeviceName)
            m_lastEnumDeviceW = criteria->pDeviceName;
    }
    if (m_impl->Intercept(SimCall::EnumColorProfilesW))
        return 0;
    if (!IsEnumRequest(machine, criteria, size))
        return 0;

    const AnsiPage page{m_leadBytes, m_utf8Ansi};
    std::optional<std::vector<std::string>> names =
        MatchProfiles(m_colorDir, m_listEveryFile, criteria->dwFields, NarrowQuietly(m_lastEnumDeviceW, page),
                      criteria->dwClass, m_associations, m_leadBytes);
    if (!names)
        return m_impl->Fails(kErrorFileNotFound);

    std::u16string packed;
    for (const std::string& name : *names) {
        auto wide = m_impl->wideNames.find(name);
        packed += wide != m_impl->wideNames.end() ? wide->second : Widen(name.data(), name.size(), page);
        packed.push_back(u'\0');
    }
    packed.push_back(u'\0');
    if (!HandOutProfileList(packed.data(), packed.size() * sizeof(char16_t), names->size(), buffer, size, count))
        return m_impl->Fails(kErrorInsufficientBuffer);
    return 1;
}

// Wine fails a bad record or access mode without a code; ERROR_INVALID_PARAMETER is
// what Windows gives. A file that is not a profile fails with ERROR_INVALID_PROFILE.
ProfileHandle SimPlatform::OpenColorProfileA(const ProfileRecord* profile, uint32_t desiredAccess,
                                             uint32_t shareMode, uint32_t creationMode)
{
    m_lastOpen = profile ? *profile : ProfileRecord{};
    m_lastOpenPath.clear();
    m_lastOpenAccess = desiredAccess;
    m_lastOpenShare = shareMode;
    m_lastOpenCreation = creationMode;
    if (profile && profile->dwType == kProfileFilename && profile->pProfileData) {
        // The name ends at its NUL but never runs past the bytes the record declares.
        const auto* text = static_cast<const char*>(profile->pProfileData);
        size_t length = 0;
        while (length < profile->cbDataSize && text[length] != '\0')
            ++length;
        m_lastOpenPath.assign(text, length);
    }

    if (m_impl->Intercept(SimCall::OpenColorProfileA))
        return nullptr;
    if (!profile || profile->dwType != kProfileFilename || !profile->pProfileData ||
        !(desiredAccess & (kProfileRead | kProfileReadWrite))) {
        m_impl->lastError = kErrorInvalidParameter;
        return nullptr;
    }
    std::optional<fs::path> host = HostPath(m_lastOpenPath, m_colorDir, m_leadBytes);
    std::optional<std::vector<uint8_t>> data = host ? ReadWholeFile(*host) : std::nullopt;
    if (!data) {
        m_impl->lastError = kErrorFileNotFound;
        return nullptr;
    }
    if (!IsValidProfile(*data)) {
        m_impl->lastError = kErrorInvalidProfile;
        return nullptr;
    }
    uintptr_t handle = ++m_impl->nextProfile;
    m_impl->profiles[handle] = std::move(*data);
    return MakeHandle<ProfileHandle>(handle);
}

Bool32 SimPlatform::IsColorProfileTagPresent(ProfileHandle profile, uint32_t tag, Bool32* present)
{
    if (m_impl->Intercept(SimCall::IsColorProfileTagPresent))
        return 0;
    std::vector<uint8_t>* data = m_impl->Profile(profile);
    if (!data)
        return m_impl->Fails(kErrorInvalidHandle);
    if (!present)
        return m_impl->Fails(kErrorInvalidParameter);
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
    if (m_impl->Intercept(SimCall::GetColorProfileElement))
        return 0;
    std::vector<uint8_t>* data = m_impl->Profile(profile);
    if (!data)
        return m_impl->Fails(kErrorInvalidHandle);
    if (!size || !reference)
        return m_impl->Fails(kErrorInvalidParameter);
    TagEntry entry{};
    if (!FindTag(*data, tag, entry))
        return m_impl->Fails(kErrorTagNotFound);
    if (!buffer) {
        *size = entry.size;
        return 0;
    }
    if (offset > entry.size)
        return m_impl->Fails(kErrorInvalidParameter);
    uint32_t needed = entry.size - offset;
    if (*size < needed) {
        *size = needed;
        return m_impl->Fails(kErrorInsufficientBuffer);
    }
    std::memcpy(buffer, data->data() + entry.offset + offset, needed);
    *size = needed;
    *reference = IsLinkedTag(*data, entry) ? 1 : 0;
    return 1;
}

Bool32 SimPlatform::CloseColorProfile(ProfileHandle profile)
{
    if (m_impl->profiles.erase(HandleValue(profile)) == 0)
        return m_impl->Fails(kErrorInvalidHandle);
    return 1;
}

// Windows keeps one list per device, the default first. The profile must be installed:
// a missing file fails with ERROR_FILE_NOT_FOUND, one that does not open as a profile
// with ERROR_INVALID_PROFILE (as Wine's set_profile_device_key does); a remote machine
// with ERROR_NOT_SUPPORTED, as in Wine.
Bool32 SimPlatform::AssociateColorProfileWithDeviceA(const char* machine, const char* profile,
                                                     const char* deviceName)
{
    if (m_impl->RefusesAssociationCall(SimCall::AssociateColorProfileWithDeviceA, machine, profile, deviceName))
        return 0;

    const std::string wanted = FileNamePart(profile, m_leadBytes);
    std::optional<std::string> installed;
    for (const std::string& file : ProfileFiles(m_colorDir))
        if (EqualsNoCase(file, wanted, m_leadBytes))
            installed = file;
    if (!installed) {
        std::error_code ec;
        if (!wanted.empty() && fs::is_regular_file(m_colorDir / wanted, ec))
            installed = wanted;   // installed under a name the enumeration does not list
        else
            return m_impl->Fails(kErrorFileNotFound);
    }
    std::optional<std::vector<uint8_t>> data = ReadWholeFile(m_colorDir / *installed);
    if (!data || !IsValidProfile(*data))
        return m_impl->Fails(kErrorInvalidProfile);

    std::vector<std::string>& list = m_associations[deviceName];
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&](const std::string& name) { return EqualsNoCase(name, *installed, m_leadBytes); }),
               list.end());
    list.insert(list.begin(), *installed);
    return 1;
}

// Removing a profile that is not associated fails with
// ERROR_PROFILE_NOT_ASSOCIATED_WITH_DEVICE. (Wine 8 returns TRUE here: it only deletes
// a registry value and ignores whether there was one.)
Bool32 SimPlatform::DisassociateColorProfileFromDeviceA(const char* machine, const char* profile,
                                                        const char* deviceName)
{
    if (m_impl->RefusesAssociationCall(SimCall::DisassociateColorProfileFromDeviceA, machine, profile, deviceName))
        return 0;

    const std::string wanted = FileNamePart(profile, m_leadBytes);
    auto it = m_associations.find(deviceName);
    if (it == m_associations.end())
        return m_impl->Fails(kErrorProfileNotAssociated);
    std::vector<std::string>& list = it->second;
    auto kept = std::remove_if(list.begin(), list.end(),
                               [&](const std::string& name) { return EqualsNoCase(name, wanted, m_leadBytes); });
    if (kept == list.end())
        return m_impl->Fails(kErrorProfileNotAssociated);
    list.erase(kept, list.end());
    return 1;
}

// ---- SimScope ----

SimScope::SimScope() : m_previous(SetPlatform(&m_sim)) {}

SimScope::~SimScope()
{
    if (m_sim.OpenProfiles() != 0)
        ADD_FAILURE() << "OpenProfiles: " << m_sim.OpenProfiles() << " colour profile(s) left open";
    if (m_sim.OpenDcs() != 0)
        ADD_FAILURE() << "OpenDcs: " << m_sim.OpenDcs() << " device context(s) left open";
    if (m_sim.HeapBlocks() != 0)
        ADD_FAILURE() << "HeapBlocks: " << m_sim.HeapBlocks() << " heap block(s) not freed";
    if (m_sim.LocalBlocks() != 0)
        ADD_FAILURE() << "LocalBlocks: " << m_sim.LocalBlocks() << " system text(s) not released";
    SetPlatform(m_previous);
}
