#include "report/mbstring.h"

#include "platform/platform.h"

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
