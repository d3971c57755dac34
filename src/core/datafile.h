#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The data text file: the listing exactly as shown, as 8-bit text in code page 936 (GBK), with
// CR LF line breaks and no byte-order mark. The full-width colon of the pair texts becomes A3 BA.
namespace DataFile {

// The file's bytes for a listing text (which already carries CR LF breaks). Empty optional when
// the text cannot be written in the code page; *why then says so.
std::optional<QByteArray> encode(const QString &listing, QString *why = nullptr);

// What the save dialog is given.
QString defaultName(); // "Quillobarent"
QString filter();      // one type: "文本格式 (*.txt)" with the pattern "*.txt"
QString defaultExt();  // ".txt"

} // namespace DataFile
