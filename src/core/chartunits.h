#pragma once

// The trend chart's own units: both axes run from 0 to kFull, whatever the chart's size in
// pixels. The cursors, the trace, the strips and the cursor boxes all speak them.
namespace Chart {

inline constexpr int kFull = 1000;
// Where the cursors X2 and Y2 start, and return to: the middle of the chart.
inline constexpr int kCursorStart = kFull / 2;

// On the chart, its edges included.
constexpr bool onChart(double v)
{
    return v >= 0 && v <= kFull;
}

} // namespace Chart
