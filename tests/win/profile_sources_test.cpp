// The profile list sources on the real platform: Wine's colour store with a profile
// whose name the ANSI code page (1252 in the test prefix) cannot hold.
#include "cms/CMSSupportEx.h"
#include "program_driver.h"
#include "recording_presenter.h"
#include "win_test_util.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Rows in the order they were added; enough for a list that is only read back.
class PlainListControl : public ListControl {
public:
    int32_t AddString(const std::string& text) override
    {
        m_rows.push_back({text, -1});
        return static_cast<int32_t>(m_rows.size() - 1);
    }
    bool SetItemData(int32_t row, intptr_t data) override
    {
        if (row < 0 || static_cast<size_t>(row) >= m_rows.size())
            return false;
        m_rows[static_cast<size_t>(row)].data = data;
        return true;
    }
    intptr_t GetItemData(int32_t row) const override
    {
        return row < 0 || static_cast<size_t>(row) >= m_rows.size() ? -1 : m_rows[static_cast<size_t>(row)].data;
    }
    int32_t GetCount() const override { return static_cast<int32_t>(m_rows.size()); }
    void ResetContent() override { m_rows.clear(); }

    int32_t RowOf(const std::string& text) const
    {
        for (size_t row = 0; row < m_rows.size(); ++row)
            if (m_rows[row].text == text)
                return static_cast<int32_t>(row);
        return -1;
    }

private:
    struct Row {
        std::string text;
        intptr_t data;
    };
    std::vector<Row> m_rows;
};

// Katakana and a right-to-left override: neither is in code page 1252.
const wchar_t* const kOddNames[] = {L"\u30D7\u30ED.icm", L"kv-\u202Eevil.icm"};

class WineProfileSourcesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(store.Valid());
        store.RestoreParked();
        RemoveOddProfiles();
        store.RemoveTestProfiles();
    }

    void TearDown() override
    {
        RemoveOddProfiles();
        store.RemoveTestProfiles();
    }

    std::wstring WidePath(const std::wstring& name) const
    {
        const std::string directory = store.PathOf("");
        return std::wstring(directory.begin(), directory.end()) + name;
    }

    void RemoveOddProfiles()
    {
        for (const wchar_t* name : kOddNames)
            DeleteFileW(WidePath(name).c_str());
    }

    std::string Style(int32_t row) const
    {
        const RowStyle style = list.StyleOf(control.GetItemData(row));
        return std::string(style.bold ? "bold" : "regular") + (style.italic ? " italic" : "");
    }

    program::ColourStore store;
    RecordingPresenter recorder;
    PlainListControl control;
    ProfileList list{control};
};

TEST_F(WineProfileSourcesTest, OddlyNamedProfilesAreNamedOnceAndTheOthersListed)
{
    ASSERT_TRUE(store.Install("kv-valid.icm"));
    ASSERT_TRUE(store.Install("kv-mild-notcpt.icm"));
    const std::string source = wintest::ProfileDir() + "\\kv-valid.icm";
    for (const wchar_t* name : kOddNames)
        ASSERT_TRUE(CopyFileW(std::wstring(source.begin(), source.end()).c_str(), WidePath(name).c_str(), FALSE))
            << GetLastError();

    EXPECT_EQ(AddAllProfilesToList(nullptr, list), 0);
    ASSERT_GE(control.RowOf("kv-valid"), 0);
    ASSERT_GE(control.RowOf("kv-mild-notcpt"), 0);
    EXPECT_EQ(Style(control.RowOf("kv-valid")), "bold");
    EXPECT_EQ(Style(control.RowOf("kv-mild-notcpt")), "bold italic");
    EXPECT_EQ(list.GetFullPath(control.RowOf("kv-valid")), store.PathOf("kv-valid.icm"));

    // Wine's own A enumeration passes over the override silently; the katakana name
    // makes it fail, and the W list the program falls back on has both.
    ASSERT_EQ(recorder.reports.size(), 1u);
    const std::string& message = recorder.reports[0].messageText;
    EXPECT_EQ(message.rfind("AddAllProfilesToList (WideCharToMultiByte) [", 0), 0u) << message;
    EXPECT_NE(message.find(store.PathOf("<U+30D7><U+30ED>.icm")), std::string::npos) << message;
    EXPECT_NE(message.find(store.PathOf("kv-<U+202E>evil.icm")), std::string::npos) << message;
    EXPECT_EQ(recorder.reports[0].fileLineText, "Error 1113 (CMSSupportEx 245)");
}

}  // namespace
