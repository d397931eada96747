// What the tests of the program's resources share: the built program loaded as a data
// file, and checks for what its dialog templates, string table and version resource
// must hold wherever they are read from.
#pragma once

#include "fw/app.h"
#include "platform/win32/win32_platform.h"
#include "resource_reader.h"
#include "support/win_test_util.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace wintest {

// A fixture with the built program loaded as a data file; Program() is null when it
// could not be loaded, which each test asserts first.
class ProgramFileTest : public testing::Test {
protected:
    ProgramFileTest() : m_program(LoadAsDataFile(ProgramExe())) {}
    HMODULE Program() const { return m_program.Get(); }

private:
    ModuleOwner m_program;
};

// Makes a module the resource module of the window layer and of the platform while
// the object lives, as the program does with a resource library.
class ResourceModuleScope {
public:
    explicit ResourceModuleScope(HMODULE module) : m_platform(dynamic_cast<Win32Platform*>(&Sys())) { Set(module); }
    ~ResourceModuleScope() { Set(nullptr); }
    ResourceModuleScope(const ResourceModuleScope&) = delete;
    ResourceModuleScope& operator=(const ResourceModuleScope&) = delete;

private:
    void Set(HMODULE module)
    {
        fw::App::Current()->SetResourceModule(module);
        if (m_platform)
            m_platform->SetResourceModule(module);
    }

    Win32Platform* m_platform;
};

// A UTF-8 text in the ANSI code page, as the program's ANSI functions read it.
inline std::string AnsiOf(const std::string& utf8)
{
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(units > 0 ? units : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), units);
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), units, ansi.data(), bytes, nullptr, nullptr);
    return ansi;
}

// Reads each (id, text) entry of table (UTF-8, as ReadStringTable gives it) through the
// platform with module as its resource module, where it reads in the ANSI code page; and
// an id no module has (499), which is refused and leaves nothing.
template <typename Table>
void ExpectPlatformReads(HMODULE module, const Table& table)
{
    Win32Platform platform;
    platform.SetResourceModule(module);
    for (const auto& [id, text] : table) {
        SCOPED_TRACE(id);
        std::string loaded = "stale";
        EXPECT_TRUE(platform.LoadResourceString(id, loaded));
        EXPECT_EQ(loaded, AnsiOf(text));
    }
    std::string missing = "stale";
    EXPECT_FALSE(platform.LoadResourceString(499, missing));
    EXPECT_EQ(missing, "");
}

// The look every window of the program has: its menu, no window class of its own,
// the program's name as caption and 8-point MS Sans Serif.
inline void ExpectProgramWindowLook(const DialogTemplate& dialog, const std::string& menu)
{
    EXPECT_EQ(dialog.menu, menu);
    EXPECT_EQ(dialog.className, "");
    EXPECT_EQ(dialog.caption, "Kestrava");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.font, "MS Sans Serif");
}

// Whether ExpectItemsEqual also requires each control to have no extended style.
enum class ItemExStyle { Unchecked, None };

// A template's controls against the expected ones, in template order: id, class,
// style, place and size, and the text where one is expected (an empty one is not
// compared: translated texts, or placeholders the window replaces).
inline void ExpectItemsEqual(const std::vector<DialogItem>& got, const std::vector<DialogItem>& want,
                             ItemExStyle exStyle = ItemExStyle::None)
{
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE("item " + std::to_string(i));
        EXPECT_EQ(got[i].id, want[i].id);
        EXPECT_EQ(got[i].className, want[i].className);
        EXPECT_EQ(got[i].style, want[i].style) << std::hex << got[i].style << " != " << want[i].style;
        if (exStyle == ItemExStyle::None) {
            EXPECT_EQ(got[i].exStyle, 0u);
        }
        EXPECT_EQ(got[i].x, want[i].x);
        EXPECT_EQ(got[i].y, want[i].y);
        EXPECT_EQ(got[i].cx, want[i].cx);
        EXPECT_EQ(got[i].cy, want[i].cy);
        if (!want[i].text.empty()) {
            EXPECT_EQ(got[i].text, want[i].text);
        }
    }
}

// The ids of a string table, read or expected: anything holding (id, text) pairs.
template <typename Table>
std::set<uint32_t> IdsOf(const Table& table)
{
    std::set<uint32_t> ids;
    for (const auto& entry : table)
        ids.insert(entry.first);
    return ids;
}

// The fixed part of a version resource: file and product version 1.0.8.1. It follows
// the root's 6-byte header and its key L"VS_VERSION_INFO".
inline void ExpectFixedVersion1081(const ResourceData& version)
{
    VS_FIXEDFILEINFO fixed{};
    ASSERT_TRUE(version);
    ASSERT_GE(version.size, 40 + sizeof(fixed));
    std::memcpy(&fixed, version.data + 40, sizeof(fixed));
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00080001u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0x00080001u);
}

}  // namespace wintest
