#pragma once

#include <QImage>
#include <QLine>

#include <span>

// Straight one-pixel lines written straight into a 32-bit image, for the redraws that happen on
// every reading and mouse move: QPainter's general line path costs about a microsecond per
// line, far too much for the ~1000 short lines of the trend chart. Lines are given in the
// image's device pixels, both ends included, and clipped to the image.
class PixelLines
{
public:
    // The image must be in one of the formats accepted by supports().
    explicit PixelLines(QImage &image);

    static bool supports(const QImage &image);

    void fill(QRgb color);
    void draw(std::span<const QLine> lines, QRgb color);
    // Dotted: one pixel on, two off, starting on at the first end, as a cosmetic DotLine pen.
    void drawDotted(std::span<const QLine> lines, QRgb color);

private:
    template<int OnOffPeriod>
    void line(const QLine &l, quint32 pixel);

    uchar *m_bits;
    qsizetype m_bytesPerLine;
    int m_width;
    int m_height;
    QImage &m_image;
};
