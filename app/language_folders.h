// Which language folders beside the program may hold its resource library: from the
// user's display languages, most preferred first, the folders <tag>\Res.dll is looked
// for in. A library beside the program (Res.dll) comes before all of them; that is the
// loader's business, not this list's.
#pragma once

#include <string>
#include <vector>

// The language of the program's own texts: a display language of it needs no library.
constexpr char16_t kOwnLanguage[] = u"en";

// LanguageFolders
//   The folder names to try, in order, for the display languages given (BCP 47 tags
//   such as "de-AT", "pt-BR", "zh-Hant-TW", as GetUserPreferredUILanguages gives them,
//   most preferred first). Each language gives its whole tag, then its parents with the
//   last subtag dropped down to the language's own name ("zh-Hant-TW", "zh-Hant",
//   "zh"); "_" counts as "-". A name already given is not given again, in any case.
//   The list ends at the first language of the program's own (English in any region):
//   the user would rather read the program's texts than any language after it.
//
//   A tag that cannot name a folder is passed over: an empty one, one with an empty
//   subtag, or one with anything but ASCII letters, digits and separators (so never
//   "..", a drive or a path), or longer than a language tag can be (85 units).
//
//   uiLanguages [in]  the display languages, most preferred first; may be empty.
//
//   Returns the folder names, lower case ("pt-br", "pt"); empty when none is to be
//   tried.
std::vector<std::u16string> LanguageFolders(const std::vector<std::u16string>& uiLanguages);
