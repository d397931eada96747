// The list box stand-in against the order measured on the real control under Wine
// (tests/support/list_order_names.h, which the Windows tests check against the control
// itself).
#include "sim/sim_list_control.h"
#include "support/list_order_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

int Sign(int value) { return (value > 0) - (value < 0); }

// Which run of tied names each entry of the sorted list belongs to.
std::vector<size_t> TieGroups(const std::vector<listorder::SortedName>& sorted)
{
    std::vector<size_t> groups;
    size_t group = 0;
    for (size_t i = 0; i < sorted.size(); ++i) {
        if (i > 0 && !sorted[i].tiesWithPrevious)
            ++group;
        groups.push_back(group);
    }
    return groups;
}

// Adds texts one by one, checking that each returned position holds the new row.
void AddAll(SimListControl& control, const std::vector<std::string>& texts)
{
    for (const std::string& text : texts) {
        const int32_t count = control.GetCount();
        const int32_t row = control.AddString(text);
        ASSERT_GE(row, 0) << text;
        EXPECT_EQ(control.GetCount(), count + 1);
        EXPECT_EQ(control.GetText(row), text);
    }
}

}  // namespace

// Every pair of the measured list, both ways round: a pair the control keeps apart must
// compare in list order, a tied pair equal. This pins the comparison at each level, and
// that it is a consistent order at all.
TEST(RowTextOrder, AgreesWithEveryPairOfTheMeasuredList)
{
    const std::vector<listorder::SortedName> sorted = listorder::SortedNames();
    const std::vector<size_t> groups = TieGroups(sorted);
    for (size_t i = 0; i < sorted.size(); ++i) {
        for (size_t j = i; j < sorted.size(); ++j) {
            const int expected = groups[i] == groups[j] ? 0 : -1;
            const std::string& a = sorted[i].text;
            const std::string& b = sorted[j].text;
            EXPECT_EQ(Sign(CompareRowText(a, b)), expected) << '"' << a << "\" against \"" << b << '"';
            EXPECT_EQ(Sign(CompareRowText(b, a)), -expected) << '"' << b << "\" against \"" << a << '"';
        }
    }
}

TEST(RowTextOrder, StopsAtTheFirstNul)
{
    // The control is handed a C string, so nothing after a NUL can count.
    EXPECT_EQ(CompareRowText(std::string("ab\0z", 4), "ab"), 0);
    EXPECT_LT(CompareRowText(std::string("ab\0z", 4), "ac"), 0);
}

TEST(SimListOrder, SortsTheCorpusWhateverTheInsertionOrder)
{
    for (uint32_t order : listorder::kInsertionOrders) {
        SCOPED_TRACE("insertion order " + std::to_string(order));
        SimListControl control;
        AddAll(control, listorder::InsertionOrder(order));
        EXPECT_EQ(listorder::WithTiesSorted(control.Texts()), listorder::WithTiesSorted(listorder::SortedTexts()));
    }
}

// Equal rows land where the control's binary search first meets an equal row, so the
// positions, and the final order of the tied rows, follow the measured ones exactly.
TEST(SimListOrder, PutsEqualRowsWhereTheControlDoes)
{
    for (const listorder::TieCase& tie : listorder::TieCases()) {
        SimListControl control;
        std::vector<int32_t> positions;
        for (const std::string& text : tie.added)
            positions.push_back(control.AddString(text));
        EXPECT_EQ(positions, tie.positions) << "first added: " << tie.added.front();
        EXPECT_EQ(control.Texts(), tie.rows) << "first added: " << tie.added.front();
    }
}

TEST(SimListOrder, KeepsTextUpToTheFirstNul)
{
    SimListControl control;
    AddAll(control, {"b", "d"});
    EXPECT_EQ(control.AddString(std::string("c\0a", 3)), 1);
    EXPECT_EQ(control.GetText(1), "c");
}

// Item data belongs to its row: rows added in front move it along, as in the control.
TEST(SimListControl, ItemDataMovesWithItsRow)
{
    SimListControl control;
    ASSERT_EQ(control.AddString("m"), 0);
    EXPECT_EQ(control.GetItemData(0), 0);   // a new row carries 0
    ASSERT_TRUE(control.SetItemData(0, 7));
    ASSERT_EQ(control.AddString("a"), 0);
    ASSERT_EQ(control.AddString("z"), 2);
    EXPECT_EQ(control.GetItemData(0), 0);
    EXPECT_EQ(control.GetItemData(1), 7);
    EXPECT_EQ(control.GetItemData(2), 0);
}

TEST(SimListControl, RowsOutsideTheListAreRefused)
{
    SimListControl control;
    AddAll(control, {"a", "b"});
    ASSERT_TRUE(control.SetItemData(0, 5));
    ASSERT_TRUE(control.SetItemData(1, 6));

    // Wine refuses row -1 like any other missing row and leaves every row alone.
    EXPECT_FALSE(control.SetItemData(-1, 9));
    EXPECT_FALSE(control.SetItemData(2, 9));
    EXPECT_EQ(control.GetItemData(0), 5);
    EXPECT_EQ(control.GetItemData(1), 6);
    EXPECT_EQ(control.GetItemData(-1), -1);
    EXPECT_EQ(control.GetItemData(2), -1);
    EXPECT_EQ(control.GetText(-1), "");
    EXPECT_EQ(control.GetText(2), "");

    control.ResetContent();
    EXPECT_EQ(control.GetCount(), 0);
    EXPECT_EQ(control.GetItemData(0), -1);
}

TEST(SimListControl, RefusedRowsLeaveTheListAlone)
{
    SimListControl control;
    AddAll(control, {"b"});

    control.RefuseAdds(-2);
    EXPECT_EQ(control.AddString("a"), -2);
    EXPECT_EQ(control.Texts(), std::vector<std::string>{"b"});
    EXPECT_EQ(control.AddString("a"), 0);   // only the next one was refused

    control.RefuseAdds(-1, 2);
    EXPECT_EQ(control.AddString("c"), -1);
    EXPECT_EQ(control.AddString("c"), -1);
    EXPECT_EQ(control.AddString("c"), 2);

    control.RefuseAdds(-2, -1);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(control.AddString("d"), -2);
    control.RefuseAdds(-2, 0);
    EXPECT_EQ(control.AddString("d"), 3);
    EXPECT_EQ(control.Texts(), (std::vector<std::string>{"a", "b", "c", "d"}));
}
