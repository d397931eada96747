// Profile names in the order the program's sorted list box keeps them under Wine 8 with
// code page 1252 and the en-US locale, as measured on the test bed. The Windows tests
// check this order against the real control on every run, and the host tests check the
// stand-in (tests/sim/sim_list_control.h) against the same list. Bytes are code page 1252.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace listorder {

struct SortedName {
    std::string text;
    // The control holds this name equal to the one before it (they differ only in case,
    // in a soft hyphen, or in spelling æ and ß as ae and ss), so which of them comes
    // first depends on the order they were added in.
    bool tiesWithPrevious = false;
};

constexpr bool kTie = true;

// What the corpus covers: digits against each other and against punctuation and
// letters; space, hyphen, underscore, apostrophe, dot and the other punctuation a file
// name may hold, before, inside and after a name; names equal but for case; accented
// letters against their base letter and the next one; names that begin another name;
// names of 255 bytes.
inline std::vector<SortedName> SortedNames()
{
    return {
        {""}, {" a"}, {"!a"}, {"#a"}, {"$a"}, {"%a"}, {"&a"}, {"(a"}, {")a"}, {",a"},
        {".a"}, {";a"}, {"@a"}, {"[a"}, {"]a"}, {"^a"}, {"_a"}, {"`a"}, {"{a"}, {"}a"},
        {"~a"}, {"+a"}, {"=a"}, {"0"}, {"0a"}, {"9"}, {"9z"}, {"A"}, {"a", kTie}, {"a-"},
        {"'a"}, {"-a"},
        {"\xC5"},  // Å
        {"\xE5", kTie},  // å
        {"a b"}, {"a b c"}, {"a c"}, {"a!"}, {"a#"}, {"a$"}, {"a%"}, {"a&"}, {"a("}, {"a)"},
        {"a,"}, {"a.b"}, {"a;"}, {"a@"}, {"a["}, {"a]"}, {"a^"}, {"a_b"}, {"a`"}, {"a{"},
        {"a}"}, {"a~"}, {"a+"}, {"a="}, {"a0"}, {"a9"}, {"aa"},
        {"a\xE5"},  // aå
        {std::string(254, 'A')}, {std::string(254, 'a') + "-"}, {std::string(255, 'a')},
        {std::string(254, 'a') + "b"},
        {"a\xAD" "b"},  // soft hyphen
        {"ab", kTie}, {"ab-"}, {"a'b"}, {"a-b"}, {"a-'b"}, {"a--b"},
        {"a\x96" "b"},  // en dash
        {"a\x97" "b"},  // em dash
        {"-ab"}, {"ac"}, {"a-c"}, {"ad"},
        {"\xC6"},  // Æ
        {"\xE6", kTie},  // æ
        {"ae", kTie},
        {"\xE6" "a"},  // æa
        {"aea", kTie}, {"af"},
        {"a\xADz"},  // soft hyphen
        {"az", kTie}, {"b"}, {"c"},
        {"\xC7"},  // Ç
        {"\xE7", kTie},  // ç
        {"\xE7" "a"},  // ça
        {"con"}, {"coop"}, {"co'op"}, {"co-op"}, {"cop"}, {"cz"}, {"d"}, {"E"}, {"e", kTie},
        {"\xC9"},  // É
        {"\xE9", kTie},  // é
        {"\xE8"},  // è
        {"\xEA"},  // ê
        {"\xEB"},  // ë
        {"\xE9" "a"},  // éa
        {"eb"}, {"ez"}, {"f"}, {"kv 2"}, {"kv.2"}, {"kv_2"}, {"kv02"}, {"kv1"}, {"kv10"},
        {"kv2"}, {"kv-2"}, {"kv20"}, {"kv2a"}, {"kvA"}, {"monitor"}, {"MONITOR", kTie},
        {"Monitor", kTie}, {"Monitor 2"}, {"Monitor_2"}, {"Monitor2"}, {"Monitor-2"},
        {"Monitors"}, {"n"},
        {"\xD1"},  // Ñ
        {"\xF1", kTie},  // ñ
        {"\xF1" "a"},  // ña
        {"nz"}, {"o"},
        {"\xD8"},  // Ø
        {"\xF8", kTie},  // ø
        {"\xF8" "a"},  // øa
        {"oz"}, {"p"}, {"resume"},
        {"resum\xE9"},  // resumé
        {"r\xE9sume"},  // résume
        {"R\xE9sum\xE9"},  // Résumé
        {"r\xE9sum\xE9", kTie},  // résumé
        {"resumf"}, {"s"}, {"sr"}, {"srgb"}, {"SRGB", kTie}, {"sRGB", kTie}, {"sRGB 2"},
        {"sRGB Color Space Profile"}, {"sRGB IEC61966-2.1"}, {"sRGB_2"}, {"sRGB2"},
        {"sRGB-2"}, {"sRGBIEC"}, {"sRGB-IEC"},
        {"\xDF"},  // ß
        {"ss", kTie},
        {"\xDF" "a"},  // ßa
        {"ssa", kTie}, {"st"},
        {"Stra\xDF" "e"},  // Straße
        {"stra\xDF" "e", kTie},  // straße
        {"strasse", kTie}, {"strasst"}, {"sz"}, {"u"},
        {"\xDC"},  // Ü
        {"\xFC", kTie},  // ü
        {"\xFC" "a"},  // üa
        {"uz"}, {"v"}, {"zurich"},
        {"Z\xFCrich"},  // Zürich
        {"z\xFCrich", kTie},  // zürich
        {"zurick"}, {std::string(200, 'z') + std::string(55, 'e')},
        {std::string(200, 'z') + std::string(55, '\xE9')},
    };
}

inline std::vector<std::string> SortedTexts()
{
    std::vector<std::string> texts;
    for (const SortedName& name : SortedNames())
        texts.push_back(name.text);
    return texts;
}

// Insertion orders the tests use: 0 adds the names in sorted order, 1 in reverse, any
// other seed in an order shuffled by a fixed generator (std::shuffle differs between
// standard libraries, and both test programs must see the same orders).
constexpr uint32_t kInsertionOrders[] = {0, 1, 2, 3, 4, 5};

inline std::vector<std::string> InsertionOrder(uint32_t seed)
{
    std::vector<std::string> texts = SortedTexts();
    if (seed == 1) {
        std::reverse(texts.begin(), texts.end());
    } else if (seed != 0) {
        uint32_t state = seed;
        for (size_t i = texts.size(); i > 1; --i) {
            state = state * 1664525u + 1013904223u;
            std::swap(texts[i - 1], texts[(state >> 8) % i]);
        }
    }
    return texts;
}

// Sorts rows by byte value within each run of tied names of the sorted list, so that a
// listing can be compared with SortedTexts() whatever order the tied names fell in.
// Rows of another count are returned as they are.
inline std::vector<std::string> WithTiesSorted(std::vector<std::string> rows)
{
    const std::vector<SortedName> sorted = SortedNames();
    if (rows.size() != sorted.size())
        return rows;
    size_t start = 0;
    for (size_t i = 1; i <= rows.size(); ++i) {
        if (i < rows.size() && sorted[i].tiesWithPrevious)
            continue;
        std::sort(rows.begin() + static_cast<std::ptrdiff_t>(start),
                  rows.begin() + static_cast<std::ptrdiff_t>(i));
        start = i;
    }
    return rows;
}

// Names the control holds equal, added one after another: where each one went and the
// rows at the end, as measured. A new row goes before the first equal row the control's
// binary search meets, so it lands at the front, the back or in between.
struct TieCase {
    std::vector<std::string> added;
    std::vector<int32_t> positions;
    std::vector<std::string> rows;
};

inline std::vector<TieCase> TieCases()
{
    return {
        {{"a", "A"},
         {0, 0},
         {"A", "a"}},
        {{"A", "a"},
         {0, 0},
         {"a", "A"}},
        {{"a", "A", "a"},
         {0, 0, 0},
         {"a", "A", "a"}},
        {{"sRGB", "SRGB", "srgb"},
         {0, 0, 0},
         {"srgb", "SRGB", "sRGB"}},
        {{"srgb", "SRGB", "sRGB"},
         {0, 0, 0},
         {"sRGB", "SRGB", "srgb"}},
        {{"x", "X", "x", "X", "x"},
         {0, 0, 0, 1, 1},
         {"x", "x", "X", "X", "x"}},
        {{"b", "a", "B", "A", "c", "a"},
         {0, 0, 1, 0, 4, 0},
         {"a", "A", "a", "B", "b", "c"}},
        {{"ab", "a\xAD" "b", "AB"},
         {0, 0, 0},
         {"AB", "a\xAD" "b", "ab"}},
        {{"a", "b", "c", "d", "B", "b", "B"},
         {0, 1, 2, 3, 1, 2, 2},
         {"a", "B", "B", "b", "b", "c", "d"}},
        {{"ss", "\xDF", "SS", "\xDF"},
         {0, 0, 0, 1},
         {"SS", "\xDF", "\xDF", "ss"}},
        {{"x", "X", "x", "X", "x", "X", "x", "X"},
         {0, 0, 0, 1, 1, 2, 2, 3},
         {"x", "x", "x", "X", "X", "X", "X", "x"}},
        {{"a", "x", "b", "X", "c", "x", "d", "X", "y", "x"},
         {0, 1, 1, 2, 2, 3, 3, 5, 8, 4},
         {"a", "b", "c", "d", "x", "x", "X", "X", "x", "y"}},
        {{"ae", "\xC6", "\xE6", "AE"},
         {0, 0, 0, 1},
         {"\xE6", "AE", "\xC6", "ae"}},
    };
}

}  // namespace listorder
