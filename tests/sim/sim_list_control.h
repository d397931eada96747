// A stand-in for the sorted profile list box, for the host tests. It keeps its rows in
// the order the real control keeps them under Wine, so a test can reason about row
// positions exactly as the program will meet them.
#pragma once

#include "cms/profile_list.h"

#include <cstdint>
#include <string>
#include <vector>

// Compares two row texts as the sorted list box does (LBS_SORT with LBS_HASSTRINGS:
// CompareStringW(user locale, NORM_IGNORECASE) on the texts converted from the ANSI code
// page). Returns a negative number, zero or a positive number as a sorts before, equal to
// or after b. It reproduces Wine 8's collation for code page 1252 and the en-US locale,
// level by level:
//  1. Letters, digits and symbols by their base weight, ignoring accents and case:
//     whitespace, punctuation and currency signs, then + < = > and the other maths
//     signs, then the other symbols, digits, letters. Digits compare one by one, so
//     "kv10" < "kv2"; "e" = "é" at this level.
//     æ, œ, ß and þ count as the two letters ae, oe, ss, th. A text that is a prefix
//     of the other sorts first.
//  2. Accents, from the first letter on: none before acute < grave < circumflex <
//     diaeresis < caron < tilde < ring < cedilla < stroke, so "resume" < "resumé" <
//     "résume" < "résumé"; ª and º come after a and o here.
//  3. Case is ignored: only ¹ ² ³ come after 1 2 3 here.
//  4. The hyphen, apostrophe, en and em dashes and most control characters take no
//     part above ("co-op" ties with "coop" until here). Now a text without them sorts
//     first; otherwise they are compared one by one, from the first: one with more
//     letters before it sorts before one with fewer, then control characters <
//     apostrophe < hyphen < en dash < em dash.
// The soft hyphen counts nowhere. Texts equal at every level compare equal, and the
// control then keeps them in an order that depends on when each was added.
int CompareRowText(const std::string& a, const std::string& b);

class SimListControl : public ListControl {
public:
    // Inserts the row where the control would (see AddString in the .cpp) and returns
    // its position; a refused row (see RefuseAdds) leaves the rows as they were. Like the
    // control, which gets a C string, it keeps the text up to its first NUL.
    int32_t AddString(const std::string& text) override;
    bool SetItemData(int32_t row, intptr_t data) override;
    intptr_t GetItemData(int32_t row) const override;
    int32_t GetCount() const override { return static_cast<int32_t>(m_rows.size()); }
    void ResetContent() override { m_rows.clear(); }

    // The text of a row; empty for a row that names no row.
    std::string GetText(int32_t row) const;
    // Every row's text, top to bottom.
    std::vector<std::string> Texts() const;

    // The next count calls to AddString refuse their row and return result, as the list
    // box does with LB_ERR (-1) or LB_ERRSPACE (-2); a negative count refuses every call
    // from now on. A count of 0 accepts rows again.
    void RefuseAdds(int32_t result, int32_t count = 1);

private:
    struct Row {
        std::string text;
        intptr_t data = 0;
    };

    bool IsRow(int32_t row) const { return row >= 0 && row < GetCount(); }

    std::vector<Row> m_rows;
    int32_t m_refuseResult = -1;
    int32_t m_refuseCount = 0;
};
