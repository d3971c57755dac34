#include "draw/cursorstrips.h"

#include "core/chartunits.h"
#include "core/cursorstate.h"

#include <QFontMetricsF>
#include <QLine>
#include <QPainter>
#include <QPen>

namespace CursorStrip {

namespace {

void begin(QPainter &painter, const ChartMapping &mapping)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.fillRect(QRectF(QPointF(0, 0), mapping.pixelSize()), backgroundColor());
}

void setMarkerPen(QPainter &painter)
{
    QPen pen(markerColor(), 1, Qt::SolidLine);
    pen.setCosmetic(true);
    painter.setPen(pen);
}

// Text whose top left corner is at the given user position.
void drawTextAt(QPainter &painter,
                const ChartMapping &mapping,
                double x,
                double y,
                const QString &text,
                const TextStyle &style)
{
    painter.setFont(style.font);
    painter.setPen(style.color);
    const QFontMetricsF metrics(style.font, painter.device());
    const QPointF topLeft = mapping.toPixel(x, y);
    painter.drawText(QPointF(topLeft.x(), topLeft.y() + metrics.ascent()), text);
}

// Marker of a vertical cursor: a triangle 40 units wide and 20 high whose apex touches the top
// edge at x and points at the chart above.
void drawMarkerX(QPainter &painter, const ChartMapping &mapping, float x)
{
    const QLine lines[3] = {
            QLine(mapping.pixel(x, 0), mapping.pixel(x + 20, 20)),
            QLine(mapping.pixel(x, 0), mapping.pixel(x - 20, 20)),
            QLine(mapping.pixel(x + 20, 20), mapping.pixel(x - 20, 20)),
    };
    painter.drawLines(lines, 3);
}

// Marker of a horizontal cursor: a triangle 20 units wide and 40 high whose apex touches the
// left edge at y and points at the chart to the left.
void drawMarkerY(QPainter &painter, const ChartMapping &mapping, float y)
{
    const QLine lines[3] = {
            QLine(mapping.pixel(0, y), mapping.pixel(20, y + 20)),
            QLine(mapping.pixel(0, y), mapping.pixel(20, y - 20)),
            QLine(mapping.pixel(20, y + 20), mapping.pixel(20, y - 20)),
    };
    painter.drawLines(lines, 3);
}

} // namespace

QString label(const QString &prefix, float value)
{
    return prefix + QString::number(qint64(Cursors::roundHalfEven(value)));
}

bool drawX(
        QPainter &painter, const ChartMapping &mapping, float x1, float x2, const TextStyle &style)
{
    if (!Chart::onChart(x1) || !Chart::onChart(x2))
        return false;
    painter.save();
    begin(painter, mapping);
    setMarkerPen(painter);
    drawMarkerX(painter, mapping, x1);
    drawTextAt(painter, mapping, x1 - 10, 21, label(QStringLiteral("X1:"), x1), style);
    setMarkerPen(painter);
    drawMarkerX(painter, mapping, x2);
    drawTextAt(painter, mapping, x2 - 10, 21, label(QStringLiteral("X2:"), x2), style);
    painter.restore();
    return true;
}

bool drawY(
        QPainter &painter, const ChartMapping &mapping, float y2, float y1, const TextStyle &style)
{
    if (!Chart::onChart(y2) || !Chart::onChart(y1))
        return false;
    painter.save();
    begin(painter, mapping);
    setMarkerPen(painter);
    drawMarkerY(painter, mapping, y2);
    drawTextAt(painter, mapping, 21, y2 + 20, label(QStringLiteral("Y2:"), y2), style);
    setMarkerPen(painter);
    drawMarkerY(painter, mapping, y1);
    drawTextAt(painter, mapping, 21, y1 + 20, label(QStringLiteral("Y1:"), y1), style);
    painter.restore();
    return true;
}

} // namespace CursorStrip
