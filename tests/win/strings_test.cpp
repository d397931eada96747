// The resources of the built program, read from its file as a data module: the string
// table, the error-report template and the version.
#include "platform/win32/win32_platform.h"
#include "program_resources.h"
#include "support/expected_strings.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using wintest::DialogTemplate;
using wintest::IdsOf;
using wintest::Narrow;
using wintest::ResourceData;

class ProgramResources : public wintest::ProgramFileTest {
protected:
    std::map<uint32_t, std::string> StringTable() const { return wintest::ReadStringTable(Program()); }
};

TEST_F(ProgramResources, StringTableHoldsExactlyTheProgramsEntries)
{
    ASSERT_NE(Program(), nullptr) << wintest::ProgramExe();
    std::map<uint32_t, std::string> table = StringTable();

    // The script, compiled into this test program as into the program.
    EXPECT_EQ(table, wintest::ReadStringTable(GetModuleHandleA(nullptr)));
    for (const auto& [id, text] : FixedStrings()) {
        SCOPED_TRACE(id);
        EXPECT_EQ(table[id], text);
    }
    // Backslash, Docs, backslash: a resource compiler's escapes must not eat or double any.
    EXPECT_EQ(table[392].size(), 6u);
}

TEST_F(ProgramResources, PlatformReadsStringsFromTheResourceModule)
{
    ASSERT_NE(Program(), nullptr);
    wintest::ExpectPlatformReads(Program(), wintest::ReadStringTable(GetModuleHandleA(nullptr)));

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
    ASSERT_NE(Program(), nullptr);
    DialogTemplate dialog;
    ASSERT_TRUE(wintest::ReadDialogTemplate(Program(), 161, dialog));

    // No WS_SYSMENU: the report has no close box.
    EXPECT_EQ(dialog.style, static_cast<DWORD>(DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_VISIBLE |
                                               DS_SETFONT));
    EXPECT_EQ(dialog.cx, 300);
    EXPECT_EQ(dialog.cy, 134);
    wintest::ExpectProgramWindowLook(dialog, "");

    // The texts of controls 1157 to 1159 ("Message", "File and line", "System text")
    // are placeholders that the report replaces: not compared.
    const DWORD child = WS_CHILD | WS_VISIBLE;
    wintest::ExpectItemsEqual(dialog.items,
                              {
                                  {child | WS_TABSTOP | BS_DEFPUSHBUTTON, 240, 110, 50, 14, IDOK, "button", "OK"},
                                  {child | WS_DISABLED | SS_BITMAP | SS_REALSIZEIMAGE, 10, 10, 23, 23, -1, "static",
                                   "#153"},
                                  {child | WS_GROUP | SS_LEFT | SS_SUNKEN, 43, 10, 247, 40, 1157, "static", ""},
                                  {child | WS_GROUP | SS_LEFT, 10, 60, 280, 8, 1158, "static", ""},
                                  {child | WS_GROUP | SS_LEFT, 10, 80, 280, 18, 1159, "static", ""},
                                  {WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 10, 110, 50, 14, 2, "button", "Help"},
                              },
                              wintest::ItemExStyle::Unchecked);
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
    ASSERT_NE(Program(), nullptr);
    const ResourceData version =
        wintest::FindResourceData(Program(), 1, reinterpret_cast<LPCSTR>(RT_VERSION));
    ASSERT_TRUE(version);
    ASSERT_NO_FATAL_FAILURE(wintest::ExpectFixedVersion1081(version));
    EXPECT_EQ(VersionString(version.data, version.size, L"FileVersion"), "1.0.8.1");
    EXPECT_EQ(VersionString(version.data, version.size, L"ProductVersion"), "1.0.8.1");
    EXPECT_EQ(VersionString(version.data, version.size, L"ProductName"), "Kestrava");
}

}  // namespace
