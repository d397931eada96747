#include "fw/window_math.h"
#include "ui/monitor_window_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

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

TEST(WindowMathTest, AWindowFitsItsWorkAreaButNotBelowItsMinimum)
{
    // 1696 x 1096 (a monitor window at 288 DPI) on a 1920 x 1080 monitor whose work area
    // leaves 40 pixels to a taskbar.
    const Rect32 work{0, 0, 1920, 1040};
    const Point32 fitted = FittedSize(Point32{1696, 1096}, work, Point32{900, 700});
    EXPECT_EQ(fitted.x, 1696);
    EXPECT_EQ(fitted.y, 1040);
    // A monitor too small for the minimum: the work area wins, and so it does for the
    // smallest size the user can drag the window to.
    const Point32 cramped = FittedSize(Point32{1696, 1096}, Rect32{0, 0, 800, 600}, Point32{900, 500});
    EXPECT_EQ(cramped.x, 800);
    EXPECT_EQ(cramped.y, 600);
    const Point32 least = MinimumInside(Point32{900, 500}, Rect32{0, 0, 800, 600});
    EXPECT_EQ(least.x, 800);
    EXPECT_EQ(least.y, 500);
    // Centred on the monitor, a window as tall as the work area moves up off the
    // taskbar; one that fits stays; one larger than the area keeps its corner on it.
    const Point32 up = KeptInside(Rect32{112, 20, 1808, 1060}, work);
    EXPECT_EQ(up.x, 112);
    EXPECT_EQ(up.y, 0);
    const Point32 stays = KeptInside(Rect32{700, 300, 1200, 700}, Rect32{1920, 0, 3200, 1024});
    EXPECT_EQ(stays.x, 1920);
    EXPECT_EQ(stays.y, 300);
    const Point32 larger = KeptInside(Rect32{-50, -50, 1000, 800}, Rect32{0, 0, 800, 600});
    EXPECT_EQ(larger.x, 0);
    EXPECT_EQ(larger.y, 0);
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
    // A control the table does not name stays.
    EXPECT_EQ(AnchorIn(kMonitorWindowLayout, IDC_PROFILE_LIST), Anchor::Stretch);
    EXPECT_EQ(AnchorIn(kMonitorWindowLayout, IDC_REFRESH), Anchor::BottomRight);
    EXPECT_EQ(AnchorIn(kMonitorWindowLayout, IDC_VIEW_ASSOCIATED), Anchor::Bottom);
    EXPECT_EQ(AnchorIn(kMonitorWindowLayout, kUnnamedControl), Anchor::Bottom);
    EXPECT_EQ(AnchorIn(kMonitorWindowLayout, 2), Anchor::Stay);

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

// Template 102 as Wine lays it out at 96 dpi: client rectangles of the controls, in
// template order.
const Rect32 kWindow{660, 282, 1260, 797};   // 600 x 515 outside
const Rect32 kClient{0, 0, 588, 465};
const Rect32 kList{18, 15, 571, 340};
const Rect32 kRadioAll{32, 375, 344, 391};
const Rect32 kRadioAssociated{32, 397, 344, 413};
const Rect32 kGroupBox{18, 356, 358, 423};
const Rect32 kBoldLegend{18, 436, 284, 449};
const Rect32 kItalicLegend{305, 436, 571, 449};
const Rect32 kRefresh{483, 364, 571, 387};
constexpr int32_t kRowHeight = 16;
constexpr int32_t kListFrame = 2;   // WS_BORDER: a pixel above and below, at any DPI

std::vector<PlacedControl> Template(const Rect32& italicLegend = kItalicLegend, const Rect32& refresh = kRefresh)
{
    return {{kList, Anchor::Stretch},          {kRadioAll, Anchor::Bottom},
            {kRadioAssociated, Anchor::Bottom}, {kGroupBox, Anchor::Bottom},
            {kBoldLegend, Anchor::Bottom},      {italicLegend, Anchor::Bottom},
            {refresh, Anchor::BottomRight}};
}

bool Overlap(const Rect32& a, const Rect32& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Lays the controls out for a client area dx wider than made, as OnSize does, and
// says what went wrong there: a kept control cut off or run over by one that moved.
std::string ProblemAt(const std::vector<PlacedControl>& controls, int32_t dx)
{
    const int32_t width = Width(kClient) + dx;
    for (const PlacedControl& kept : controls) {
        if (kept.anchor != Anchor::Bottom)
            continue;
        if (FollowResize(kept.rect, kept.anchor, dx, 0).right > width)
            return "a kept control is cut off at width " + std::to_string(width);
        for (const PlacedControl& moving : controls) {
            if (moving.anchor == Anchor::BottomRight &&
                Overlap(FollowResize(moving.rect, moving.anchor, dx, 0), kept.rect))
                return "a moving control runs over a kept one at width " + std::to_string(width);
        }
    }
    return {};
}

TEST(WindowMathTest, MinimumWidthKeepsTheLegendsWholeAndRefreshOffTheGroupBox)
{
    // The italic legend reaches furthest right: the window narrows until it touches the
    // edge, 17 pixels less than made, and Refresh is still clear of the group box.
    const Point32 minimum = MinimumWindowSize(kWindow, kClient, Template(), kRowHeight, 4, kListFrame);
    EXPECT_EQ(minimum.x, 600 - 17);
    EXPECT_EQ(ProblemAt(Template(), -17), "");
    EXPECT_NE(ProblemAt(Template(), -18), "");

    // With a shorter legend the group box binds, and the legends, which share no
    // height with Refresh, let it pass over their columns.
    const Rect32 shortLegend{305, 436, 400, 449};
    const int32_t toGroupBox = kRefresh.left - kGroupBox.right;   // 125
    const Point32 narrower = MinimumWindowSize(kWindow, kClient, Template(shortLegend), kRowHeight, 4, kListFrame);
    EXPECT_EQ(narrower.x, 600 - toGroupBox);
    EXPECT_EQ(ProblemAt(Template(shortLegend), -toGroupBox), "");
    EXPECT_EQ(ProblemAt(Template(shortLegend), -toGroupBox - 1),
              "a moving control runs over a kept one at width 462");

    // Refresh on the legends' line instead: the short legend beside it binds.
    const Rect32 lowRefresh{483, 430, 571, 453};
    const Point32 low =
        MinimumWindowSize(kWindow, kClient, Template(shortLegend, lowRefresh), kRowHeight, 4, kListFrame);
    EXPECT_EQ(low.x, 600 - (lowRefresh.left - shortLegend.right));
    EXPECT_EQ(ProblemAt(Template(shortLegend, lowRefresh), -(lowRefresh.left - shortLegend.right)), "");
}

TEST(WindowMathTest, MinimumNeverExceedsTheSizeAsMade)
{
    // A legend already past the edge, or Refresh already over the group box (a resource
    // library's own layout), keeps the width as made rather than forcing it wider.
    const Rect32 pastTheEdge{305, 436, 620, 449};
    EXPECT_EQ(MinimumWindowSize(kWindow, kClient, Template(pastTheEdge), kRowHeight, 4, kListFrame).x, 600);
    const Rect32 overTheGroupBox{340, 364, 571, 387};
    EXPECT_EQ(
        MinimumWindowSize(kWindow, kClient, Template(kItalicLegend, overTheGroupBox), kRowHeight, 4, kListFrame).x,
        600);
}

TEST(WindowMathTest, MinimumHeightLeavesTheListAFewRows)
{
    // 325 high; four rows of 16 and the frame take 66.
    EXPECT_EQ(MinimumWindowSize(kWindow, kClient, Template(), kRowHeight, 4, kListFrame).y, 515 - (325 - 66));
    // A list already at or under that height gives no room to shrink, nor does none.
    const std::vector<PlacedControl> shortList{{Rect32{0, 0, 10, 50}, Anchor::Stretch}};
    EXPECT_EQ(MinimumWindowSize(kWindow, kClient, shortList, kRowHeight, 4, kListFrame).y, 515);
    EXPECT_EQ(MinimumWindowSize(kWindow, kClient, {}, kRowHeight, 4, kListFrame).y, 515);
}

// ---- Following the DPI ----------------------------------------------------------------

TEST(WindowMathTest, ScalingRoundsHalfAwayFromZeroAsMulDivDoes)
{
    struct Case {
        int32_t value, from, to, expected;
    };
    for (const Case& c : std::vector<Case>{{11, 96, 120, 14},   // 13.75
                                           {3, 2, 1, 2},        // 1.5 up
                                           {-3, 2, 1, -2},      // and down
                                           {20000000, 96, 192, 40000000},   // past 2^31 on the way
                                           {5, 0, 10, 5}}) {                // no scale to scale from
        EXPECT_EQ(ScaleValue(c.value, c.from, c.to), c.expected) << c.value << " * " << c.to << " / " << c.from;
    }
    // The About picture's size at the DPIs users set.
    EXPECT_EQ(ForDpi(150, 120), 188);   // 187.5
    EXPECT_EQ(ForDpi(500, 144), 750);
    EXPECT_EQ(ForDpi(150, 192), 300);
}

// Made at any of the DPIs users set and moved to any other, a window at its smallest is
// whole: every control in the client area, none over another, the italic legend (which
// reaches furthest right) at the edge, and four rows of the font it has now in the list.
// The units are the font's under Wine (average width, height), which grows by less than
// the DPI does, and not evenly.
TEST(WindowMathTest, AtItsSmallestAWindowMovedToAnyDpiIsWhole)
{
    struct Units {
        int32_t dpi, x, y;
    };
    const Units units[] = {{96, 7, 13}, {120, 8, 15}, {144, 10, 19}, {192, 13, 24}};
    const Point32 frame{Width(kWindow) - Width(kClient), Height(kWindow) - Height(kClient)};
    for (const Units& made : units) {
        // The window as the dialog manager makes it at that DPI.
        const Scale fromTemplate{units[0].x, made.x, units[0].y, made.y};
        const Rect32 client = ScaleRect(kClient, fromTemplate);
        std::vector<PlacedControl> controls;
        for (const PlacedControl& control : Template())
            controls.push_back({ScaleRect(control.rect, fromTemplate), control.anchor});
        for (const Units& now : units) {
            SCOPED_TRACE(std::to_string(made.dpi) + " -> " + std::to_string(now.dpi) + " dpi");
            const Scale scale{made.x, now.x, made.y, now.y};
            const Point32 size = ScaledMinimumSize(controls, client, scale, frame, now.y, 4, kListFrame);
            const Rect32 at{0, 0, size.x - frame.x, size.y - frame.y};
            std::vector<Rect32> placed;
            for (const PlacedControl& control : controls) {
                placed.push_back(LayOutControl(control, client, scale, at));
                EXPECT_TRUE(placed.back().left >= 0 && placed.back().right <= at.right &&
                            placed.back().bottom <= at.bottom);
            }
            // The group box (3) holds its radio buttons (1, 2).
            for (size_t i = 0; i < placed.size(); ++i)
                for (size_t j = i + 1; j < placed.size(); ++j)
                    EXPECT_FALSE(Overlap(placed[i], placed[j]) && !(i == 1 && j == 3) && !(i == 2 && j == 3));
            EXPECT_EQ(placed[5].right, at.right);
            EXPECT_EQ(Height(placed[0]) - kListFrame, 4 * now.y);
        }
    }
}

TEST(WindowMathTest, MinimisedIconIsCentredRoundingUp)
{
    const Point32 origin = IconOrigin(160, 31, 32, 32);
    EXPECT_EQ(origin.x, 64);   // (160 - 32 + 1) / 2
    EXPECT_EQ(origin.y, 0);    // (31 - 32 + 1) / 2
    EXPECT_EQ(IconOrigin(0, 0, 32, 32).x, -15);   // truncated toward zero
}

}  // namespace

namespace {

TEST(WindowMathTest, AWindowGoesBesideTheOneItBelongsToWhereThereIsRoom)
{
    const Rect32 work{0, 0, 1920, 1040};
    // A window of 450 x 400, beside windows of the work area, and where it goes.
    const std::vector<std::pair<Rect32, Point32>> cases = {
        {{700, 300, 1200, 800}, {1200, 300}},     // right of it
        {{1500, 100, 1900, 600}, {1050, 100}},    // left: the right is full
        {{100, 200, 1800, 900}, {725, 200}},      // over it: neither side has room
        {{700, 900, 1200, 1040}, {1200, 640}},    // up, into the area
    };
    for (const auto& [other, expected] : cases) {
        SCOPED_TRACE(std::to_string(other.left) + ", " + std::to_string(other.top));
        const Point32 origin = BesideOrigin(Rect32{0, 0, 450, 400}, other, work);
        EXPECT_EQ(origin.x, expected.x);
        EXPECT_EQ(origin.y, expected.y);
    }
}

}  // namespace
