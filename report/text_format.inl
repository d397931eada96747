#include "report/mbstring.h"

#include <cstdio>
#include <vector>

template <class... Args>
std::string FormatBounded(size_t maxBytes, const char* format, Args... args)
{
    if (maxBytes == 0)
        return {};
    // Format in full first, so the cut can respect character boundaries.
    int needed = std::snprintf(nullptr, 0, format, args...);
    if (needed < 0)
        return {};
    std::vector<char> buffer(static_cast<size_t>(needed) + 1);
    std::snprintf(buffer.data(), buffer.size(), format, args...);
    return MbsTruncate(std::string(buffer.data(), static_cast<size_t>(needed)), maxBytes - 1);
}

template <class... Args>
std::string FormatOrFallback(size_t maxBytes, const char* format, const char* conversions,
                             const std::string& fallback, Args... args)
{
    if (FormatMatches(format, conversions))
        return FormatBounded(maxBytes, format, args...);
    return std::string(format) + " (" + fallback + ")";
}
