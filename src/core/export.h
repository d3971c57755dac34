#pragma once

#include "core/quantity.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>

// Readings and stored records as CSV (UTF-8, RFC 4180, CR LF, a header row) and JSON (UTF-8):
// the texts as the window shows them beside the values as plain numbers with their units. A
// value that is no number (over range, under range, an error, the pair of kinds 2 to 4) leaves
// its number and unit empty (null in JSON); its text says what it is.
namespace Export {

// One field of a CSV row: quoted when it holds a comma, a quote, a line break or a space at
// either end (some readers would drop those spaces), quotes inside doubled.
QString csvField(const QString &text);

// ISO 8601 with milliseconds and the offset from UTC the time carries:
// "2024-05-01T14:03:07.250+02:00".
QString timestamp(const QDateTime &time);

// ---- Realtime readings ----

struct Reading
{
    QDateTime time;
    int kind = 0;
    QString mainText;   // the main readout's text, exactly
    QString secondText; // the second readout's text, exactly
    Quantity::Pair values;
};

// "time,kind,main_text,second_text,main_value,main_unit,second_value,second_unit" and CR LF.
QByteArray readingsCsvHeader();
// One row and its CR LF.
QByteArray readingCsvRow(const Reading &reading);

// ---- Stored records ----

struct StoredRecord
{
    int number = 0; // 1-based, as the listing numbers it
    int kind = 0;
    Quantity::Pair values;
    QString text1; // the listing's columns, without the spaces that align them
    QString text2;
};

// The records of a stored-record block, decoded as the listing decodes them: only whole records
// among `size` bytes, at most `count`; the pair column of kinds 2 to 4 disappears for good from
// the first record with no second value (255), as in the listing. singleValue: the flag before
// the block.
QList<StoredRecord> storedRecords(const std::uint8_t *bytes,
                                  std::ptrdiff_t size,
                                  int count,
                                  quint8 singleValue);

// Header "number,kind,value1,unit1,value2,unit2,text1,text2", then one row per record.
QByteArray recordsCsv(const QList<StoredRecord> &records);
// An array of objects with the keys of the CSV header, in that order, one record per line.
QByteArray recordsJson(const QList<StoredRecord> &records);

} // namespace Export
