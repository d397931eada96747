#include "sim/sim_list_control.h"

#include <array>
#include <cstddef>
#include <utility>

namespace {

// Wine compares strings through sort keys built from its sort table (sortdefault.nls):
// each character carries a script and a primary weight, an accent weight and a case
// weight. The values below are those Wine 8 reports for code page 1252 under en-US,
// measured with LCMapStringW(LCMAP_SORTKEY | NORM_IGNORECASE) byte by byte; only their
// order matters, but keeping Wine's own numbers lets a new measurement be checked
// against them directly.

// Scripts, in the order they sort.
constexpr uint8_t kScriptPunctuation = 0x07;   // white space, punctuation, currency
constexpr uint8_t kScriptMaths = 0x08;
constexpr uint8_t kScriptSymbol = 0x0A;
constexpr uint8_t kScriptDingbat = 0x0B;       // daggers, bullet, per mille
constexpr uint8_t kScriptUnassigned = 0x0C;    // the five bytes 1252 leaves undefined
constexpr uint8_t kScriptDigit = 0x0D;
constexpr uint8_t kScriptLatin = 0x0E;

// Accent weights; 2 means none.
constexpr uint8_t kNoAccent = 0x02;
constexpr uint8_t kOrdinal = 0x03;
constexpr uint8_t kAcute = 0x0E;
constexpr uint8_t kGrave = 0x0F;
constexpr uint8_t kCircumflex = 0x12;
constexpr uint8_t kDiaeresis = 0x13;
constexpr uint8_t kCaron = 0x14;
constexpr uint8_t kTilde = 0x19;
constexpr uint8_t kRing = 0x1A;
constexpr uint8_t kCedilla = 0x1C;
constexpr uint8_t kStroke = 0x21;
constexpr uint8_t kHook = 0x43;
constexpr uint8_t kEth = 0x68;

// Case weights once NORM_IGNORECASE has masked out upper case: what is left tells
// ordinals and superscripts from the plain letters and digits.
constexpr uint8_t kPlainCase = 0x02;
constexpr uint8_t kRaisedCase = 0x06;

enum class Role : uint8_t {
    Ignored,      // counts nowhere: the soft hyphen
    Weighted,     // a primary weight with an accent and a case
    WordMark,     // left out of the primary weights and compared last
    TwoLetters,   // sorts as the two letters it stands for
};

struct CharWeights {
    Role role = Role::Ignored;
    uint8_t script = 0;
    uint8_t primary = 0;   // for a word mark, its own weight
    uint8_t accent = kNoAccent;
    uint8_t caseWeight = kPlainCase;
    char first = 0;        // the letters of a TwoLetters character
    char second = 0;
};

std::array<CharWeights, 256> BuildTable()
{
    std::array<CharWeights, 256> table{};
    auto weighted = [&table](unsigned byte, uint8_t script, uint8_t primary) {
        CharWeights& w = table[byte];
        w.role = Role::Weighted;
        w.script = script;
        w.primary = primary;
    };
    auto wordMark = [&table](unsigned byte, unsigned weight) {
        table[byte].role = Role::WordMark;
        table[byte].primary = static_cast<uint8_t>(weight);
    };

    // Control characters are word marks, except tab to carriage return, which are white
    // space.
    for (unsigned byte = 0x01; byte <= 0x08; ++byte)
        wordMark(byte, byte + 0x02);
    for (unsigned byte = 0x09; byte <= 0x0D; ++byte)
        weighted(byte, kScriptPunctuation, static_cast<uint8_t>(byte - 0x04));
    for (unsigned byte = 0x0E; byte <= 0x1F; ++byte)
        wordMark(byte, byte - 0x03);
    wordMark(0x7F, 0x1D);
    wordMark('\'', 0x80);
    wordMark('-', 0x82);
    wordMark(0x96, 0x89);   // en dash
    wordMark(0x97, 0x90);   // em dash

    // Short names for the scripts, to keep the table readable.
    constexpr uint8_t P = kScriptPunctuation, M = kScriptMaths, S = kScriptSymbol,
                      B = kScriptDingbat, N = kScriptDigit, L = kScriptLatin;
    static const struct {
        uint8_t byte, script, primary;
    } kSymbols[] = {
        {' ', P, 0x02},  {0xA0, P, 0x04}, {'!', P, 0x1C},  {'"', P, 0x1D},  {'#', P, 0x1F},
        {'$', P, 0x21},  {'%', P, 0x23},  {'&', P, 0x25},  {'(', P, 0x27},  {')', P, 0x2A},
        {'*', P, 0x2D},  {',', P, 0x2F},  {'.', P, 0x33},  {'/', P, 0x35},  {':', P, 0x37},
        {';', P, 0x3A},  {'?', P, 0x3C},  {'@', P, 0x3E},  {'[', P, 0x3F},  {'\\', P, 0x41},
        {']', P, 0x42},  {'^', P, 0x43},  {0x88, P, 0x43}, {'_', P, 0x44},  {'`', P, 0x48},
        {'{', P, 0x4A},  {'|', P, 0x4C},  {'}', P, 0x4E},  {'~', P, 0x50},  {0xA1, P, 0x51},
        {0xA6, P, 0x52}, {0xA8, P, 0x53}, {0xAF, P, 0x54}, {0xB4, P, 0x55}, {0xB8, P, 0x56},
        {0xBF, P, 0x57}, {0x98, P, 0x5D}, {0x91, P, 0x79}, {0x92, P, 0x7A}, {0x82, P, 0x7B},
        {0x93, P, 0x7D}, {0x94, P, 0x7E}, {0x84, P, 0x7F}, {0x8B, P, 0x88}, {0x9B, P, 0x89},
        {0xA2, P, 0x97}, {0xA3, P, 0x98}, {0xA4, P, 0x99}, {0xA5, P, 0x9A}, {0x80, P, 0xA9},
        {'+', M, 0x03},  {'<', M, 0x0E},  {'=', M, 0x12},  {'>', M, 0x14},  {0xB1, M, 0x17},
        {0xAB, M, 0x18}, {0xBB, M, 0x1A}, {0xD7, M, 0x1C}, {0xF7, M, 0x1D}, {0xA7, S, 0x06},
        {0xA9, S, 0x07}, {0xAC, S, 0x08}, {0xAE, S, 0x09}, {0xB0, S, 0x0A}, {0xB5, S, 0x0B},
        {0xB6, S, 0x0C}, {0xB7, S, 0x0D}, {0x85, S, 0x10}, {0x86, B, 0x25}, {0x87, B, 0x26},
        {0x95, B, 0x27}, {0x89, B, 0x2C}, {0xBC, N, 0x0D}, {0xBD, N, 0x11}, {0xBE, N, 0x15},
        {0x99, L, 0x9C},
    };
    for (const auto& s : kSymbols)
        weighted(s.byte, s.script, s.primary);
    table[0x89].accent = 0x0C;   // per mille: a per cent sign with a mark

    // Wine gives the bytes 1252 leaves undefined (they become C1 controls) one shared
    // weight and tells them apart by accent alone.
    static const struct {
        uint8_t byte, accent;
    } kUnassigned[] = {{0x81, 0x1E}, {0x8D, 0x2A}, {0x8F, 0x2C}, {0x90, 0x2D}, {0x9D, 0x3A}};
    for (const auto& u : kUnassigned) {
        weighted(u.byte, kScriptUnassigned, 0xFA);
        table[u.byte].accent = u.accent;
    }

    weighted('0', kScriptDigit, 0x03);
    for (unsigned digit = 1; digit <= 9; ++digit)
        weighted('0' + digit, kScriptDigit, static_cast<uint8_t>(0x1A + 2 * (digit - 1)));

    static const uint8_t kLetters[26] = {0x02, 0x09, 0x0A, 0x1A, 0x21, 0x23, 0x25, 0x2C, 0x32,
                                         0x35, 0x36, 0x48, 0x51, 0x70, 0x7C, 0x7E, 0x89, 0x8A,
                                         0x91, 0x99, 0x9F, 0xA2, 0xA4, 0xA6, 0xA7, 0xA9};
    for (unsigned i = 0; i < 26; ++i) {
        weighted('a' + i, kScriptLatin, kLetters[i]);
        weighted('A' + i, kScriptLatin, kLetters[i]);
    }

    // Characters that sort as a letter or digit with a mark: the same primary weight,
    // told apart at the accent or the case level.
    static const struct {
        uint8_t byte;
        char base;
        uint8_t accent, caseWeight;
    } kMarked[] = {
        {0xC0, 'a', kGrave, kPlainCase},      {0xC1, 'a', kAcute, kPlainCase},
        {0xC2, 'a', kCircumflex, kPlainCase}, {0xC3, 'a', kTilde, kPlainCase},
        {0xC4, 'a', kDiaeresis, kPlainCase},  {0xC5, 'a', kRing, kPlainCase},
        {0xC7, 'c', kCedilla, kPlainCase},    {0xC8, 'e', kGrave, kPlainCase},
        {0xC9, 'e', kAcute, kPlainCase},      {0xCA, 'e', kCircumflex, kPlainCase},
        {0xCB, 'e', kDiaeresis, kPlainCase},  {0xCC, 'i', kGrave, kPlainCase},
        {0xCD, 'i', kAcute, kPlainCase},      {0xCE, 'i', kCircumflex, kPlainCase},
        {0xCF, 'i', kDiaeresis, kPlainCase},  {0xD0, 'd', kEth, kPlainCase},
        {0xD1, 'n', kTilde, kPlainCase},      {0xD2, 'o', kGrave, kPlainCase},
        {0xD3, 'o', kAcute, kPlainCase},      {0xD4, 'o', kCircumflex, kPlainCase},
        {0xD5, 'o', kTilde, kPlainCase},      {0xD6, 'o', kDiaeresis, kPlainCase},
        {0xD8, 'o', kStroke, kPlainCase},     {0xD9, 'u', kGrave, kPlainCase},
        {0xDA, 'u', kAcute, kPlainCase},      {0xDB, 'u', kCircumflex, kPlainCase},
        {0xDC, 'u', kDiaeresis, kPlainCase},  {0xDD, 'y', kAcute, kPlainCase},
        {0x83, 'f', kHook, kPlainCase},       {0x8A, 's', kCaron, kPlainCase},
        {0x8E, 'z', kCaron, kPlainCase},      {0x9F, 'y', kDiaeresis, kPlainCase},
        {0xAA, 'a', kOrdinal, kRaisedCase},   {0xBA, 'o', kOrdinal, kRaisedCase},
        {0xB9, '1', kNoAccent, kRaisedCase},  {0xB2, '2', kNoAccent, kRaisedCase},
        {0xB3, '3', kNoAccent, kRaisedCase},
    };
    for (const auto& m : kMarked) {
        table[m.byte] = table[static_cast<unsigned char>(m.base)];
        table[m.byte].accent = m.accent;
        table[m.byte].caseWeight = m.caseWeight;
        // The lower-case forms of the accented capitals sit 0x20 above them; š, ž and
        // ÿ have capitals outside that block and are listed in their own right.
        if (m.byte >= 0xC0)
            table[m.byte + 0x20u] = table[m.byte];
    }
    table[0x9A] = table[0x8A];   // š
    table[0x9E] = table[0x8E];   // ž
    table[0xFF] = table[0x9F];   // ÿ

    static const struct {
        uint8_t byte;
        char first, second;
    } kTwoLetters[] = {{0x8C, 'o', 'e'}, {0x9C, 'o', 'e'}, {0xC6, 'a', 'e'}, {0xE6, 'a', 'e'},
                       {0xDE, 't', 'h'}, {0xFE, 't', 'h'}, {0xDF, 's', 's'}};
    for (const auto& t : kTwoLetters) {
        table[t.byte].role = Role::TwoLetters;
        table[t.byte].first = t.first;
        table[t.byte].second = t.second;
    }
    // 0xAD, the soft hyphen, stays Ignored.
    return table;
}

const CharWeights& WeightsOf(char c)
{
    static const std::array<CharWeights, 256> table = BuildTable();
    return table[static_cast<unsigned char>(c)];
}

// A text's sort key, one part per level. Wine drops plain weights from the end of the
// accent and case parts; that cannot change an outcome here, because those parts hold
// one weight per primary weight and are only compared when the primary parts are equal.
struct SortKey {
    std::vector<uint8_t> primary;   // script and primary weight of each character
    std::vector<uint8_t> accents;
    std::vector<uint8_t> cases;
    std::vector<uint8_t> marks;     // four bytes per word mark
};

void AppendWeighted(SortKey& key, const CharWeights& w)
{
    key.primary.push_back(w.script);
    key.primary.push_back(w.primary);
    key.accents.push_back(w.accent);
    key.cases.push_back(w.caseWeight);
}

SortKey MakeSortKey(const std::string& text)
{
    SortKey key;
    for (char c : text) {
        if (c == '\0')
            break;
        const CharWeights& w = WeightsOf(c);
        switch (w.role) {
        case Role::Ignored:
            break;
        case Role::Weighted:
            AppendWeighted(key, w);
            break;
        case Role::TwoLetters:
            AppendWeighted(key, WeightsOf(w.first));
            AppendWeighted(key, WeightsOf(w.second));
            break;
        case Role::WordMark: {
            // Where the mark stands, as Wine records it: minus one, minus the number of
            // primary weights before it, in 16 bits, high byte first. A mark further
            // into the text therefore makes the smaller key.
            const auto where = static_cast<uint16_t>(-static_cast<int>(key.primary.size() / 2) - 1);
            key.marks.push_back(static_cast<uint8_t>(where >> 8));
            key.marks.push_back(static_cast<uint8_t>(where & 0xFF));
            key.marks.push_back(w.primary);
            key.marks.push_back(static_cast<uint8_t>(w.caseWeight | w.accent << 3));
            break;
        }
        }
    }
    return key;
}

// Byte by byte; a key that is a prefix of the other is the smaller.
int CompareLevel(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i)
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace

int CompareRowText(const std::string& a, const std::string& b)
{
    const SortKey ka = MakeSortKey(a);
    const SortKey kb = MakeSortKey(b);
    if (int order = CompareLevel(ka.primary, kb.primary))
        return order;
    if (int order = CompareLevel(ka.accents, kb.accents))
        return order;
    if (int order = CompareLevel(ka.cases, kb.cases))
        return order;
    return CompareLevel(ka.marks, kb.marks);
}

// The list box's own insertion search (LISTBOX_FindStringPos in Wine's user32): a
// binary search that stops at the first row it meets that compares equal and puts the
// new row before it, or else at the place where the search ends. Among equal rows a new
// one therefore lands wherever the search happens to probe, which depends on the number
// of rows: after "a" then "A" the list reads A a, and a third "a" goes first.
int32_t SimListControl::AddString(const std::string& text)
{
    if (m_refuseCount != 0) {
        if (m_refuseCount > 0)
            --m_refuseCount;
        return m_refuseResult;
    }
    Row row;
    row.text = text.c_str();
    int32_t low = 0;
    int32_t high = GetCount() - 1;
    int32_t at = -1;
    while (low <= high && at < 0) {
        const int32_t middle = (low + high) / 2;
        const int order = CompareRowText(m_rows[static_cast<size_t>(middle)].text, row.text);
        if (order == 0)
            at = middle;
        else if (order > 0)
            high = middle - 1;
        else
            low = middle + 1;
    }
    if (at < 0)
        at = low;
    m_rows.insert(m_rows.begin() + at, std::move(row));
    return at;
}

bool SimListControl::SetItemData(int32_t row, intptr_t data)
{
    // Wine refuses -1 like any other index that names no row (LB_ERR,
    // ERROR_INVALID_INDEX) and leaves every row's data alone.
    if (!IsRow(row))
        return false;
    m_rows[static_cast<size_t>(row)].data = data;
    return true;
}

intptr_t SimListControl::GetItemData(int32_t row) const
{
    return IsRow(row) ? m_rows[static_cast<size_t>(row)].data : -1;
}

std::string SimListControl::GetText(int32_t row) const
{
    return IsRow(row) ? m_rows[static_cast<size_t>(row)].text : std::string();
}

std::vector<std::string> SimListControl::Texts() const
{
    std::vector<std::string> texts;
    texts.reserve(m_rows.size());
    for (const Row& row : m_rows)
        texts.push_back(row.text);
    return texts;
}

void SimListControl::RefuseAdds(int32_t result, int32_t count)
{
    m_refuseResult = result;
    m_refuseCount = count;
}
