#include "core/archiveentry.h"

#include "core/datafile.h"
#include "core/export.h"
#include "core/listing.h"
#include "core/record.h"

#include <limits>

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

std::pair<qint64, qint64> Span::bounds() const
{
    return {from.isValid() ? from.startOfDay().toMSecsSinceEpoch()
                           : std::numeric_limits<qint64>::min(),
            to.isValid() ? to.addDays(1).startOfDay().toMSecsSinceEpoch()
                         : std::numeric_limits<qint64>::max()};
}

QString shownTime(const QDateTime &time)
{
    const QDateTime local = time.toLocalTime();
    const int offset = local.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return local.toString(QStringLiteral("yyyy-MM-dd HH:mm ")) + QLatin1Char(offset < 0 ? '-' : '+')
           + QStringLiteral("%1:%2")
                     .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                     .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString historyLine(const Entry &entry)
{
    QString note = entry.note;
    note.replace(QLatin1Char('\t'), QLatin1Char(' '))
            .replace(QLatin1Char('\r'), QLatin1Char(' '))
            .replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QStringList{QString::number(entry.id),
                       shownTime(entry.takenAt),
                       entry.port,
                       entry.device,
                       QString::number(entry.recordCount),
                       note}
            .join(QLatin1Char('\t'));
}

} // namespace Archive
