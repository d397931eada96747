#include "ui/window_math.h"

#include <gtest/gtest.h>

namespace {

const Rect32 kFirst{0, 0, 1920, 1080};
const Rect32 kSecond{1920, 0, 3200, 1024};

TEST(WindowMathTest, CentresOnEachMonitorsFullRectangle)
{
    const Rect32 window{0, 0, 511, 460};
    const Point32 first = CenteredOrigin(window, kFirst);
    EXPECT_EQ(first.x, (1920 - 511) / 2);
    EXPECT_EQ(first.y, 310);
    const Point32 second = CenteredOrigin(window, kSecond);
    EXPECT_EQ(second.x, 1920 + (1280 - 511) / 2);
    EXPECT_EQ(second.y, (1024 - 460) / 2);
}

TEST(WindowMathTest, LargerWindowKeepsItsCornerOnTheMonitor)
{
    const Point32 origin = CenteredOrigin(Rect32{0, 0, 1401, 1101}, kSecond);
    EXPECT_EQ(origin.x, 1920);
    EXPECT_EQ(origin.y, 0);
    // One pixel over: (-1) / 2 truncates to 0, not -1.
    const Point32 barely = CenteredOrigin(Rect32{0, 0, 1281, 1025}, Rect32{-1280, -10, 0, 1014});
    EXPECT_EQ(barely.x, -1280);
    EXPECT_EQ(barely.y, -10);
}

TEST(WindowMathTest, GripIsTheBottomRightSquareAndExcludesItsFarEdges)
{
    const Rect32 grip = SizeGripRect(Rect32{0, 0, 500, 400}, 17, 16);
    EXPECT_EQ(grip.left, 483);
    EXPECT_EQ(grip.top, 384);
    EXPECT_EQ(grip.right, 500);
    EXPECT_EQ(grip.bottom, 400);
    EXPECT_TRUE(IsInGrip(grip, {483, 384}));
    EXPECT_TRUE(IsInGrip(grip, {499, 399}));
    EXPECT_FALSE(IsInGrip(grip, {500, 399}));
    EXPECT_FALSE(IsInGrip(grip, {499, 400}));
    EXPECT_FALSE(IsInGrip(grip, {482, 390}));
}

TEST(WindowMathTest, ControlsFollowTheirCorner)
{
    const Rect32 r{10, 20, 110, 70};
    EXPECT_EQ(AnchorOf(1000), Anchor::Stretch);
    EXPECT_EQ(AnchorOf(1003), Anchor::BottomRight);
    EXPECT_EQ(AnchorOf(1), Anchor::BottomRight);
    EXPECT_EQ(AnchorOf(1001), Anchor::Bottom);
    EXPECT_EQ(AnchorOf(-1), Anchor::Bottom);
    EXPECT_EQ(AnchorOf(2), Anchor::Stay);

    const Rect32 grown = FollowResize(r, Anchor::Stretch, 40, 30);
    EXPECT_EQ(grown.left, 10);
    EXPECT_EQ(grown.top, 20);
    EXPECT_EQ(grown.right, 150);
    EXPECT_EQ(grown.bottom, 100);
    const Rect32 moved = FollowResize(r, Anchor::BottomRight, 40, 30);
    EXPECT_EQ(moved.left, 50);
    EXPECT_EQ(moved.bottom, 100);
    const Rect32 down = FollowResize(r, Anchor::Bottom, 40, -30);
    EXPECT_EQ(down.left, 10);
    EXPECT_EQ(down.top, -10);
    const Rect32 stays = FollowResize(r, Anchor::Stay, 40, 30);
    EXPECT_EQ(stays.right, 110);
    // Shrinking past the list's size collapses it rather than stopping.
    const Rect32 collapsed = FollowResize(r, Anchor::Stretch, -200, -200);
    EXPECT_LT(collapsed.right, collapsed.left);
}

TEST(WindowMathTest, MinimumSizeKeepsTheWidthAndAFewRowsOfTheList)
{
    const Rect32 window{100, 100, 611, 560};
    const Rect32 list{15, 15, 489, 340};   // 325 high
    const Point32 minimum = MinimumWindowSize(window, list, 16, 4);
    EXPECT_EQ(minimum.x, 511);
    EXPECT_EQ(minimum.y, 460 - (325 - 68));
    // A list already at or under that height gives no room to shrink.
    EXPECT_EQ(MinimumWindowSize(window, Rect32{0, 0, 10, 50}, 16, 4).y, 460);
}

TEST(WindowMathTest, MinimisedIconIsCentredRoundingUp)
{
    const Point32 origin = IconOrigin(160, 31, 32, 32);
    EXPECT_EQ(origin.x, 64);   // (160 - 32 + 1) / 2
    EXPECT_EQ(origin.y, 0);    // (31 - 32 + 1) / 2
    EXPECT_EQ(IconOrigin(0, 0, 32, 32).x, -15);   // truncated toward zero
}

}  // namespace
