#include "ui/curve_plot.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

bool Inside(const Rect32& inner, const Rect32& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool Upright(const Rect32& r) { return r.right >= r.left && r.bottom >= r.top; }

TEST(CurvePlotTest, InputsAndOutputsMapToTheEdgeColumnsAndRowsAndRoundBetween)
{
    struct Case {
        Rect32 plot;
        int32_t input;
        int32_t x;
        uint32_t output;
        int32_t y;
    };
    const Case cases[] = {
        // 256 columns: one per input; 101 rows: one per percent.
        {{10, 20, 266, 121}, 0, 10, 65535, 20},
        {{10, 20, 266, 121}, 255, 265, 0, 120},
        {{10, 20, 266, 121}, 128, 138, 32768, 70},
        // 511 columns: input 1 is column 2; half of 100 rows rounds up.
        {{0, 0, 511, 100}, 1, 2, 32767, 50},
        // Out of range: clamped to the edges.
        {{0, 0, 100, 100}, -5, 0, 70000, 0},
        {{0, 0, 100, 100}, 300, 99, 0, 99},
        // One column or row: everything on it; none: the plot's corner.
        {{5, 5, 6, 6}, 200, 5, 1000, 5},
        {{5, 5, 5, 5}, 200, 5, 1000, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.plot.right - c.plot.left) + " x " + std::to_string(c.plot.bottom - c.plot.top));
        EXPECT_EQ(PlotX(c.input, c.plot), c.x);
        EXPECT_EQ(PlotY(c.output, c.plot), c.y);
    }
    const Rect32 plot{0, 0, 300, 401};
    EXPECT_EQ(PercentY(100, plot), 0);
    EXPECT_EQ(PercentY(25, plot), 300);
    EXPECT_EQ(PercentY(0, plot), 400);
    EXPECT_EQ(PercentY(150, plot), 0);
}

TEST(CurvePlotTest, AnyRampIsResampledToOnePointPerColumn)
{
    std::vector<uint16_t> identity(256);
    for (size_t i = 0; i < identity.size(); ++i)
        identity[i] = static_cast<uint16_t>(i * 257);
    std::vector<uint16_t> long16(65535);
    for (size_t i = 0; i < long16.size(); ++i)
        long16[i] = static_cast<uint16_t>(i);
    const std::vector<uint16_t> ends = {0, 65535};
    const std::vector<uint16_t> steps = {0, 60000, 0};
    const std::vector<uint16_t> one = {30000};

    struct Case {
        const char* name;
        const std::vector<uint16_t>* values;
        Rect32 plot;
        std::vector<int32_t> ys;   // the row of each column
    };
    const Case cases[] = {
        // Two entries over five columns: a straight line, a quarter down each column.
        {"TwoEntries", &ends, {0, 0, 5, 5}, {4, 3, 2, 1, 0}},
        // Three entries over five columns: up to 60,000 and down again, halfway between
        // entries at columns 1 and 3.
        {"Peak", &steps, {0, 0, 5, 11}, {10, 5, 1, 5, 10}},
        // 256 entries over 3 columns: the first, the two middle ones mixed, the last.
        {"Identity", &identity, {0, 0, 3, 101}, {100, 50, 0}},
        // 65,535 entries over 2 columns: the ends.
        {"LongTable", &long16, {0, 0, 2, 10}, {9, 0}},
        // One entry: a flat line; one column: the first entry.
        {"OneEntry", &one, {0, 0, 4, 66}, {35, 35, 35, 35}},
        {"OneColumn", &ends, {0, 0, 1, 10}, {9}},
        // No room: no points.
        {"ZeroWidth", &ends, {0, 0, 0, 10}, {}},
        {"ZeroHeight", &ends, {0, 0, 10, 0}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<Point32> points = CurvePoints(c.values->data(), c.values->size(), c.plot);
        ASSERT_EQ(points.size(), c.ys.size());
        for (size_t i = 0; i < points.size(); ++i) {
            EXPECT_EQ(points[i].x, c.plot.left + static_cast<int32_t>(i));
            EXPECT_EQ(points[i].y, c.ys[i]) << "column " << i;
        }
    }
    // Nothing to resample.
    EXPECT_TRUE(CurvePoints(nullptr, 256, Rect32{0, 0, 10, 10}).empty());
    EXPECT_TRUE(CurvePoints(identity.data(), 0, Rect32{0, 0, 10, 10}).empty());

    // The video card's 256 entries over as many columns land where PlotX and PlotY put
    // them, and the plot's offset carries over.
    const Rect32 plot{40, 30, 296, 330};
    const std::vector<Point32> points = CurvePoints(identity.data(), identity.size(), plot);
    ASSERT_EQ(points.size(), 256u);
    for (int32_t input : kInputTicks) {
        const Point32& point = points[static_cast<size_t>(input)];
        EXPECT_EQ(point.x, PlotX(input, plot));
        EXPECT_EQ(point.y, PlotY(identity[static_cast<size_t>(input)], plot));
    }
}

TEST(CurvePlotTest, TheLayoutStacksPlotLegendAndVerdictAndNeverInvertsAPart)
{
    CurvesMetrics metrics;
    metrics.lineHeight = 13;
    metrics.yLabelWidth = 30;
    metrics.xLabelWidth = 18;
    metrics.verdictHeight = 26;
    struct Case {
        int32_t dpi;
        int32_t width;
        int32_t height;
    };
    const Case cases[] = {{96, 450, 390}, {144, 700, 600}, {192, 900, 800}, {96, 60, 40},
                          {96, 10, 10},   {96, 0, 0},      {96, -5, -5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.dpi) + " DPI, " + std::to_string(c.width) + " x " + std::to_string(c.height));
        metrics.dpi = c.dpi;
        const CurvesLayout layout = LayOutCurves(c.width, c.height, metrics);
        const Rect32 client{0, 0, std::max(c.width, 0), std::max(c.height, 0)};
        for (const Rect32& part : {layout.plot, layout.legend, layout.verdict}) {
            EXPECT_TRUE(Upright(part));
            EXPECT_TRUE(Inside(part, client));
        }
        EXPECT_LE(layout.plot.bottom, layout.legend.top);
        EXPECT_LE(layout.legend.bottom, layout.verdict.top);
    }

    // At 96 DPI: an 8-pixel margin, the output labels and 4 pixels left of the plot, half
    // a line above it, half an input label right of it; below it the input labels' line
    // and the legend's, each with 4 pixels over it, then the verdict and the margin.
    metrics.dpi = 96;
    const CurvesLayout layout = LayOutCurves(450, 390, metrics);
    EXPECT_EQ(layout.plot.left, 8 + 30 + 4);
    EXPECT_EQ(layout.plot.top, 8 + 6);
    EXPECT_EQ(layout.plot.right, 450 - 8 - 9);
    EXPECT_EQ(layout.verdict.bottom, 390 - 8);
    EXPECT_EQ(Height(layout.verdict), 26);
    EXPECT_EQ(Height(layout.legend), 13);
    EXPECT_EQ(layout.plot.bottom, layout.legend.top - 4 - 13 - 4);

    // The smallest client area keeps the smallest plot at every DPI; no smaller than that.
    for (int32_t dpi : {96, 120, 144, 192, 288}) {
        SCOPED_TRACE(dpi);
        metrics.dpi = dpi;
        const Point32 minimum = CurvesMinimumClient(metrics);
        const CurvesLayout least = LayOutCurves(minimum.x, minimum.y, metrics);
        EXPECT_EQ(Width(least.plot), ForDpi(kMinimumPlotWidth, dpi));
        EXPECT_EQ(Height(least.plot), ForDpi(kMinimumPlotHeight, dpi));
        EXPECT_EQ(least.verdict.top, least.legend.bottom + ForDpi(4, dpi));
    }
}

TEST(CurvePlotTest, StrokesTellTheChannelsApartAndTheirRunsCoverWhatTheyDraw)
{
    struct Case {
        Stroke stroke;
        int32_t dpi;
        std::string pattern;   // one period from column 0: # drawn, . left out
    };
    const Case cases[] = {
        {Stroke::Solid, 96, "#"},
        {Stroke::Dashed, 96, "#########....."},
        {Stroke::Dotted, 96, "###...."},
        {Stroke::Dashed, 192, "##################.........."},
        {Stroke::Dotted, 144, "#####......"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern + " at " + std::to_string(c.dpi));
        const auto period = static_cast<int32_t>(c.pattern.size());
        for (int32_t column = 0; column < 3 * period; ++column)
            EXPECT_EQ(StrokeCovers(c.stroke, column, c.dpi), c.pattern[static_cast<size_t>(column % period)] == '#')
                << column;
        // The runs cover exactly the columns drawn, each run whole.
        const int32_t count = 2 * period + 3;
        std::string drawn(static_cast<size_t>(count), '.');
        for (const StrokeRun& run : StrokeRuns(c.stroke, count, c.dpi)) {
            ASSERT_LE(run.first, run.last);
            for (int32_t column = run.first; column <= run.last; ++column)
                drawn[static_cast<size_t>(column)] = '#';
        }
        for (int32_t column = 0; column < count; ++column)
            EXPECT_EQ(drawn[static_cast<size_t>(column)] == '#', StrokeCovers(c.stroke, column, c.dpi)) << column;
    }
    EXPECT_TRUE(StrokeRuns(Stroke::Solid, 0, 96).empty());
    EXPECT_EQ(StrokeRuns(Stroke::Solid, 300, 96).size(), 1u);
    // Every channel has a stroke of its own, and the profile's line is the wider.
    EXPECT_NE(kChannelStrokes[0], kChannelStrokes[1]);
    EXPECT_NE(kChannelStrokes[1], kChannelStrokes[2]);
    EXPECT_NE(kChannelStrokes[0], kChannelStrokes[2]);
    for (int32_t dpi : {96, 144, 192})
        EXPECT_GT(ProfileLineWidth(dpi), CardLineWidth(dpi));
}

}  // namespace
