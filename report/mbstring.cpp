#include "report/mbstring.h"

#include "platform/platform.h"

#include <string>

namespace {

// Length of the character starting at p: 2 for a lead byte followed by a trail byte.
size_t CharLength(const char* p)
{
    if (Sys().IsDBCSLeadByte(static_cast<unsigned char>(p[0])) && p[1] != '\0')
        return 2;
    return 1;
}

}  // namespace

const char* MbsRChr(const char* s, char c)
{
    if (!s)
        return nullptr;
    const char* found = nullptr;
    for (const char* p = s; *p != '\0'; p += CharLength(p)) {
        if (*p == c)
            found = p;
    }
    return found;
}

std::string MbsTruncate(const std::string& text, size_t maxBytes)
{
    size_t end = 0;
    while (end < text.size()) {
        size_t next = end + CharLength(text.c_str() + end);
        if (next > maxBytes)
            break;
        end = next;
    }
    return text.substr(0, end);
}

void SplitPath(const char* path, std::string* fileName, std::string* extension)
{
    if (!path)
        path = "";
    const char* nameStart = path;
    const char* lastDot = nullptr;
    for (const char* p = path; *p != '\0'; p += CharLength(p)) {
        if (*p == '\\' || *p == '/' || (*p == ':' && p == path + 1)) {
            nameStart = p + 1;
            lastDot = nullptr;
        } else if (*p == '.') {
            lastDot = p;
        }
    }
    const char* end = nameStart + std::char_traits<char>::length(nameStart);
    const char* nameEnd = lastDot ? lastDot : end;
    if (fileName)
        fileName->assign(nameStart, nameEnd);
    if (extension)
        extension->assign(nameEnd, end);
}

bool MbsIEqual(const char* a, const char* b)
{
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (!a || !b)
        return a == b;
    while (*a != '\0' && *b != '\0') {
        const size_t length = CharLength(a);
        if (length != CharLength(b))
            return false;
        if (length == 2) {
            if (a[0] != b[0] || a[1] != b[1])
                return false;
        } else if (lower(*a) != lower(*b)) {
            return false;
        }
        a += length;
        b += length;
    }
    return *a == *b;
}

std::string MbsBreakLongWords(const std::string& text, const LineFitTest& fits)
{
    const auto isGap = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::string shown;
    shown.reserve(text.size());
    const char* p = text.c_str();
    const char* const end = p + text.size();
    while (p < end) {
        if (isGap(*p)) {
            shown += *p++;
            continue;
        }
        const char* wordEnd = p;
        while (wordEnd < end && !isGap(*wordEnd))
            wordEnd += CharLength(wordEnd);
        while (!fits(p, static_cast<size_t>(wordEnd - p))) {
            const char* cut = p;
            const char* afterSeparator = nullptr;
            for (const char* c = p; c < wordEnd;) {
                const char* next = c + CharLength(c);
                // At least one character a line, however narrow the window.
                if (c != p && !fits(p, static_cast<size_t>(next - p)))
                    break;
                if (next - c == 1 && (*c == '\\' || *c == '/'))
                    afterSeparator = next;
                cut = next;
                c = next;
            }
            if (afterSeparator)
                cut = afterSeparator;
            shown.append(p, cut);
            p = cut;
            if (p == wordEnd)
                break;
            shown += "\r\n";
        }
        shown.append(p, wordEnd);
        p = wordEnd;
    }
    return shown;
}
