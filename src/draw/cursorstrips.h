#pragma once

#include "draw/chartmapping.h"

#include <QColor>
#include <QFont>
#include <QString>

class QPainter;

// The two strips beside the trend chart that carry the cursor markers and their value labels.
namespace CursorStrip {

// Strip X: x along the chart's time axis, y from 0 at the top to 136 at the bottom.
inline constexpr UserScale kScaleX{-10, 0, 1010, 136};
// Strip Y: x from 0 at the left to 136, y along the chart's value axis, growing upward.
inline constexpr UserScale kScaleY{0, 1010, 136, -10};

inline QColor backgroundColor()
{
    return Qt::white;
}
inline QColor markerColor()
{
    return {0, 0, 255};
}

// How labels are written: the surface's own font and text colour.
struct TextStyle
{
    QFont font;
    QColor color = Qt::black;
};

// "X1:" + 12 for 12.5, "X1:" + 14 for 13.5: the value rounded half to even.
QString label(const QString &prefix, float value);

// Redraws strip X with markers and labels of X1 and X2. When either value lies outside
// 0..1000 nothing is drawn at all (the strip keeps its previous picture) and false is returned.
bool drawX(
        QPainter &painter, const ChartMapping &mapping, float x1, float x2, const TextStyle &style);

// The same for strip Y with the markers of Y2 and Y1.
bool drawY(
        QPainter &painter, const ChartMapping &mapping, float y2, float y1, const TextStyle &style);

} // namespace CursorStrip
