// The profile list sources on the real platform: Wine's colour store with a profile
// whose name the ANSI code page (1252 in the test prefix) cannot hold.
#include "cms/CMSSupportEx.h"
#include "support/list_host_window.h"
#include "support/program_driver.h"
#include "support/recording_presenter.h"
#include "support/test_profiles.h"
#include "support/win_test_util.h"
#include "ui/profile_list_box.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The monitor window's list: sorted, owner-drawn, keeping its strings.
constexpr DWORD kListStyle =
    WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_SORT | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;

// Katakana and a right-to-left override: neither is in code page 1252.
const wchar_t* const kOddNames[] = {L"\u30D7\u30ED.icm", L"kv-\u202Eevil.icm"};

class WineProfileSourcesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(store.Valid());
        ASSERT_TRUE(list.SubclassWindow(host.List()));
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

    int32_t RowOf(const std::string& file) const
    {
        for (int32_t row = 0; row < list.GetCount(); ++row)
            if (list.GetFullPath(row) == store.PathOf(file))
                return row;
        return -1;
    }

    std::string Style(const std::string& file) const
    {
        const RowStyle style = list.Profiles().StyleOf(list.GetItemData(RowOf(file)));
        return std::string(style.bold ? "bold" : "regular") + (style.italic ? " italic" : "");
    }

    program::ColourStore store;
    RecordingPresenter recorder;
    ProfileListBox list;
    wintest::ListHostWindow host{kListStyle, 1000};   // after the list, so destroyed before it
};

TEST_F(WineProfileSourcesTest, OddlyNamedProfilesAreNamedOnceAndTheOthersListed)
{
    ASSERT_TRUE(store.Install(profiles::kValid));
    ASSERT_TRUE(store.Install(profiles::kMildNoCreator));
    const std::string source = wintest::ProfileDir() + "\\kv-valid.icm";
    for (const wchar_t* name : kOddNames)
        ASSERT_TRUE(CopyFileW(std::wstring(source.begin(), source.end()).c_str(), WidePath(name).c_str(), FALSE))
            << GetLastError();

    EXPECT_EQ(AddAllProfilesToList(nullptr, list.Profiles()), 0);
    ASSERT_GE(RowOf(profiles::kValid), 0);
    ASSERT_GE(RowOf(profiles::kMildNoCreator), 0);
    EXPECT_EQ(Style(profiles::kValid), "bold");
    EXPECT_EQ(Style(profiles::kMildNoCreator), "bold italic");

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
