#include "cms/profile_list.h"
#include "report/mbstring.h"
#include "ui/row_description.h"

#include "support/host_test.h"
#include "sim/sim_list_control.h"

#include <set>
#include <string>

namespace {

// A control that refuses the rows it is told to, keeping the others in insertion order.
class RefusingControl : public ListControl {
public:
    int32_t AddString(const std::string& text) override
    {
        if (text == "refused")
            return -2;
        rows.push_back({text, 0});
        return static_cast<int32_t>(rows.size()) - 1;
    }
    bool SetItemData(int32_t row, intptr_t data) override
    {
        if (row < 0) {
            for (auto& r : rows)   // would touch every row: it must never be asked
                r.second = data;
            return true;
        }
        rows.at(static_cast<size_t>(row)).second = data;
        return true;
    }
    intptr_t GetItemData(int32_t row) const override
    {
        return row >= 0 && row < GetCount() ? rows[static_cast<size_t>(row)].second : -1;
    }
    int32_t GetCount() const override { return static_cast<int32_t>(rows.size()); }
    void ResetContent() override { rows.clear(); }

    std::vector<std::pair<std::string, intptr_t>> rows;
};

class ProfileListTest : public HostTest {
protected:
    SimListControl control;
    ProfileList list{control};

    RowStyle StyleOfRow(int32_t row) const { return list.StyleOf(control.GetItemData(row)); }
    int32_t RowOf(const std::string& text) const
    {
        for (int32_t row = 0; row < control.GetCount(); ++row)
            if (control.GetText(row) == text)
                return row;
        return -1;
    }
};

TEST_F(ProfileListTest, RowsShowFileNamesAndKeepTheirPathsWhateverTheOrder)
{
    list.AddProfile("C:\\color\\zeta.icm");
    list.AddProfile("C:\\color\\Alpha.icc");
    list.AddProfile("D:/other/mid.dle.icm");
    ASSERT_EQ(list.GetCount(), 3);
    for (int32_t row = 0; row < 3; ++row) {
        std::string fileName;
        SplitPath(list.GetFullPath(row).c_str(), &fileName, nullptr);
        EXPECT_EQ(control.GetText(row), fileName);
    }
    EXPECT_EQ(list.GetFullPath(RowOf("Alpha")), "C:\\color\\Alpha.icc");
    EXPECT_EQ(list.GetFullPath(RowOf("mid.dle")), "D:/other/mid.dle.icm");
}

TEST_F(ProfileListTest, SameNameWithOtherExtensionsKeepsPathsAndFlagsApart)
{
    list.AddProfile("C:\\c\\same.icm");
    list.AddProfile("C:\\c\\same.icc");
    ASSERT_EQ(control.GetText(0), control.GetText(1));
    for (int32_t row = 0; row < 2; ++row) {
        const bool icm = list.GetFullPath(row) == "C:\\c\\same.icm";
        list.SetVcgtFlag(row, icm ? 1 : 0);
        list.SetCreatorFlag(row, 1);
    }
    for (int32_t row = 0; row < 2; ++row)
        EXPECT_EQ(StyleOfRow(row).bold, list.GetFullPath(row) == "C:\\c\\same.icm");
}

TEST_F(ProfileListTest, FlagsGiveTheFourStyles)
{
    const char* names[] = {"both", "vcgtOnly", "creatorOnly", "neither"};
    for (const char* name : names)
        list.AddProfile(std::string("C:\\c\\") + name + ".icm");
    list.SetVcgtFlag(RowOf("both"), 1);
    list.SetCreatorFlag(RowOf("both"), 1);
    list.SetVcgtFlag(RowOf("vcgtOnly"), 1);
    list.SetCreatorFlag(RowOf("vcgtOnly"), 0);
    list.SetVcgtFlag(RowOf("creatorOnly"), 0);
    list.SetCreatorFlag(RowOf("creatorOnly"), 1);
    list.SetVcgtFlag(RowOf("neither"), 0);
    list.SetCreatorFlag(RowOf("neither"), 0);

    EXPECT_TRUE(StyleOfRow(RowOf("both")).bold);
    EXPECT_FALSE(StyleOfRow(RowOf("both")).italic);
    EXPECT_TRUE(StyleOfRow(RowOf("vcgtOnly")).bold);
    EXPECT_TRUE(StyleOfRow(RowOf("vcgtOnly")).italic);
    EXPECT_FALSE(StyleOfRow(RowOf("creatorOnly")).bold);
    EXPECT_FALSE(StyleOfRow(RowOf("creatorOnly")).italic);
    EXPECT_FALSE(StyleOfRow(RowOf("neither")).bold);
    EXPECT_TRUE(StyleOfRow(RowOf("neither")).italic);
}

TEST_F(ProfileListTest, EachStyleIsDescribedApartAndTheVerdictFollows)
{
    std::set<std::string> described;
    for (const bool bold : {false, true})
        for (const bool italic : {false, true}) {
            const std::string text = DescribeRow(RowStyle{bold, italic}, "VERDICT");
            EXPECT_TRUE(described.insert(text).second) << text;
            EXPECT_EQ(text.rfind(" VERDICT"), text.size() - 8) << text;
            EXPECT_EQ(DescribeRow(RowStyle{bold, italic}, ""), text.substr(0, text.size() - 8));
        }
}

TEST_F(ProfileListTest, UnsetCreatorFlagIsItalicOnlyWhenALaterProfileHasOne)
{
    list.AddProfile("C:\\c\\first.icm");    // stored index 0, flags never set
    list.AddProfile("C:\\c\\second.icm");   // stored index 1
    EXPECT_FALSE(StyleOfRow(RowOf("first")).italic);
    EXPECT_FALSE(StyleOfRow(RowOf("first")).bold);

    list.SetCreatorFlag(RowOf("second"), 1);
    list.SetVcgtFlag(RowOf("second"), 1);
    EXPECT_TRUE(StyleOfRow(RowOf("first")).italic);
    EXPECT_FALSE(StyleOfRow(RowOf("first")).bold);
    EXPECT_FALSE(StyleOfRow(RowOf("second")).italic);
}

TEST_F(ProfileListTest, ResetEmptiesEverythingAndStartsIndicesAgain)
{
    list.AddProfile("C:\\c\\a.icm");
    list.AddProfile("C:\\c\\b.icm");
    list.SetCreatorFlag(0, 1);
    list.ResetProfiles();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetFullPath(0), "");
    EXPECT_FALSE(list.StyleOf(1).italic);   // the flag arrays are gone too

    list.AddProfile("C:\\c\\c.icm");
    EXPECT_EQ(control.GetItemData(0), 0);
}

TEST_F(ProfileListTest, RowsThatNameNoRowAreIgnored)
{
    list.AddProfile("C:\\c\\a.icm");
    list.SetVcgtFlag(5, 1);
    list.SetCreatorFlag(-1, 1);
    EXPECT_EQ(list.GetFullPath(5), "");
    EXPECT_FALSE(StyleOfRow(0).bold);
    EXPECT_FALSE(StyleOfRow(0).italic);
}

TEST_F(ProfileListTest, LongFileNamesAreCutToTheRowLimit)
{
    const std::string name(1000, 'n');
    list.AddProfile("C:\\c\\" + name + ".icm");
    EXPECT_EQ(control.GetText(0), name.substr(0, 255));
    EXPECT_EQ(list.GetFullPath(0), "C:\\c\\" + name + ".icm");
}

TEST(ProfileListRefusal, RefusedRowKeepsNoPathAndLeavesOtherRowsAlone)
{
    SimScope scope;
    RefusingControl control;
    ProfileList list(control);
    list.AddProfile("C:\\c\\kept.icm");
    EXPECT_EQ(list.AddProfile("C:\\c\\refused.icm"), -2);
    list.AddProfile("C:\\c\\later.icm");
    EXPECT_EQ(control.rows[0].second, 0);
    EXPECT_EQ(list.GetFullPath(0), "C:\\c\\kept.icm");
    EXPECT_EQ(list.GetFullPath(1), "C:\\c\\later.icm");
}

}  // namespace
