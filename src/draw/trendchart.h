#pragma once

#include "core/chartunits.h"
#include "draw/chartmapping.h"

#include <QColor>

#include <span>

class QImage;
class QPainter;

// The trend chart drawn from its state alone, onto any painter: the window's retained image, a
// test image or a printer page.
namespace TrendChart {

// The chart's units with a margin of 10 round them.
inline constexpr UserScale kScale{-10, Chart::kFull + 10, Chart::kFull + 10, -10};

inline QColor backgroundColor()
{
    return {150, 150, 150};
}
inline QColor frameColor()
{
    return {0, 0, 255};
} // frame, ticks and cursor lines
inline QColor traceColor()
{
    return {0, 255, 0};
}

struct State
{
    float x1 = 0;                   // vertical cursor X1
    float x2 = Chart::kCursorStart; // vertical cursor X2
    float y2 = Chart::kCursorStart; // horizontal cursor Y2
    float y1 = 0;                   // horizontal cursor Y1, also the baseline of the trace
    bool traceEnabled = false;
    int segments = 0;               // trace segments n; the trace uses samples 0..n
    std::span<const float> samples; // chart samples in chart units
};

// Redraws the whole chart: clear to the background, frame and ticks (solid), the cursor lines
// that lie within 0..1000 (dotted), then the trace when enabled. Every line is one pixel wide
// whatever the painter's transform.
void draw(QPainter &painter, const ChartMapping &mapping, const State &state);

// The same picture written straight into a 32-bit image (the window's retained image, at any
// device pixel ratio), several times faster than going through a painter. Other formats are
// drawn through a painter.
void draw(QImage &image, const UserScale &scale, const State &state);

// The ends of one trace segment after flattening: a segment with an end below 0 lies flat at
// 0, else one with an end above 1000 lies flat at 1000. The below-zero test comes first.
struct SegmentEnds
{
    float a;
    float b;
};
SegmentEnds flattenSegment(float a, float b);

} // namespace TrendChart
