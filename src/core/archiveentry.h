#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// One completed stored-record download as the archive keeps it. The raw records are the source
// of truth: the listing, the data file, the CSV and the JSON are rebuilt from them by the same
// functions that built them when the download came in, so an entry reproduces them exactly.
namespace Archive {

struct Entry
{
    qint64 id = 0;     // given by the archive; 0 until stored
    QDateTime takenAt; // when the transfer completed, with the offset from UTC it had there
    QString port;      // "COM3"
    QString device;    // "/dev/ttyUSB0"
    QString program;   // which program downloaded it
    QString computer;  // the machine it ran on: a team's archive holds many
    qint16 recordCount = 0;
    QByteArray records;     // recordCount × 7 bytes, as the instrument sent them
    quint8 singleValue = 0; // the single-value flag the listing was built with
    QString note;           // what the user wrote about it
};

enum class Format { Listing, Csv, Json };

// An entry for a block that came in whole: `count` records of 7 bytes (bytes past them are
// dropped); empty when fewer arrived, which is no completed transfer. singleValue: the flag
// before the block, as the listing was built with it.
std::optional<Entry> completedDownload(const QByteArray &block, qint16 count, quint8 singleValue);

// The listing as it stood after the download, CR LF line breaks.
QString listing(const Entry &entry);

// The bytes a download writes in `format`: the window's data file (GBK), CSV or JSON. Empty
// optional (and *why) when the listing cannot be encoded.
std::optional<QByteArray> render(const Entry &entry, Format format, QString *why = nullptr);

// One line for a list of entries, without its line break: the ID first, then the time (ISO 8601
// with its offset), port, device, record count and note, separated by tabs (a note's own tabs and
// breaks become spaces).
QString historyLine(const Entry &entry);

} // namespace Archive
