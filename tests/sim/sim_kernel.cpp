// The simulated kernel: the last error, the heap, the ANSI code page and its
// conversions, names compared as Windows compares them, system texts and the string
// table.
#include "sim/sim_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace simwin {

namespace {

constexpr uint32_t kErrorMrMidNotFound = 317;
constexpr uint32_t kErrorInvalidFlags = 1004;
constexpr uint32_t kErrorNoUnicodeTranslation = 1113;

constexpr uint32_t kCodePageAcp = 0;
constexpr uint32_t kCodePageLatin = 1252;   // what GetACP names the simulated code page

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsLead(const std::set<uint8_t>& leads, char c)
{
    return c != '\0' && leads.count(static_cast<uint8_t>(c)) != 0;
}

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

// The number GetACP gives.
uint32_t AnsiCodePage(const SimState& state) { return state.utf8Ansi ? kCodePageUtf8 : kCodePageLatin; }

// CP_ACP, CP_THREAD_ACP and the number GetACP gives name the ANSI code page; CP_UTF8
// is UTF-8 whatever that is. Whether the code page is UTF-8, or nothing for a code page
// the simulation does not know.
std::optional<bool> IsUtf8CodePage(const SimState& state, uint32_t codePage)
{
    if (codePage == kCodePageAcp || codePage == kCodePageThreadAcp || codePage == AnsiCodePage(state))
        return state.utf8Ansi;
    if (codePage == kCodePageUtf8)
        return true;
    return std::nullopt;
}

// Delivers a converted text the way the conversion calls do: measure with no
// capacity, else all of it or nothing with ERROR_INSUFFICIENT_BUFFER.
template <class Char>
int32_t Deliver(SimState& state, const std::basic_string<Char>& text, Char* dst, int32_t capacity)
{
    if (capacity == 0)
        return static_cast<int32_t>(text.size());
    if (text.size() > static_cast<size_t>(capacity)) {
        state.lastError = kErrorInsufficientBuffer;
        return 0;
    }
    std::copy(text.begin(), text.end(), dst);
    return static_cast<int32_t>(text.size());
}

}  // namespace

// ---- Names ----

std::string AsciiLower(std::string text)
{
    for (char& c : text)
        c = AsciiLower(c);
    return text;
}

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

// ---- Code page ----

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

std::string NarrowQuietly(const std::u16string& text, const AnsiPage& page)
{
    bool unused = false;
    return Narrow(text.data(), text.size(), page, '?', unused);
}

std::string Utf8(const std::u16string& text)
{
    std::string out;
    for (size_t i = 0, units = 1; i < text.size(); i += units)
        AppendUtf8(out, CodePointAt(text.data(), text.size(), i, units));
    return out;
}

}  // namespace simwin

using namespace simwin;

// ---- Kernel ----

uint32_t SimPlatform::GetLastError() { return m_state->lastError; }

void SimPlatform::SetLastError(uint32_t code) { m_state->lastError = code; }

void* SimPlatform::Calloc(size_t count, size_t size)
{
    if (m_state->Intercept(SimCall::Calloc))
        return nullptr;
    // Never null for a zero size, so that every block is distinct and counted.
    void* block = (count == 0 || size == 0) ? std::calloc(1, 1) : std::calloc(count, size);
    if (block)
        m_state->heapBlocks.insert(block);
    return block;
}

void SimPlatform::Free(void* block)
{
    if (!block)
        return;
    if (m_state->heapBlocks.erase(block) == 0) {
        // The real heap would corrupt itself here; keep running and say where.
        ADD_FAILURE() << "Free of a block the platform did not allocate (or freed twice): " << block;
        return;
    }
    std::free(block);
}

int32_t SimPlatform::MultiByteToWideChar(uint32_t codePage, uint32_t, const char* src, int32_t srcLength,
                                         char16_t* dst, int32_t dstCapacity)
{
    if (m_state->Intercept(SimCall::MultiByteToWideChar))
        return 0;
    const std::optional<bool> utf8 = IsUtf8CodePage(*m_state, codePage);
    if (!utf8 || !src || srcLength == 0 || srcLength < -1 || dstCapacity < 0 || (!dst && dstCapacity > 0)) {
        m_state->lastError = kErrorInvalidParameter;
        return 0;
    }
    size_t length = srcLength == -1 ? std::strlen(src) + 1 : static_cast<size_t>(srcLength);
    return Deliver(*m_state, Widen(src, length, AnsiPage{m_state->leadBytes, *utf8}), dst, dstCapacity);
}

int32_t SimPlatform::WideCharToMultiByte(uint32_t codePage, uint32_t flags, const char16_t* src,
                                         int32_t srcLength, char* dst, int32_t dstCapacity,
                                         const char* defaultChar, Bool32* usedDefault)
{
    if (m_state->Intercept(SimCall::WideCharToMultiByte))
        return 0;
    const std::optional<bool> utf8 = IsUtf8CodePage(*m_state, codePage);
    if (!utf8 || !src || srcLength == 0 || srcLength < -1 || dstCapacity < 0 || (!dst && dstCapacity > 0) ||
        (*utf8 && (defaultChar || usedDefault))) {
        m_state->lastError = kErrorInvalidParameter;
        return 0;
    }
    // UTF-8 takes no flag but WC_ERR_INVALID_CHARS, and no other code page takes that one.
    if (*utf8 ? (flags & ~kWcErrInvalidChars) != 0 : (flags & kWcErrInvalidChars) != 0) {
        m_state->lastError = kErrorInvalidFlags;
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
                m_state->lastError = kErrorNoUnicodeTranslation;
                return 0;
            }
        }
    }
    bool used = false;
    const AnsiPage page{m_state->leadBytes, *utf8};
    std::string text = Narrow(src, length, page, defaultChar ? defaultChar[0] : '?', used);
    if (usedDefault)
        *usedDefault = used ? 1 : 0;
    return Deliver(*m_state, text, dst, dstCapacity);
}

uint32_t SimPlatform::GetACP() { return AnsiCodePage(*m_state); }

// No byte leads a two-byte character in UTF-8.
bool SimPlatform::IsDBCSLeadByte(uint8_t byte)
{
    return !m_state->utf8Ansi && m_state->leadBytes.count(byte) != 0;
}

uint32_t SimPlatform::FormatMessageA(uint32_t flags, const void*, uint32_t messageId, uint32_t,
                                     char** allocated, uint32_t minSize, void*)
{
    const bool allocate = (flags & kFormatMessageAllocateBuffer) != 0;
    if (allocate && allocated)
        *allocated = nullptr;
    if (m_state->Intercept(SimCall::FormatMessageA))
        return 0;
    // Only the form the program uses: a system text into a buffer the system allocates.
    if (!allocate || !(flags & kFormatMessageFromSystem) || !allocated) {
        m_state->lastError = kErrorInvalidParameter;
        return 0;
    }
    auto it = m_state->systemTexts.find(messageId);
    if (it == m_state->systemTexts.end()) {
        m_state->lastError = kErrorMrMidNotFound;
        return 0;
    }
    const std::string& text = it->second;
    auto* block = static_cast<char*>(std::calloc(std::max<size_t>(text.size() + 1, minSize), 1));
    if (!block) {
        m_state->lastError = kErrorNotEnoughMemory;
        return 0;
    }
    std::memcpy(block, text.data(), text.size());
    m_state->localBlocks.insert(block);
    *allocated = block;
    return static_cast<uint32_t>(std::strlen(block));
}

void* SimPlatform::LocalFree(void* block)
{
    if (!block)
        return nullptr;
    if (m_state->localBlocks.erase(block) == 0) {
        ADD_FAILURE() << "LocalFree of a block FormatMessageA did not allocate (or freed twice): " << block;
        m_state->lastError = kErrorInvalidHandle;
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
    auto it = m_state->strings.find(id);
    if (it == m_state->strings.end() || it->second.empty())
        return false;
    out = it->second;
    return true;
}

// ---- Settings ----

std::map<uint32_t, std::string>& SimPlatform::Strings() { return m_state->strings; }
std::map<uint32_t, std::string>& SimPlatform::SystemTexts() { return m_state->systemTexts; }
std::set<uint8_t>& SimPlatform::LeadBytes() { return m_state->leadBytes; }
void SimPlatform::SetUtf8AnsiCodePage(bool utf8) { m_state->utf8Ansi = utf8; }
