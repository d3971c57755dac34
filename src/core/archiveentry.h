#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>
#include <utility>

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

// A span of the viewer's local dates; a null date leaves that end open.
struct Span
{
    QDate from;
    QDate to;
    // In milliseconds since 1970 UTC: from the start of `from` to the start of the day after
    // `to`, each in the viewer's zone as it stands on that day.
    std::pair<qint64, qint64> bounds() const;
};

// How a time is shown to the viewer, in the dialog and on the command line alike: in the
// viewer's zone, with that zone's offset then, "2026-12-08 14:03 +01:00". An archive shared
// across zones so reads in one order and one calendar, the one its date filter uses.
QString shownTime(const QDateTime &time);

// An entry for a block that came in whole: `count` records of 7 bytes (bytes past them are
// dropped); empty when fewer arrived, which is no completed transfer. singleValue: the flag
// before the block, as the listing was built with it.
std::optional<Entry> completedDownload(const QByteArray &block, qint16 count, quint8 singleValue);

// The listing as it stood after the download, CR LF line breaks.
QString listing(const Entry &entry);

// The bytes a download writes in `format`: the window's data file (GBK), CSV or JSON. Empty
// optional (and *why) when the listing cannot be encoded.
std::optional<QByteArray> render(const Entry &entry, Format format, QString *why = nullptr);

// One line for a list of entries, without its line break: the ID first, then the time as
// shownTime() shows it, port, device, record count and note, separated by tabs (a note's own tabs
// and breaks become spaces).
QString historyLine(const Entry &entry);

} // namespace Archive
