// Text between UTF-16 and the ANSI code page, exactly or shown: what the profile store's
// names need when the code page cannot hold every character of a name.
#pragma once

#include <cstdint>
#include <string>

// The text in the code page, when it converts there and back unchanged: no default
// character, and no best-fit look-alike either. False for an empty text and for one
// longer than the longest path the platform takes (32,767 UTF-16 units).
bool NarrowExactly(const std::u16string& wide, uint32_t codePage, std::string& ansi);

// A name as a report can show it: every character the code page cannot hold written
// as <U+XXXX>. No file name holds '<' or '>', so the form cannot be mistaken for part
// of a name, and a right-to-left override shown as itself would turn the rest of the
// report's line around.
std::string ShowName(const std::u16string& wide, uint32_t codePage);
