#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Text in code page 936 (GBK), the encoding of the saved listing. Qt converts to it only through
// ICU, which Linux has and Qt for Windows is built without; there the system's own code page
// tables do it. Either way a character without a GBK code is refused, never turned into "?".
namespace CodePage936 {

// The bytes of `text` (no byte-order mark). Empty optional when a character has no GBK code or
// the system has no encoder for the code page; *why then says which.
std::optional<QByteArray> encode(const QString &text, QString *why = nullptr);

} // namespace CodePage936
