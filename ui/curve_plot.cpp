#include "ui/curve_plot.h"

#include <algorithm>

namespace {

// Sizes at 96 DPI: the margin round the client area and the gap between its parts.
constexpr int32_t kMargin = 8;
constexpr int32_t kGap = 4;

// A stroke's period, in columns at 96 DPI: drawn, then left out.
struct Dashes {
    int32_t on;
    int32_t off;
};
constexpr Dashes kDashed{9, 5};
constexpr Dashes kDotted{3, 4};

// The lines' widths at 96 DPI: the profile's, the video card's.
constexpr std::array<int32_t, 2> kLineWidths = {3, 1};

// value * numerator / denominator, rounded half up; all of them non-negative.
int64_t RoundedRatio(int64_t value, int64_t numerator, int64_t denominator)
{
    return (value * numerator * 2 + denominator) / (denominator * 2);
}

Rect32 Unflipped(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    return Rect32{left, top, std::max(left, right), std::max(top, bottom)};
}

}  // namespace

CurvesLayout LayOutCurves(int32_t clientWidth, int32_t clientHeight, const CurvesMetrics& metrics)
{
    const int32_t dpi = metrics.dpi;
    const int32_t margin = ForDpi(kMargin, dpi);
    const int32_t gap = ForDpi(kGap, dpi);
    const int32_t line = std::max(metrics.lineHeight, 0);
    const int32_t width = std::max(clientWidth, 0);
    const int32_t height = std::max(clientHeight, 0);

    CurvesLayout layout{};
    const int32_t left = std::min(margin, width);
    const int32_t right = width - margin;
    const int32_t verdictBottom = std::max(height - margin, 0);
    const int32_t verdictTop = std::max(verdictBottom - std::max(metrics.verdictHeight, 0), 0);
    layout.verdict = Unflipped(left, verdictTop, right, verdictBottom);
    const int32_t legendBottom = std::max(verdictTop - gap, 0);
    layout.legend = Unflipped(left, std::max(legendBottom - line, 0), right, legendBottom);
    // Above the legend, the input labels' line; above that, the plot.
    const int32_t plotBottom = std::max(layout.legend.top - gap - line - gap, 0);
    const int32_t plotLeft = std::min(margin + std::max(metrics.yLabelWidth, 0) + gap, width);
    // The labels of 100 % and 255 are centred on the plot's top and right edges.
    const int32_t plotTop = std::min(margin + line / 2, plotBottom);
    const int32_t plotRight = width - margin - std::max(metrics.xLabelWidth, 0) / 2;
    layout.plot = Unflipped(plotLeft, plotTop, plotRight, plotBottom);
    return layout;
}

Point32 CurvesMinimumClient(const CurvesMetrics& metrics)
{
    const int32_t dpi = metrics.dpi;
    const int32_t margin = ForDpi(kMargin, dpi);
    const int32_t gap = ForDpi(kGap, dpi);
    const int32_t line = std::max(metrics.lineHeight, 0);
    const int32_t width = margin + std::max(metrics.yLabelWidth, 0) + gap + ForDpi(kMinimumPlotWidth, dpi) +
                          std::max(metrics.xLabelWidth, 0) / 2 + margin;
    const int32_t height = margin + line / 2 + ForDpi(kMinimumPlotHeight, dpi) + gap + line + gap + line + gap +
                           std::max(metrics.verdictHeight, 0) + margin;
    return Point32{width, height};
}

int32_t PlotX(int32_t input, const Rect32& plot)
{
    const int32_t span = std::max(Width(plot) - 1, 0);
    const int32_t clamped = std::clamp(input, 0, kMaxInput);
    return plot.left + static_cast<int32_t>(RoundedRatio(clamped, span, kMaxInput));
}

int32_t PlotY(uint32_t output, const Rect32& plot)
{
    const int32_t span = std::max(Height(plot) - 1, 0);
    const uint32_t clamped = std::min(output, kFullScale);
    return plot.top + static_cast<int32_t>(RoundedRatio(kFullScale - clamped, span, kFullScale));
}

int32_t PercentY(int32_t percent, const Rect32& plot)
{
    const int32_t clamped = std::clamp(percent, 0, 100);
    return PlotY(static_cast<uint32_t>(RoundedRatio(clamped, kFullScale, 100)), plot);
}

std::vector<Point32> CurvePoints(const uint16_t* values, size_t count, const Rect32& plot)
{
    std::vector<Point32> points;
    const int32_t columns = Width(plot);
    if (!values || count == 0 || columns <= 0 || Height(plot) <= 0)
        return points;
    points.reserve(static_cast<size_t>(columns));
    const int64_t steps = static_cast<int64_t>(count) - 1;
    const int64_t span = columns - 1;
    for (int32_t column = 0; column < columns; ++column) {
        uint32_t value = values[0];
        if (span > 0 && steps > 0) {
            // The column's place along the ramp: entry `at`, and `part` / span of the way
            // to the next.
            const int64_t place = column * steps;
            const auto at = static_cast<size_t>(place / span);
            const int64_t part = place % span;
            value = values[at];
            if (part != 0) {
                const int64_t low = values[at];
                const int64_t high = values[at + 1];
                const int64_t mixed = low * (span - part) + high * part;
                value = static_cast<uint32_t>((mixed * 2 + span) / (span * 2));
            }
        }
        points.push_back(Point32{plot.left + column, PlotY(value, plot)});
    }
    return points;
}

bool StrokeCovers(Stroke stroke, int32_t column, int32_t dpi)
{
    if (stroke == Stroke::Solid)
        return true;
    const Dashes& dashes = stroke == Stroke::Dashed ? kDashed : kDotted;
    const int32_t on = std::max(ForDpi(dashes.on, dpi), 2);
    const int32_t off = std::max(ForDpi(dashes.off, dpi), 1);
    return column >= 0 && column % (on + off) < on;
}

std::vector<StrokeRun> StrokeRuns(Stroke stroke, int32_t count, int32_t dpi)
{
    std::vector<StrokeRun> runs;
    for (int32_t column = 0; column < count; ++column) {
        if (!StrokeCovers(stroke, column, dpi))
            continue;
        if (!runs.empty() && runs.back().last == column - 1)
            runs.back().last = column;
        else
            runs.push_back(StrokeRun{column, column});
    }
    return runs;
}

int32_t ProfileLineWidth(int32_t dpi) { return std::max(ForDpi(kLineWidths[0], dpi), 1); }

int32_t CardLineWidth(int32_t dpi) { return std::max(ForDpi(kLineWidths[1], dpi), 1); }
