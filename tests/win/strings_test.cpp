// The resources of the built program, read from its file as a data module: the string
// table, the error-report template and the version.
#include "expected_strings.h"
#include "platform/win32_platform.h"
#include "resource_reader.h"
#include "win_test_util.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using wintest::DialogItem;
using wintest::DialogTemplate;
using wintest::Narrow;
using wintest::TemplateReader;

class ProgramResources : public testing::Test {
protected:
    ProgramResources()
        : m_module(LoadLibraryExA(wintest::ProgramExe().c_str(), nullptr,
                                  LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE))
    {
    }

    HMODULE Module() const { return m_module.Get(); }

    std::map<uint32_t, std::string> StringTable() const { return wintest::ReadStringTable(Module()); }

    wintest::ModuleOwner m_module;
};

TEST_F(ProgramResources, StringTableHoldsExactlyTheProgramsEntries)
{
    ASSERT_NE(Module(), nullptr) << wintest::ProgramExe();
    std::map<uint32_t, std::string> table = StringTable();

    std::set<uint32_t> ids;
    for (const auto& entry : table)
        ids.insert(entry.first);
    std::set<uint32_t> expectedIds;
    for (const auto& [id, text] : ExpectedStringTable())
        expectedIds.insert(id);
    EXPECT_EQ(ids, expectedIds);

    for (const auto& [id, text] : ExpectedStringTable()) {
        SCOPED_TRACE(id);
        EXPECT_EQ(table[id], text);
    }
    // Backslash, Docs, backslash: a resource compiler's escapes must not eat or double any.
    EXPECT_EQ(table[392].size(), 6u);
}

TEST_F(ProgramResources, PlatformReadsStringsFromTheResourceModule)
{
    ASSERT_NE(Module(), nullptr);
    Win32Platform platform;
    platform.SetResourceModule(Module());
    for (const auto& [id, text] : ExpectedStringTable()) {
        SCOPED_TRACE(id);
        std::string loaded = "stale";
        EXPECT_TRUE(platform.LoadResourceString(id, loaded));
        EXPECT_EQ(loaded, text);
    }
    std::string missing = "stale";
    EXPECT_FALSE(platform.LoadResourceString(499, missing));
    EXPECT_EQ(missing, "");

    // Without a resource module the program's own resources serve; the test program
    // carries the same script.
    Win32Platform own;
    std::string docs;
    EXPECT_TRUE(own.LoadResourceString(392, docs));
    EXPECT_EQ(docs, "\\Docs\\");
}

// ---- Dialog templates ----

TEST_F(ProgramResources, ErrorReportTemplateIsAsDesigned)
{
    ASSERT_NE(Module(), nullptr);
    HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(161), reinterpret_cast<LPCSTR>(RT_DIALOG));
    ASSERT_NE(found, nullptr);
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(Module(), found)));
    ASSERT_NE(data, nullptr);
    DialogTemplate dialog;
    ASSERT_TRUE(TemplateReader(data, SizeofResource(Module(), found)).Read(dialog));

    // No WS_SYSMENU: the report has no close box.
    EXPECT_EQ(dialog.style, static_cast<DWORD>(DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_VISIBLE |
                                               DS_SETFONT));
    EXPECT_EQ(dialog.cx, 300);
    EXPECT_EQ(dialog.cy, 134);
    EXPECT_EQ(dialog.menu, "");
    EXPECT_EQ(dialog.className, "");
    EXPECT_EQ(dialog.caption, "Kestrava");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.font, "MS Sans Serif");

    const DWORD child = WS_CHILD | WS_VISIBLE;
    const std::vector<DialogItem> expected = {
        {child | WS_TABSTOP | BS_DEFPUSHBUTTON, 240, 110, 50, 14, IDOK, "button", "OK"},
        {child | WS_DISABLED | SS_BITMAP | SS_REALSIZEIMAGE, 10, 10, 23, 23, -1, "static", "#153"},
        {child | WS_GROUP | SS_LEFT | SS_SUNKEN, 43, 10, 247, 40, 1157, "static", "Message"},
        {child | WS_GROUP | SS_LEFT, 10, 60, 280, 8, 1158, "static", "File and line"},
        {child | WS_GROUP | SS_LEFT, 10, 80, 280, 18, 1159, "static", "System text"},
        {WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 10, 110, 50, 14, 2, "button", "Help"},
    };
    ASSERT_EQ(dialog.items.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const DialogItem& want = expected[i];
        const DialogItem& got = dialog.items[i];
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.className, want.className);
        EXPECT_EQ(got.style, want.style);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
        // The static texts are placeholders that the report replaces.
        if (want.className == "button" || want.id == -1) {
            EXPECT_EQ(got.text, want.text);
        }
    }
}

// ---- Version ----

// The text value of a version key: the key as UTF-16 with its NUL, then padding to a
// 4-byte boundary of the resource, then the value.
std::string VersionString(const BYTE* data, size_t size, const std::wstring& key)
{
    const size_t keyBytes = (key.size() + 1) * sizeof(wchar_t);
    for (size_t pos = 0; pos + keyBytes <= size; pos += 2) {
        if (std::memcmp(data + pos, key.c_str(), keyBytes) != 0)
            continue;
        std::wstring value;
        for (size_t at = (pos + keyBytes + 3) & ~size_t(3); at + 2 <= size; at += 2) {
            wchar_t c = 0;
            std::memcpy(&c, data + at, 2);
            if (c == 0)
                break;
            value.push_back(c);
        }
        return Narrow(value.c_str(), static_cast<int>(value.size()));
    }
    return {};
}

TEST_F(ProgramResources, VersionIs1081)
{
    ASSERT_NE(Module(), nullptr);
    HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(1), reinterpret_cast<LPCSTR>(RT_VERSION));
    ASSERT_NE(found, nullptr);
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(Module(), found)));
    ASSERT_NE(data, nullptr);
    const size_t size = SizeofResource(Module(), found);

    // The fixed part follows the root's 6-byte header and its key L"VS_VERSION_INFO".
    VS_FIXEDFILEINFO fixed{};
    ASSERT_GE(size, 40 + sizeof(fixed));
    std::memcpy(&fixed, data + 40, sizeof(fixed));
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00080001u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0x00080001u);
    EXPECT_EQ(VersionString(data, size, L"FileVersion"), "1.0.8.1");
    EXPECT_EQ(VersionString(data, size, L"ProductVersion"), "1.0.8.1");
    EXPECT_EQ(VersionString(data, size, L"ProductName"), "Kestrava");
}

}  // namespace
