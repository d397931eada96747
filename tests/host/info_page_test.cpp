// The info page's plain logic: which links are commands for the program, the page
// address built from the program's own string table, and how the window's controls
// follow its size.
#include "report/resource_strings.h"
#include "ui/info_page.h"

#include "support/host_test.h"

#include <cstring>
#include <memory>
#include <string>

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

bool Equal(const Rect32& a, const Rect32& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(InfoPageTest, OkFollowsTheLowerRightCornerThePageStretchesAndMinimisingMovesNothing)
{
    const Rect32 ok{547, 577, 622, 601};
    const Rect32 page{15, 16, 622, 564};
    auto follow = [](int32_t id, const Rect32& r, Point32 d) { return FollowResize(r, InfoPageAnchorOf(id), d.x, d.y); };
    Rect32 client{};
    bool stored = false;
    Point32 delta{99, 99};
    // A WM_SIZE before the window's initialisation only stores the size.
    EXPECT_FALSE(MeasureResize(client, stored, 0, 637, 617, delta));
    EXPECT_TRUE(stored);

    ASSERT_TRUE(MeasureResize(client, stored, 0, 677, 647, delta));
    EXPECT_EQ(delta.x, 40);
    EXPECT_EQ(delta.y, 30);
    EXPECT_TRUE(Equal(follow(kInfoPageOk, ok, delta), Rect32{587, 607, 662, 631}));
    EXPECT_TRUE(Equal(follow(kInfoPageFrame, page, delta), Rect32{15, 16, 662, 594}));
    EXPECT_TRUE(Equal(follow(-1, page, delta), page));

    // Minimised: nothing moves, and the restore is measured from the size before.
    EXPECT_FALSE(MeasureResize(client, stored, 1, 0, 0, delta));
    ASSERT_TRUE(MeasureResize(client, stored, 0, 697, 657, delta));
    EXPECT_EQ(delta.x, 20);
    EXPECT_EQ(delta.y, 10);
    // Maximised is laid out like restored; shrinking below the template moves OK up
    // and left and shrinks the page.
    ASSERT_TRUE(MeasureResize(client, stored, 2, 1920, 1000, delta));
    EXPECT_EQ(delta.x, 1920 - 697);
    ASSERT_TRUE(MeasureResize(client, stored, 0, 577, 567, delta));
    EXPECT_EQ(delta.x, 577 - 1920);
    EXPECT_EQ(delta.y, 567 - 1000);
    EXPECT_TRUE(Equal(follow(kInfoPageFrame, page, Point32{-100, -80}), Rect32{15, 16, 522, 484}));
}

}  // namespace
