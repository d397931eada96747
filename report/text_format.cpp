#include "report/text_format.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

bool IsFlag(char c) { return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool FormatConversions(const char* format, std::string& conversions)
{
    conversions.clear();
    if (!format)
        return false;
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%')
            continue;
        ++p;
        if (*p == '%')
            continue;
        while (IsFlag(*p))
            ++p;
        while (IsDigit(*p))
            ++p;
        if (*p == '$' || *p == '*')
            return false;
        if (*p == '.') {
            ++p;
            if (*p == '*')
                return false;
            while (IsDigit(*p))
                ++p;
        }
        std::string length;
        while (*p != '\0' && std::strchr("hlLqjzt", *p) != nullptr)
            length += *p++;
        if (*p == '\0' || *p == 'n' || std::strchr("diouxXcspeEfgGaA", *p) == nullptr)
            return false;
        char letter = *p == 'i' ? 'd' : *p;
        if (!conversions.empty())
            conversions += ' ';
        conversions += length;
        conversions += letter;
    }
    return true;
}

bool FormatMatches(const char* format, const char* conversions)
{
    std::string found;
    return FormatConversions(format, found) && found == conversions;
}

std::string FormatWhole(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int needed = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (needed > 0) {
        std::vector<char> buffer(static_cast<size_t>(needed) + 1);
        if (std::vsnprintf(buffer.data(), buffer.size(), format, again) == needed)
            text.assign(buffer.data(), static_cast<size_t>(needed));
    }
    va_end(again);
    return text;
}
