#pragma once

#include <QPoint>
#include <QPointF>
#include <QSizeF>

#include <cmath>

// A surface's user coordinate system: the user units at its left, top, right and bottom edges.
// Either axis may run backwards (the trend chart has y growing upward).
struct UserScale
{
    double left = 0;
    double top = 0;
    double right = 1;
    double bottom = 1;
};

// Maps user units onto the pixels of a surface of a given logical size, e.g. for the trend chart
// (-10, 1010, 1010, -10): x' = (x + 10) / 1020 * w, y' = (1010 - y) / 1020 * h.
class ChartMapping
{
public:
    ChartMapping() = default;
    ChartMapping(const UserScale &scale, QSizeF pixelSize)
        : m_scale(scale)
        , m_size(pixelSize)
    {}

    const UserScale &scale() const { return m_scale; }
    QSizeF pixelSize() const { return m_size; }

    double toPixelX(double x) const
    {
        return (x - m_scale.left) / (m_scale.right - m_scale.left) * m_size.width();
    }
    double toPixelY(double y) const
    {
        return (y - m_scale.top) / (m_scale.bottom - m_scale.top) * m_size.height();
    }
    QPointF toPixel(double x, double y) const { return {toPixelX(x), toPixelY(y)}; }

    // The pixel a point falls in. Lines are drawn aliased between pixel positions so that a
    // line at a given user position always lights the same row or column, whatever is drawn
    // around it.
    QPoint pixel(double x, double y) const
    {
        return {int(std::floor(toPixelX(x))), int(std::floor(toPixelY(y)))};
    }

    bool operator==(const ChartMapping &other) const
    {
        return m_scale.left == other.m_scale.left && m_scale.top == other.m_scale.top
               && m_scale.right == other.m_scale.right && m_scale.bottom == other.m_scale.bottom
               && m_size == other.m_size;
    }

private:
    UserScale m_scale;
    QSizeF m_size;
};
