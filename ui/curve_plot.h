// The geometry of the calibration curves window: where the plot, its legend and Verify's
// verdict go in the client area, the axes (0 to 255 in, 0 to 100 % out), and each
// channel's ramp as one point per pixel column of the plot, with the stroke that tells
// the channels apart. Plain integers, so it is tested without a window system.
#pragma once

#include "fw/window_math.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// The parts of the client area. The plot is the rectangle the curves fill: input 0 at its
// left column, 255 at its right one; output 100 % at its top row, 0 % at its bottom one.
// The axes' labels go left of it and below it, the legend below them, the verdict at the
// bottom. None is ever inverted: a window too small for a part leaves it empty.
struct CurvesLayout {
    Rect32 plot;
    Rect32 legend;
    Rect32 verdict;
};

// What the layout needs of the window's font and texts, in pixels at the window's DPI.
struct CurvesMetrics {
    int32_t dpi = kDefaultDpi;
    int32_t lineHeight = 0;      // one line of the window's font
    int32_t yLabelWidth = 0;     // the widest output label ("100 %")
    int32_t xLabelWidth = 0;     // the widest input label ("255"), centred under its tick
    int32_t verdictHeight = 0;   // the verdict's lines, as wrapped for the window's width
};

CurvesLayout LayOutCurves(int32_t clientWidth, int32_t clientHeight, const CurvesMetrics& metrics);

// The smallest client area whose plot is still kMinimumPlot pixels (at 96 DPI, scaled)
// wide and high, with the verdict as tall as given.
constexpr int32_t kMinimumPlotWidth = 160;
constexpr int32_t kMinimumPlotHeight = 100;
Point32 CurvesMinimumClient(const CurvesMetrics& metrics);

// The ticks of the axes: inputs 0, 64, 128, 192 and 255; outputs 0, 25, 50, 75 and 100 %.
constexpr int32_t kMaxInput = 255;
constexpr uint32_t kFullScale = 65535;
constexpr std::array<int32_t, 5> kInputTicks = {0, 64, 128, 192, 255};
constexpr std::array<int32_t, 5> kOutputTickPercents = {0, 25, 50, 75, 100};

// The column of an input (0 to 255) in plot, rounded; inputs outside are clamped.
int32_t PlotX(int32_t input, const Rect32& plot);
// The row of an output (0 to 65535) in plot, rounded; 65535 is the top row.
int32_t PlotY(uint32_t output, const Rect32& plot);
// The row of an output tick, in percent (clamped to 0 to 100).
int32_t PercentY(int32_t percent, const Rect32& plot);

// A channel's ramp of count entries (any count: 256 for the video card) as one point per
// column of plot: the column's place along the ramp, linearly interpolated between the
// entries on either side and rounded. One column takes the first entry; one entry is a
// flat line. Empty for an empty plot or ramp.
std::vector<Point32> CurvePoints(const uint16_t* values, size_t count, const Rect32& plot);

// How a channel's line is drawn, besides its colour: red solid, green dashed, blue
// dotted, so that the channels are told apart without colour.
enum class Stroke { Solid, Dashed, Dotted };
constexpr std::array<Stroke, 3> kChannelStrokes = {Stroke::Solid, Stroke::Dashed, Stroke::Dotted};

// Whether the stroke draws the column'th point of a line (its dashes are counted in
// columns from the line's start, at 96 DPI scaled to dpi).
bool StrokeCovers(Stroke stroke, int32_t column, int32_t dpi);
// The runs of points the stroke draws of a line of count points: each [first, last] is
// drawn as one polyline, and joins the point after it, so that a run of one column is
// still a segment. Solid is one run.
struct StrokeRun {
    int32_t first;
    int32_t last;
};
std::vector<StrokeRun> StrokeRuns(Stroke stroke, int32_t count, int32_t dpi);

// The lines' widths: the profile's table thick, the video card's ramp thin over it.
int32_t ProfileLineWidth(int32_t dpi);
int32_t CardLineWidth(int32_t dpi);

// The channels' colours (0xRRGGBB) where the system is not in high contrast, in the order
// red, green, blue.
constexpr std::array<uint32_t, 3> kChannelColours = {0xD00000, 0x008000, 0x0000FF};
