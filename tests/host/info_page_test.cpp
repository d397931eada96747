// The info page's plain logic: which links are commands for the program, the page
// address built from the program's own string table, and how the window's controls
// follow its size.
#include "report/resource_strings.h"
#include "ui/info_page.h"

#include "support/host_test.h"

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

class InfoPageTest : public HostTest {};

std::string CommandOf(const char* url)
{
    const char* command = AppLinkCommand(url);
    return command ? command : "<navigates>";
}

TEST_F(InfoPageTest, AppLinksInAnyCaseHandOnTheRestAndOthersNavigate)
{
    EXPECT_EQ(CommandOf("app:x"), "x");
    EXPECT_EQ(CommandOf("APP:x"), "x");
    EXPECT_EQ(CommandOf("App:x"), "x");
    EXPECT_EQ(CommandOf("app:"), "");
    // The colon is part of the test: these are pages, not commands.
    for (const char* url : {"apple.htm", "app.htm", "ap", "", " app:x", "file:///\\Docs\\infoID.htm"})
        EXPECT_EQ(CommandOf(url), "<navigates>") << url;
    EXPECT_EQ(CommandOf(nullptr), "<navigates>");
}

TEST_F(InfoPageTest, TwoByteCharactersAreComparedWholeAndExactly)
{
    sim.LeadBytes() = {0x82};
    // A pair's second byte is not a letter to fold, even where it looks like one.
    EXPECT_FALSE(MbsNbIEqual("\x82" "Abc", "\x82" "abc", 4));
    EXPECT_TRUE(MbsNbIEqual("\x82" "Abc", "\x82" "ABC", 4));
    // A pair that starts on the last counted byte is compared whole, never split.
    EXPECT_FALSE(MbsNbIEqual("abc\x82" "A", "ABC\x82" "B", 4));
    EXPECT_FALSE(MbsNbIEqual("a\x82" "b", "a", 3));
    sim.LeadBytes().clear();
    EXPECT_TRUE(MbsNbIEqual("abc\x82" "A", "ABC\x82" "B", 4));

    // A lead byte just before the end is a byte of its own: nothing is read past the
    // NUL (the blocks are exactly as long as the texts, for the address sanitizer).
    sim.LeadBytes() = {0x82};
    for (const char* text : {"ap\x82", "app\x82", "\x82" "app:x"}) {
        const size_t size = std::strlen(text) + 1;
        auto url = std::make_unique<char[]>(size);
        std::memcpy(url.get(), text, size);
        EXPECT_EQ(AppLinkCommand(url.get()), nullptr) << text;
    }
}

TEST_F(InfoPageTest, AddressIsTheDocsFolderOfTheCurrentDriveAndIsNeverCut)
{
    char address[kPageAddressSize];
    ASSERT_TRUE(BuildPageAddress(address, GetResourceString(kInfoPageFolderString), "infoID"));
    EXPECT_STREQ(address, "file:///\\Docs\\infoID.htm");

    // "file:///" (8) + "\Docs\" (6) + id + ".htm" (4) + NUL: 237 bytes of id fit.
    const std::string fits(237, 'p');
    ASSERT_TRUE(BuildPageAddress(address, "\\Docs\\", fits.c_str()));
    EXPECT_EQ(std::string(address), "file:///\\Docs\\" + fits + ".htm");
    EXPECT_FALSE(BuildPageAddress(address, "\\Docs\\", std::string(238, 'p').c_str()));
    EXPECT_STREQ(address, "");
    EXPECT_FALSE(BuildPageAddress(address, std::string(300, 'd').c_str(), "infoID"));
    EXPECT_STREQ(address, "");

    // A page id over 255 bytes is refused, not cut: a cut id could name another page.
    char id[kPageIdSize];
    ASSERT_TRUE(CopyPageId(id, std::string(kPageIdSize - 1, 'i').c_str()));
    EXPECT_EQ(std::strlen(id), kPageIdSize - 1);
    EXPECT_FALSE(CopyPageId(id, std::string(kPageIdSize, 'i').c_str()));
    EXPECT_STREQ(id, "");
    EXPECT_FALSE(CopyPageId(id, nullptr));
}

TEST_F(InfoPageTest, ThePageBesideTheProgramIsInTheDocsFolderOfTheProgramsFolder)
{
    const std::string longFolder = "C:\\" + std::string(300, 'f');
    for (const auto& [program, page] : std::vector<std::pair<std::string, std::string>>{
             {"C:\\Kestrava\\kestrava.exe", "C:\\Kestrava\\Docs\\infoID.htm"},
             {"\\\\server\\share\\k.exe", "\\\\server\\share\\Docs\\infoID.htm"},
             {longFolder + "\\kestrava.exe", longFolder + "\\Docs\\infoID.htm"},
             {"kestrava.exe", ""},
             {"", ""},
         })
        EXPECT_EQ(PageBesideProgram(program, "infoID"), page) << program;
    EXPECT_EQ(PageBesideProgram("C:\\k.exe", nullptr), "");
}

bool Equal(const Rect32& a, const Rect32& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(InfoPageTest, OkFollowsTheLowerRightCornerThePageStretchesAndTheRestStays)
{
    // Template 160 at 96 dpi: a client area of 637 x 617.
    const Rect32 made{0, 0, 637, 617};
    const Scale same{8, 8, 16, 16};
    const Rect32 ok{547, 577, 622, 601};
    const Rect32 page{15, 16, 622, 564};
    const auto place = [&](int32_t id, const Rect32& r, int32_t width, int32_t height) {
        return LayOutControl(PlacedControl{r, AnchorIn(kInfoPageLayout, id)}, made, same, Rect32{0, 0, width, height});
    };
    EXPECT_TRUE(Equal(place(kInfoPageOk, ok, 677, 647), Rect32{587, 607, 662, 631}));
    EXPECT_TRUE(Equal(place(kInfoPageFrame, page, 677, 647), Rect32{15, 16, 662, 594}));
    EXPECT_TRUE(Equal(place(-1, page, 677, 647), page));
    // Maximised, then back: every size is laid out from the controls as made, so the
    // way back ends where it started.
    EXPECT_TRUE(Equal(place(kInfoPageOk, ok, 1920, 1000), Rect32{1830, 960, 1905, 984}));
    EXPECT_TRUE(Equal(place(kInfoPageOk, ok, 637, 617), ok));
    // Below the template's size OK moves up and left and the page shrinks.
    EXPECT_TRUE(Equal(place(kInfoPageFrame, page, 537, 537), Rect32{15, 16, 522, 484}));
}

}  // namespace
