#include "core/datafile.h"

#include <QCoreApplication>
#include <QStringEncoder>

namespace DataFile {

std::optional<QByteArray> encode(const QString &listing, QString *why)
{
    QStringEncoder encoder("GBK");
    if (!encoder.isValid()) {
        if (why)
            *why = QStringLiteral("No GBK text encoder is available.");
        return std::nullopt;
    }
    QByteArray bytes = encoder.encode(listing);
    if (encoder.hasError()) {
        // A character without a GBK code would turn into a question mark: rather say so than
        // write a file that differs from the listing.
        if (why)
            *why = QStringLiteral("The listing holds characters that GBK cannot represent.");
        return std::nullopt;
    }
    return bytes;
}

QString defaultName()
{
    return QStringLiteral("Quillobarent");
}

QString filter()
{
    return QStringLiteral("文本格式 (*.txt)|*.txt");
}

QString defaultExt()
{
    return QStringLiteral(".txt");
}

} // namespace DataFile
