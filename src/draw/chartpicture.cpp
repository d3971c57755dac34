#include "draw/chartpicture.h"

#include <QBuffer>

namespace ChartPicture {

QByteArray bitmapData(const QImage &image, QSize logicalSize)
{
    // Nothing to encode: say so by the empty result rather than by what scaling a null image
    // would give.
    if (image.isNull() || logicalSize.isEmpty())
        return {};
    QImage picture = image;
    if (picture.size() != logicalSize)
        picture = picture.scaled(logicalSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    picture.setDevicePixelRatio(1);
    QByteArray data;
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "BMP"))
        return {};
    return data;
}

} // namespace ChartPicture
