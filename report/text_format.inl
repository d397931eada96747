#include "report/mbstring.h"

template <class... Args>
std::string FormatBounded(size_t maxBytes, const char* format, Args... args)
{
    if (maxBytes == 0)
        return {};
    // Format in full first, so the cut can respect character boundaries.
    return MbsTruncate(FormatWhole(format, args...), maxBytes - 1);
}

template <class... Args>
std::string FormatOrFallback(size_t maxBytes, const char* format, const char* conversions,
                             const std::string& fallback, Args... args)
{
    if (FormatMatches(format, conversions))
        return FormatBounded(maxBytes, format, args...);
    return std::string(format) + " (" + fallback + ")";
}
