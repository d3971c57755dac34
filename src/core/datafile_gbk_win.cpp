#include "core/datafile.h"

#include <windows.h>

// GBK through Windows' own tables for code page 936: Qt for Windows is built without ICU, and
// its converter knows no GBK there.
namespace DataFile {

std::optional<QByteArray> encode(const QString &listing, QString *why)
{
    if (listing.isEmpty())
        return QByteArray();
    const auto *wide = reinterpret_cast<const wchar_t *>(listing.utf16());
    const int length = int(listing.size());
    // No best fit: a character without its own code would otherwise become a look-alike.
    BOOL defaultUsed = FALSE;
    const int size = WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0,
                                         nullptr, &defaultUsed);
    if (size <= 0) {
        if (why)
            *why = QStringLiteral("No GBK text encoder is available.");
        return std::nullopt;
    }
    QByteArray bytes(size, Qt::Uninitialized);
    WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, wide, length, bytes.data(), size, nullptr,
                        &defaultUsed);
    if (defaultUsed) {
        if (why)
            *why = QStringLiteral("The listing holds characters that GBK cannot represent.");
        return std::nullopt;
    }
    return bytes;
}

} // namespace DataFile
