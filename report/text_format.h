// Format strings that come from the string table. A resource library may replace the
// table, so a format is used only when its conversions are exactly the ones the caller
// passes arguments for; otherwise the caller falls back to its built-in text.
#pragma once

#include <cstddef>
#include <string>

// The conversions of a printf format, each as its length modifier and conversion
// letter, separated by spaces: "Error %hd (%s %ld)" gives "hd s ld". "%%" is not a
// conversion. Returns false for a format that takes an argument in a way the caller
// cannot control: '*' widths or precisions, positional arguments, "%n", or a
// conversion that is cut off or unknown.
bool FormatConversions(const char* format, std::string& conversions);

// Whether format takes exactly the given conversions (as FormatConversions lists them).
bool FormatMatches(const char* format, const char* conversions);

// The whole of a printf format filled in (empty when it cannot be). Through a va_list,
// so that no caller's format is taken apart at compile time by a size it cannot know.
std::string FormatWhole(const char* format, ...);

// snprintf into a std::string of at most maxBytes - 1 bytes, never splitting a
// two-byte character. Use only with a format that FormatMatches the arguments.
template <class... Args>
std::string FormatBounded(size_t maxBytes, const char* format, Args... args);

// A string-table format filled in with the arguments, when it takes exactly those
// conversions; otherwise (a resource library's text that takes others) the text as it
// is with fallback, the arguments in words, after it in parentheses.
template <class... Args>
std::string FormatOrFallback(size_t maxBytes, const char* format, const char* conversions,
                             const std::string& fallback, Args... args);

#include "report/text_format.inl"
