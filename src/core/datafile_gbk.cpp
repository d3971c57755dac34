#include "core/datafile.h"

#include <QStringEncoder>

// GBK through Qt's converter, which has it from ICU. (Qt for Windows is built without ICU; there
// datafile_gbk_win.cpp asks the system's own code page tables.)
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

} // namespace DataFile
