// The language folders a resource library is looked for in, from the display languages.
#include "app/language_folders.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The tests' tags are ASCII.
std::vector<std::u16string> Wide(const std::vector<std::string>& words)
{
    std::vector<std::u16string> wide;
    for (const std::string& word : words)
        wide.emplace_back(word.begin(), word.end());
    return wide;
}

std::string Joined(const std::vector<std::string>& words)
{
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

TEST(LanguageFolders, EachLanguageThenItsParentsInTheUsersOrder)
{
    struct Case {
        std::vector<std::string> languages;
        std::vector<std::string> folders;
    };
    const Case cases[] = {
        {{}, {}},
        {{"fr"}, {"fr"}},
        {{"de-AT"}, {"de-at", "de"}},
        {{"pt-BR", "es-ES"}, {"pt-br", "pt", "es-es", "es"}},
        {{"zh-Hant-TW"}, {"zh-hant-tw", "zh-hant", "zh"}},
        // A parent given once, where it first comes; any case; "_" as "-".
        {{"fr-CA", "FR-fr", "fr"}, {"fr-ca", "fr", "fr-fr"}},
        {{"es_MX"}, {"es-mx", "es"}},
        {{"haw-US"}, {"haw-us", "haw"}},
        // The program's own language, in any region, ends the list: what the user
        // prefers to anything after it is already there.
        {{"en-US"}, {}},
        {{"de-DE", "en-GB", "fr-FR"}, {"de-de", "de"}},
        {{"EN", "de"}, {}},
        // "eng" and "en-" are not English: a language named longer, and no tag.
        {{"eng", "de"}, {"eng", "de"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LanguageFolders(Wide(c.languages)), Wide(c.folders)) << Joined(c.languages);
}

TEST(LanguageFolders, TagsThatCannotNameAFolderArePassedOver)
{
    const std::string ok = "es";
    for (const std::string& bad :
         {std::string(), std::string("-"), std::string("fr-"), std::string("-fr"), std::string("fr--CA"),
          std::string(".."), std::string("..\\fr"), std::string("C:"), std::string("fr/CA"), std::string("de DE"),
          std::string("en-"), std::string(85, 'a')}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(LanguageFolders(Wide({bad, ok})), Wide({ok}));
    }
    // Letters beyond ASCII name no folder.
    EXPECT_EQ(LanguageFolders({u"fr\u00e9", u"\u0434\u0435", u"de"}), Wide({"de"}));
    // The longest tag that fits Windows' locale names is taken.
    const std::string longest(84, 'a');
    EXPECT_EQ(LanguageFolders(Wide({longest})), Wide({longest}));
}

}  // namespace
