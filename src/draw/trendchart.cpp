#include "draw/trendchart.h"

#include "core/chartunits.h"
#include "draw/pixellines.h"

#include <QLine>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <vector>

namespace TrendChart {

namespace {

// The frame and its 432 ticks never change for a given mapping, so their pixel lines are built
// once. The order is kept (frame; then per edge the minor ticks before the major ones) although
// with a single colour it does not change the picture.
const std::vector<QLine> &staticLines(const ChartMapping &mapping)
{
    thread_local ChartMapping cachedFor;
    thread_local std::vector<QLine> lines;
    if (!lines.empty() && cachedFor == mapping)
        return lines;
    lines.clear();
    lines.reserve(4 + 8 * 99);
    auto add = [&](double xa, double ya, double xb, double yb) {
        lines.emplace_back(mapping.pixel(xa, ya), mapping.pixel(xb, yb));
    };
    constexpr double full = Chart::kFull;
    add(0, 0, full, 0);
    add(0, full, full, full);
    add(0, 0, 0, full);
    add(full, 0, full, full);
    struct Edge
    {
        double minorLength;
        double majorLength;
        bool horizontalEdge;
        double at;
        double inward;
    };
    const Edge edges[] = {
            {12, 20, true, 0, 1},     // bottom
            {12, 20, true, full, -1}, // top
            {8, 15, false, 0, 1},     // left
            {8, 15, false, full, -1}, // right
    };
    for (const Edge &edge : edges) {
        for (const bool major : {false, true}) {
            const int first = major ? 100 : 10;
            const int last = major ? 900 : 990;
            const int step = major ? 100 : 10;
            const double length = (major ? edge.majorLength : edge.minorLength) * edge.inward;
            for (int i = first; i <= last; i += step) {
                if (edge.horizontalEdge)
                    add(i, edge.at, i, edge.at + length);
                else
                    add(edge.at, i, edge.at + length, i);
            }
        }
    }
    cachedFor = mapping;
    return lines;
}

// The lines of one redraw, in pixels, grouped by how they are drawn.
struct Lines
{
    const std::vector<QLine> *frame = nullptr; // solid blue
    QLine cursors[4];                          // dotted blue
    int cursorCount = 0;
    std::vector<QLine> *trace = nullptr; // solid green
    int traceCount = 0;
};

Lines buildLines(const ChartMapping &mapping, const State &state)
{
    Lines lines;
    lines.frame = &staticLines(mapping);
    auto horizontal = [&](float y) {
        if (Chart::onChart(y))
            lines.cursors[lines.cursorCount++]
                    = QLine(mapping.pixel(0, y), mapping.pixel(Chart::kFull, y));
    };
    auto vertical = [&](float x) {
        if (Chart::onChart(x))
            lines.cursors[lines.cursorCount++]
                    = QLine(mapping.pixel(x, 0), mapping.pixel(x, Chart::kFull));
    };
    horizontal(state.y2);
    horizontal(state.y1);
    vertical(state.x1);
    vertical(state.x2);

    thread_local std::vector<QLine> trace;
    lines.trace = &trace;
    if (!state.traceEnabled || state.segments <= 0)
        return lines;
    // A window wider than the buffer draws only the samples that exist.
    const int n = std::min<int>(state.segments, int(state.samples.size()) - 1);
    const double step = double(Chart::kFull) / state.segments;
    trace.resize(std::max(n, 0));
    for (int i = 1; i <= n; ++i) {
        const float a = state.y1 + state.samples[i - 1];
        const float b = state.y1 + state.samples[i];
        const SegmentEnds ends = flattenSegment(a, b);
        const float xa = float(step * (i - 1));
        const float xb = float(step * i);
        trace[i - 1] = QLine(mapping.pixel(xa, ends.a), mapping.pixel(xb, ends.b));
    }
    lines.traceCount = std::max(n, 0);
    return lines;
}

QPen cosmeticPen(const QColor &color, Qt::PenStyle style)
{
    QPen pen(color, 1, style);
    pen.setCosmetic(true);
    return pen;
}

} // namespace

SegmentEnds flattenSegment(float a, float b)
{
    // A sample that is not a number cannot be placed; it goes to the bottom with the negatives.
    if (!(a >= 0) || !(b >= 0))
        return {0, 0};
    if (a > Chart::kFull || b > Chart::kFull)
        return {Chart::kFull, Chart::kFull};
    return {a, b};
}

void draw(QPainter &painter, const ChartMapping &mapping, const State &state)
{
    const Lines lines = buildLines(mapping, state);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.fillRect(QRectF(QPointF(0, 0), mapping.pixelSize()), backgroundColor());
    painter.setPen(cosmeticPen(frameColor(), Qt::SolidLine));
    painter.drawLines(lines.frame->data(), int(lines.frame->size()));
    if (lines.cursorCount > 0) {
        painter.setPen(cosmeticPen(frameColor(), Qt::DotLine));
        painter.drawLines(lines.cursors, lines.cursorCount);
    }
    if (lines.traceCount > 0) {
        painter.setPen(cosmeticPen(traceColor(), Qt::SolidLine));
        painter.drawLines(lines.trace->data(), lines.traceCount);
    }
    painter.restore();
}

void draw(QImage &image, const UserScale &scale, const State &state)
{
    if (!PixelLines::supports(image)) {
        QPainter painter(&image);
        draw(painter, ChartMapping(scale, image.deviceIndependentSize()), state);
        return;
    }
    // Drawn in device pixels: on a high-density image the lines stay one pixel wide, as a
    // cosmetic pen would draw them.
    const ChartMapping mapping(scale, QSizeF(image.size()));
    const Lines lines = buildLines(mapping, state);
    PixelLines pixels(image);
    pixels.fill(backgroundColor().rgb());
    pixels.draw(*lines.frame, frameColor().rgb());
    pixels.drawDotted(std::span<const QLine>(lines.cursors, lines.cursorCount), frameColor().rgb());
    pixels.draw(std::span<const QLine>(lines.trace->data(), lines.traceCount), traceColor().rgb());
}

} // namespace TrendChart
