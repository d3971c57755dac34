#pragma once

#include <QString>

// The data text file: the listing exactly as shown, as 8-bit text in code page 936 (GBK), with
// CR LF line breaks and no byte-order mark. The full-width colon of the pair texts becomes A3 BA.
// The listing text carries its CR LF breaks already; CodePage936::encode (platform) makes the
// bytes, since the encoder is the system's.
namespace DataFile {

// What the save dialog is given.
QString defaultName(); // "Quillobarent"
QString filter();      // one type: "文本格式 (*.txt)" with the pattern "*.txt"
QString defaultExt();  // ".txt"

} // namespace DataFile
