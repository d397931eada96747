// String helpers for multibyte text in the ANSI code page. A byte that is a lead byte
// of the code page starts a two-byte character, and the byte after it is never taken
// as a character of its own: "\x81\x5c" in a double-byte code page is one character,
// not a character followed by a backslash.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

// The last occurrence of the single-byte character c in s, as _mbsrchr finds it, or
// null. s may be null.
const char* MbsRChr(const char* s, char c);

// The longest prefix of text that is at most maxBytes long and does not end in the
// middle of a two-byte character.
std::string MbsTruncate(const std::string& text, size_t maxBytes);

// The parts of a path as _splitpath gives them: the file name is what follows the last
// '\' or '/' (and a drive's ':') up to the last '.', the extension is that '.' and the
// rest. Either output may be null.
void SplitPath(const char* path, std::string* fileName, std::string* extension);

// Whether two texts are equal without regard to the case of their single-byte letters,
// as _mbsicmp compares; the bytes of a two-byte character must match exactly.
bool MbsIEqual(const char* a, const char* b);

// Whether the length bytes at begin fit on one line of the window that shows them.
using LineFitTest = std::function<bool(const char* begin, size_t length)>;

// The text with a line break ("\r\n") put into each word too wide for a line, for a
// window that breaks lines only between words (DrawText's DT_WORDBREAK, a static
// control) and would cut such a word off: a long path, say. Each piece is the longest
// run of whole characters that fits, cut back to just after its last '\' or '/' when
// it has one; a two-byte character is never split, and a character that fits nowhere
// stands alone. Words are what lies between spaces, tabs and line breaks; a word that
// fits, and everything else, is left as it is.
std::string MbsBreakLongWords(const std::string& text, const LineFitTest& fits);
