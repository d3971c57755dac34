#include "core/archiveentry.h"

#include "core/datafile.h"
#include "core/export.h"
#include "core/listing.h"
#include "core/record.h"

namespace Archive {

namespace {

const std::uint8_t *bytesOf(const Entry &entry)
{
    return reinterpret_cast<const std::uint8_t *>(entry.records.constData());
}

} // namespace

std::optional<Entry> completedDownload(const QByteArray &block, qint16 count, quint8 singleValue)
{
    const qsizetype size = qsizetype(qMax<qint16>(count, 0)) * Record::kBytes;
    if (block.size() < size)
        return std::nullopt;
    Entry entry;
    entry.recordCount = qMax<qint16>(count, 0);
    entry.records = block.left(size);
    entry.singleValue = singleValue;
    return entry;
}

QString listing(const Entry &entry)
{
    return Listing::build(
                   bytesOf(entry), entry.records.size(), entry.recordCount, entry.singleValue)
            .text;
}

std::optional<QByteArray> render(const Entry &entry, Format format, QString *why)
{
    switch (format) {
    case Format::Listing: {
        std::optional<QByteArray> file = DataFile::encode(listing(entry), why);
        if (!file && why)
            *why = QStringLiteral("cannot write the listing: %1").arg(*why);
        return file;
    }
    case Format::Csv:
    case Format::Json: {
        const QList<Export::StoredRecord> records = Export::storedRecords(
                bytesOf(entry), entry.records.size(), entry.recordCount, entry.singleValue);
        return format == Format::Csv ? Export::recordsCsv(records) : Export::recordsJson(records);
    }
    }
    return std::nullopt;
}

QString historyLine(const Entry &entry)
{
    // With the offset it had, also for a time in the local zone (which ISO text leaves bare).
    const QDateTime taken = entry.takenAt.toOffsetFromUtc(entry.takenAt.offsetFromUtc());
    QString note = entry.note;
    note.replace(QLatin1Char('\t'), QLatin1Char(' '))
            .replace(QLatin1Char('\r'), QLatin1Char(' '))
            .replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QStringList{QString::number(entry.id),
                       taken.toString(Qt::ISODate),
                       entry.port,
                       entry.device,
                       QString::number(entry.recordCount),
                       note}
            .join(QLatin1Char('\t'));
}

} // namespace Archive
