#include "draw/pixellines.h"

#include <cstdlib>

PixelLines::PixelLines(QImage &image)
    : m_bits(image.bits())
    , m_bytesPerLine(image.bytesPerLine())
    , m_width(image.width())
    , m_height(image.height())
    , m_image(image)
{}

bool PixelLines::supports(const QImage &image)
{
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return !image.isNull();
    default:
        return false;
    }
}

void PixelLines::fill(QRgb color)
{
    m_image.fill(color);
}

void PixelLines::draw(std::span<const QLine> lines, QRgb color)
{
    for (const QLine &l : lines)
        line<1>(l, color);
}

void PixelLines::drawDotted(std::span<const QLine> lines, QRgb color)
{
    for (const QLine &l : lines)
        line<3>(l, color);
}

// Bresenham in all eight directions; every OnOffPeriod-th pixel from the first end is set.
template<int OnOffPeriod>
void PixelLines::line(const QLine &l, quint32 pixel)
{
    int x = l.x1();
    int y = l.y1();
    const int x2 = l.x2();
    const int y2 = l.y2();
    const int dx = std::abs(x2 - x);
    const int dy = -std::abs(y2 - y);
    const int sx = x < x2 ? 1 : -1;
    const int sy = y < y2 ? 1 : -1;
    int err = dx + dy;
    int step = 0;
    for (;;) {
        if ((OnOffPeriod == 1 || step % OnOffPeriod == 0) && unsigned(x) < unsigned(m_width)
            && unsigned(y) < unsigned(m_height)) {
            reinterpret_cast<quint32 *>(m_bits + y * m_bytesPerLine)[x] = pixel;
        }
        if (x == x2 && y == y2)
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
        ++step;
    }
}
