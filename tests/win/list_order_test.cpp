// The real sorted list box, against the order in tests/list_order_names.h that the host
// tests hold the list box stand-in (tests/sim/sim_list_control.h) to. A change in Wine's
// collation or list box shows up here first.
#include "support/list_order_names.h"
#include "support/win_test_util.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

// The profile list's style in the program's dialog.
constexpr DWORD kProfileListStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_BORDER | WS_GROUP |
                                    WS_TABSTOP | LBS_NOTIFY | LBS_SORT | LBS_OWNERDRAWFIXED |
                                    LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT;
static_assert(kProfileListStyle == 0x50A30153);

class ListBoxOrder : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The parent stays hidden, so the list box is never on screen; its owner-draw
        // messages go to a static control, which ignores them.
        m_parent.Reset(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 400, nullptr, nullptr,
                                       GetModuleHandleA(nullptr), nullptr));
        ASSERT_TRUE(m_parent);
        NewList();
    }

    void NewList()
    {
        m_list.Reset(CreateWindowExA(0, "LISTBOX", "", kProfileListStyle, 0, 0, 200, 300, m_parent.Get(),
                                     reinterpret_cast<HMENU>(100), GetModuleHandleA(nullptr), nullptr));
        ASSERT_TRUE(m_list);
        SendMessageA(m_list.Get(), WM_SETREDRAW, FALSE, 0);
    }

    LRESULT Send(UINT message, WPARAM wp, LPARAM lp) { return SendMessageA(m_list.Get(), message, wp, lp); }

    int32_t Add(const std::string& text)
    {
        return static_cast<int32_t>(Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }

    std::string Text(int32_t row)
    {
        const LRESULT length = Send(LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
        if (length < 0)
            return "(no row " + std::to_string(row) + ")";
        std::string text(static_cast<size_t>(length) + 1, '\0');
        const LRESULT copied = Send(LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data()));
        text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
        return text;
    }

    std::vector<std::string> Texts()
    {
        std::vector<std::string> texts;
        const auto count = static_cast<int32_t>(Send(LB_GETCOUNT, 0, 0));
        for (int32_t row = 0; row < count; ++row)
            texts.push_back(Text(row));
        return texts;
    }

    wintest::WindowOwner m_parent;
    wintest::WindowOwner m_list;   // declared last, so destroyed before its parent
};

}  // namespace

// The measured order holds for this code page and locale only.
TEST(ListBoxOrderSetting, CodePageAndLocaleAreTheMeasuredOnes)
{
    EXPECT_EQ(GetACP(), 1252u);
    EXPECT_EQ(GetUserDefaultLCID(), static_cast<LCID>(0x0409));
}

// The list box compares rows with CompareString (NORM_IGNORECASE) in the user locale;
// the names marked as ties must be exactly those it holds equal.
TEST(ListBoxOrderSetting, TiedNamesAreTheOnesCompareStringHoldsEqual)
{
    const std::vector<listorder::SortedName> sorted = listorder::SortedNames();
    for (size_t i = 1; i < sorted.size(); ++i) {
        const std::string& before = sorted[i - 1].text;
        const std::string& name = sorted[i].text;
        const int result = CompareStringA(GetUserDefaultLCID(), NORM_IGNORECASE, before.c_str(), -1, name.c_str(), -1);
        EXPECT_EQ(result, sorted[i].tiesWithPrevious ? CSTR_EQUAL : CSTR_LESS_THAN) << '"' << before << "\" then \"" << name << '"';
    }
}

TEST_F(ListBoxOrder, SortsTheCorpusAsMeasured)
{
    for (uint32_t order : listorder::kInsertionOrders) {
        SCOPED_TRACE("insertion order " + std::to_string(order));
        NewList();
        for (const std::string& text : listorder::InsertionOrder(order)) {
            const int32_t row = Add(text);
            ASSERT_GE(row, 0) << text;
            EXPECT_EQ(Text(row), text);   // the returned position holds the new row
        }
        EXPECT_EQ(listorder::WithTiesSorted(Texts()), listorder::WithTiesSorted(listorder::SortedTexts()));
    }
}

TEST_F(ListBoxOrder, PutsEqualRowsWhereItsSearchFirstMeetsOne)
{
    for (const listorder::TieCase& tie : listorder::TieCases()) {
        NewList();
        std::vector<int32_t> positions;
        for (const std::string& text : tie.added)
            positions.push_back(Add(text));
        EXPECT_EQ(positions, tie.positions) << "first added: " << tie.added.front();
        EXPECT_EQ(Texts(), tie.rows) << "first added: " << tie.added.front();
    }
}

// What the stand-in assumes about item data: a new row carries 0, data moves with its
// row, and row -1 is refused like any other missing row.
TEST_F(ListBoxOrder, ItemDataBelongsToItsRow)
{
    ASSERT_EQ(Add("m"), 0);
    EXPECT_EQ(Send(LB_GETITEMDATA, 0, 0), 0);
    ASSERT_NE(Send(LB_SETITEMDATA, 0, 7), LB_ERR);
    ASSERT_EQ(Add("a"), 0);
    ASSERT_EQ(Add("z"), 2);
    EXPECT_EQ(Send(LB_GETITEMDATA, 1, 0), 7);

    SetLastError(0xfaceabee);
    EXPECT_EQ(Send(LB_SETITEMDATA, static_cast<WPARAM>(-1), 9), LB_ERR);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
    EXPECT_EQ(Send(LB_GETITEMDATA, 0, 0), 0);
    EXPECT_EQ(Send(LB_GETITEMDATA, 1, 0), 7);
    EXPECT_EQ(Send(LB_GETITEMDATA, 2, 0), 0);
    EXPECT_EQ(Send(LB_SETITEMDATA, 3, 9), LB_ERR);
    EXPECT_EQ(Send(LB_GETITEMDATA, 3, 0), LB_ERR);
}
