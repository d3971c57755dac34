#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace ChartPicture {

// The chart picture as a Windows bitmap file, at the chart's size on the screen: an image kept
// at a higher device pixel ratio is scaled down to logicalSize first. Empty, and nothing else,
// when there is no picture to encode (a null image, an empty size) or encoding fails; a save
// of empty data fails (SaveFile::writeAtomically), so the user is told and the old file stays.
QByteArray bitmapData(const QImage &image, QSize logicalSize);

} // namespace ChartPicture
