#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace ChartPicture {

// The chart picture as a Windows bitmap file, at the chart's size on the screen: an image kept
// at a higher device pixel ratio is scaled down to logicalSize first. Empty when the image
// cannot be encoded.
QByteArray bitmapData(const QImage &image, QSize logicalSize);

} // namespace ChartPicture
