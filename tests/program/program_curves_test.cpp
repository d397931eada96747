// The calibration curves window from outside: the window menu's command opens one
// window per monitor window, owned by it; its plot shows each channel's line where the
// selected profile's table puts it, read off the screen and placed by the program's own
// geometry (ui/curve_plot); it follows the ramp and the selection.
#include "res/resource.h"
#include "support/program_fixture.h"
#include "support/row_image.h"
#include "support/win_test_util.h"
#include "ui/curve_plot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace programtest;

constexpr WPARAM kShowCurves = IDM_SHOW_CURVES;
constexpr int kPlotId = IDC_CURVES_PLOT;
// How far from where the geometry puts it a line may be drawn: the X server's ramp reads
// back with its low byte filled, and a wide pen's rows round either way.
constexpr int32_t kTolerance = 2;

class ProgramCurves : public ProgramKeeping {
protected:
    void TearDown() override
    {
        // The other tests need both monitors, whatever this one left.
        if (program::Monitors().size() < 2) {
            program::SetSecondOutput(true);
            program::WaitForMonitorCount(2);
        }
        ProgramKeeping::TearDown();
    }

    // The visible windows of the program that the window owns.
    std::vector<HWND> OwnedBy(HWND owner) const
    {
        std::vector<HWND> owned;
        for (HWND window : program::VisibleDialogsOf(app->Id()))
            if (GetWindow(window, GW_OWNER) == owner)
                owned.push_back(window);
        return owned;
    }

    // The one curves window of a monitor window, once the command has been handled.
    HWND ShowCurves(size_t window)
    {
        Command(window, kShowCurves);
        HWND curves = nullptr;
        program::WaitFor([&] {
            const std::vector<HWND> owned = OwnedBy(windows[window]);
            curves = owned.size() == 1 ? owned[0] : nullptr;
            return curves != nullptr;
        });
        return curves;
    }

    // The plot as the screen shows it, and where it is: its client area is the plot.
    struct Plot {
        Rect32 rect;
        wintest::Image image;
    };
    static Plot ShotOf(HWND curves)
    {
        const HWND plot = GetDlgItem(curves, kPlotId);
        RECT client{};
        GetClientRect(plot, &client);
        MapWindowPoints(plot, nullptr, reinterpret_cast<POINT*>(&client), 2);
        return Plot{Rect32{0, 0, client.right - client.left, client.bottom - client.top},
                    wintest::ScreenImage(client)};
    }

    static uint32_t Pixel(const wintest::Image& image, int32_t x, int32_t y)
    {
        if (x < 0 || y < 0 || x >= image.width || y >= image.height)
            return 0xFFFFFFFF;
        return image.pixels[static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)];
    }

    // Whether the channel's colour is drawn in column x within the tolerance of row y.
    static bool DrawnNear(const wintest::Image& image, size_t channel, int32_t x, int32_t y)
    {
        for (int32_t dy = -kTolerance; dy <= kTolerance; ++dy)
            if (Pixel(image, x, y + dy) == kChannelColours[channel])
                return true;
        return false;
    }

    // The columns of a line, spread over its middle, where the channel's stroke draws and
    // the strokes of the channels drawn after it do not: where lines meet (the video
    // card's three, on a linear ramp), each shows through the gaps of the later ones. A
    // run of a stroke reaches one column past its last, to join the next point, and a
    // wide pen's round ends half its width further.
    static std::vector<int32_t> Columns(size_t channel, int32_t width, int32_t dpi)
    {
        const int32_t cap = CardLineWidth(dpi) / 2;
        const auto shows = [&](int32_t x) {
            if (!StrokeCovers(kChannelStrokes[channel], x, dpi))
                return false;
            for (size_t later = channel + 1; later < kChannelStrokes.size(); ++later)
                for (int32_t column = x - 1 - cap; column <= x + cap; ++column)
                    if (StrokeCovers(kChannelStrokes[later], column, dpi))
                        return false;
            return true;
        };
        std::vector<int32_t> columns;
        for (int32_t tenth : {3, 5, 7}) {
            int32_t x = width * tenth / 10;
            while (!shows(x))
                ++x;
            columns.push_back(x);
        }
        return columns;
    }

    // Where each channel of a ramp of 256 entries is drawn in the plot: the rows of its
    // line, column by column.
    static std::vector<std::vector<Point32>> Lines(const std::vector<std::vector<uint16_t>>& ramp, const Rect32& plot)
    {
        std::vector<std::vector<Point32>> lines;
        for (const std::vector<uint16_t>& channel : ramp)
            lines.push_back(CurvePoints(channel.data(), channel.size(), plot));
        return lines;
    }

    // Checks that every channel's line is drawn where lines puts it, in the columns of
    // its stroke; one line is enough where two lie within the tolerance of each other.
    static testing::AssertionResult Follows(const Plot& shot, const std::vector<std::vector<Point32>>& lines,
                                            int32_t dpi)
    {
        for (size_t channel = 0; channel < lines.size(); ++channel) {
            if (lines[channel].size() != static_cast<size_t>(shot.rect.right))
                return testing::AssertionFailure() << "channel " << channel << ": " << lines[channel].size()
                                                   << " points for " << shot.rect.right << " columns";
            for (int32_t x : Columns(channel, shot.rect.right, dpi)) {
                const int32_t y = lines[channel][static_cast<size_t>(x)].y;
                if (!DrawnNear(shot.image, channel, x, y))
                    return testing::AssertionFailure() << "channel " << channel << " not drawn at (" << x << ", " << y
                                                       << "): " << std::hex << Pixel(shot.image, x, y);
            }
        }
        return testing::AssertionSuccess();
    }

    // The pixels of a channel's colour that lie off every line of that channel given:
    // farther than the profile's pen reaches at dpi from the line in their column and in
    // the columns its round ends reach.
    static size_t StrayPixels(const Plot& shot, const std::vector<std::vector<std::vector<Point32>>>& lineSets,
                              int32_t dpi)
    {
        const int32_t reach = kTolerance + ProfileLineWidth(dpi);
        const int32_t ends = ProfileLineWidth(dpi) / 2 + 1;
        size_t stray = 0;
        for (int32_t y = 0; y < shot.image.height; ++y)
            for (int32_t x = 0; x < shot.image.width; ++x)
                for (size_t channel = 0; channel < kChannelColours.size(); ++channel) {
                    if (Pixel(shot.image, x, y) != kChannelColours[channel])
                        continue;
                    bool onLine = false;
                    for (const auto& lines : lineSets)
                        for (int32_t column = std::max(x - ends, 0); column <= x + ends; ++column)
                            if (static_cast<size_t>(column) < lines[channel].size() &&
                                std::abs(lines[channel][static_cast<size_t>(column)].y - y) <= reach)
                                onLine = true;
                    stray += onLine ? 0 : 1;
                }
        return stray;
    }

    static std::vector<std::vector<uint16_t>> FromTable(const std::vector<BYTE>& table)
    {
        std::vector<std::vector<uint16_t>> ramp(3, std::vector<uint16_t>(256));
        for (size_t channel = 0; channel < 3; ++channel)
            for (size_t i = 0; i < 256; ++i)
                ramp[channel][i] = static_cast<uint16_t>(table[channel * 256 + i] << 8);
        return ramp;
    }

    static std::vector<std::vector<uint16_t>> CurrentRamp()
    {
        program::Ramp read{};
        EXPECT_TRUE(program::ReadRamp(read));
        std::vector<std::vector<uint16_t>> ramp(3);
        for (size_t channel = 0; channel < 3; ++channel)
            ramp[channel].assign(read.values[channel], read.values[channel] + 256);
        return ramp;
    }

    static int32_t ScreenDpi()
    {
        fw::ClientDC screen(nullptr);
        return GetDeviceCaps(screen.Get(), LOGPIXELSY);
    }
};

TEST_F(ProgramCurves, ShowCurvesOpensOneWindowOwnedByTheMonitorWindowThatPlotsEachChannelAndFollowsTheRamp)
{
    ASSERT_NO_FATAL_FAILURE(Install({kFirst, kMild}));
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::vector<BYTE> mild = Table(kMild);
    ASSERT_NO_FATAL_FAILURE(Select(0, kMild, mild));

    const HWND curves = ShowCurves(0);
    ASSERT_NE(curves, nullptr) << "no window owned by the monitor window";
    EXPECT_TRUE(OwnedBy(windows[1]).empty());
    char caption[512] = {};
    std::snprintf(caption, sizeof caption, ResourceText(IDS_CURVES_CAPTION).c_str(), monitors[0].deviceString.c_str());
    EXPECT_EQ(wintest::WindowText(curves), caption);
    // Asked again, the same window comes back: never a second one.
    EXPECT_EQ(ShowCurves(0), curves);

    // Large enough for the channels' lines to lie apart, on the first monitor.
    ASSERT_TRUE(SetWindowPos(curves, nullptr, 0, 0, 1000, 950, SWP_NOZORDER | SWP_NOACTIVATE));
    const int32_t dpi = ScreenDpi();
    Plot shot;
    std::vector<std::vector<Point32>> lines;
    program::WaitFor(
        [&] {
            shot = ShotOf(curves);
            lines = Lines(FromTable(mild), shot.rect);
            return Follows(shot, lines, dpi);
        },
        5s);
    ASSERT_GT(shot.rect.right, 600);
    ASSERT_GT(shot.rect.bottom, 500);
    EXPECT_TRUE(Follows(shot, lines, dpi)) << "the profile's table";
    EXPECT_EQ(StrayPixels(shot, {lines}, dpi), 0u) << "drawn off the table's lines";
    // Where the linear ramp would be, mid-way, no line of the table is.
    const int32_t middle = shot.rect.right / 2;
    const int32_t linear = PlotY(128 * 257, shot.rect);
    ASSERT_GT(std::abs(linear - lines[0][static_cast<size_t>(middle)].y), 4 * kTolerance) << "too close to tell apart";
    EXPECT_FALSE(DrawnNear(shot.image, 0, middle, linear - 1));
    EXPECT_FALSE(wintest::ControlText(curves, IDC_CURVES_VERDICT).empty()) << "no verdict below the plot";

    // Told it moved to a monitor of twice the DPI, it takes the rectangle suggested and
    // lays itself out again: lines twice as wide, strokes twice as long, each still where
    // the table puts it.
    const int32_t twice = 2 * dpi;
    const RECT suggested{0, 0, 1400, 1000};
    const wintest::Remote<RECT> remote(app->Process(), suggested);
    ASSERT_TRUE(program::Send(curves, WM_DPICHANGED, MAKEWPARAM(twice, twice), remote.Get()));
    EXPECT_TRUE(program::SameRect(program::WindowRect(curves), suggested))
        << program::Describe(program::WindowRect(curves));
    program::WaitFor(
        [&] {
            shot = ShotOf(curves);
            lines = Lines(FromTable(mild), shot.rect);
            return Follows(shot, lines, twice) && StrayPixels(shot, {lines}, twice) == 0;
        },
        5s);
    EXPECT_TRUE(Follows(shot, lines, twice)) << "the profile's table at " << twice << " DPI";
    EXPECT_EQ(StrayPixels(shot, {lines}, twice), 0u) << "drawn off the table's lines at " << twice << " DPI";

    // Reset to linear: the video card's thin lines move to the linear ramp, the profile's
    // thick ones stay.
    Command(0, kReset);
    ASSERT_TRUE(WaitForRamp(program::IdentityTable()));
    std::vector<std::vector<Point32>> card;
    program::WaitFor(
        [&] {
            shot = ShotOf(curves);
            card = Lines(CurrentRamp(), shot.rect);
            lines = Lines(FromTable(mild), shot.rect);
            return Follows(shot, card, twice) && Follows(shot, lines, twice);
        },
        5s);
    EXPECT_TRUE(Follows(shot, card, twice)) << "the video card's ramp";
    EXPECT_TRUE(Follows(shot, lines, twice)) << "the profile's table";
    EXPECT_EQ(StrayPixels(shot, {lines, card}, twice), 0u) << "drawn off the table's and the ramp's lines";

    // Closed, it goes alone; the command opens it again.
    ASSERT_TRUE(PostMessageW(curves, WM_CLOSE, 0, 0));
    ASSERT_TRUE(wintest::WaitUntilGone(curves));
    EXPECT_TRUE(IsWindowVisible(windows[0]));
    const HWND again = ShowCurves(0);
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again, curves);
}

TEST_F(ProgramCurves, WithoutATableItPlotsNothingAndSaysWhyAndItGoesWithItsMonitorWindow)
{
    ASSERT_NO_FATAL_FAILURE(Install({kFirst, kMild}));
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Select(0, kMild, Table(kMild)));
    const HWND curves = ShowCurves(0);
    ASSERT_NE(curves, nullptr);
    const HWND plot = GetDlgItem(curves, kPlotId);
    // While it plots, the plot's text is the legend in words.
    EXPECT_EQ(wintest::WindowText(plot), ResourceText(IDS_CURVES_LEGEND));

    // The selection moves to a profile without a table: the window follows it.
    const HWND list = List(0);
    ASSERT_TRUE(program::ClickRow(list, program::RowOf(list, Stem(kFirst))));
    // Its selection reports that no calibration was loaded.
    const HWND report = app->WaitForReport(5s);
    ASSERT_NE(report, nullptr) << "no report of the missing table";
    wintest::ClickButton(report, IDOK);
    ASSERT_TRUE(wintest::WaitUntilGone(report));
    ASSERT_TRUE(program::Flush(list));
    char reason[1024] = {};
    std::snprintf(reason, sizeof reason, ResourceText(IDS_CURVES_NO_TABLE).c_str(), Stem(kFirst).c_str());
    ASSERT_TRUE(program::WaitFor([&] { return wintest::WindowText(plot) == reason; }, 5s))
        << wintest::WindowText(plot);
    const auto coloured = [&] {
        const Plot shot = ShotOf(curves);
        size_t count = 0;
        for (uint32_t pixel : shot.image.pixels)
            for (uint32_t colour : kChannelColours)
                count += pixel == colour ? 1 : 0;
        return count;
    };
    EXPECT_TRUE(program::WaitFor([&] { return coloured() == 0; }, 5s)) << coloured() << " pixels of a line";
    EXPECT_TRUE(wintest::ControlText(curves, IDC_CURVES_VERDICT).empty());

    // The second monitor's window, closed by the program when its monitor goes, takes its
    // curves window along; the program and the first window's stay.
    if (monitors.size() != 2)
        GTEST_SKIP() << "needs the test bed's two monitors";
    const HWND second = ShowCurves(1);
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(program::SetSecondOutput(false)) << "xrandr could not be run";
    ASSERT_TRUE(program::WaitForMonitorCount(1)) << "Wine still shows two monitors";
    program::BroadcastDisplayChange();
    EXPECT_TRUE(wintest::WaitUntilGone(windows[1]));
    EXPECT_TRUE(wintest::WaitUntilGone(second));
    EXPECT_TRUE(app->IsRunning());
    EXPECT_TRUE(IsWindowVisible(curves));
}

}  // namespace
