#include "platform/codepage936.h"

#include <QStringEncoder>

namespace CodePage936 {

std::optional<QByteArray> encode(const QString &text, QString *why)
{
    QStringEncoder encoder("GBK");
    if (!encoder.isValid()) {
        if (why)
            *why = QStringLiteral("No GBK text encoder is available.");
        return std::nullopt;
    }
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError()) {
        if (why)
            *why = QStringLiteral("The listing holds characters that GBK cannot represent.");
        return std::nullopt;
    }
    return bytes;
}

} // namespace CodePage936
