#include "core/export.h"

#include "core/measurekinds.h"

#include "core/record.h"

namespace Export {

namespace {

const QLatin1StringView kCrLf("\r\n");

// The listing writes the ohm as a word; every other unit as the readouts do.
QString listingUnit(const QString &unit)
{
    return unit == QStringLiteral("\u03A9") ? QStringLiteral("Ohm") : unit;
}

// A column of the listing for a value, as Listing::build writes it before its padding.
QString listingText(const Quantity::Value &v)
{
    switch (v.state) {
    case Quantity::State::Number:
        return v.shownText() + QLatin1Char(' ') + listingUnit(v.unit);
    case Quantity::State::OverRange:
        return QStringLiteral("0L");
    case Quantity::State::UnderRange:
        return QStringLiteral("L0.01");
    case Quantity::State::Error:
        return QStringLiteral("ERROR");
    case Quantity::State::None:
        break;
    }
    return {};
}

QString twoDigits(std::uint32_t n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString csvRow(const QStringList &fields)
{
    QString row;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            row += QLatin1Char(',');
        row += csvField(fields.at(i));
    }
    return row + kCrLf;
}

QString jsonString(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'"':
            out += QLatin1StringView("\\\"");
            break;
        case u'\\':
            out += QLatin1StringView("\\\\");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString jsonNumberOrNull(const Quantity::Value &v)
{
    return v.isNumber() ? v.plainText() : QStringLiteral("null");
}

QString jsonUnitOrNull(const Quantity::Value &v)
{
    return v.isNumber() ? jsonString(v.unit) : QStringLiteral("null");
}

} // namespace

QString csvField(const QString &text)
{
    const bool quoted = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"'))
                        || text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'))
                        || text.startsWith(QLatin1Char(' ')) || text.endsWith(QLatin1Char(' '));
    if (!quoted)
        return text;
    QString inner = text;
    inner.replace(QLatin1Char('"'), QLatin1StringView("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

QString timestamp(const QDateTime &time)
{
    // An explicit offset: local times repeat when the clocks go back.
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QByteArray readingsCsvHeader()
{
    return QByteArrayLiteral(
            "time,kind,main_text,second_text,main_value,main_unit,second_value,second_unit\r\n");
}

QByteArray readingCsvRow(const Reading &r)
{
    return csvRow({timestamp(r.time),
                   Quantity::kindWord(r.kind),
                   r.mainText,
                   r.secondText,
                   r.values.first.plainText(),
                   r.values.first.isNumber() ? r.values.first.unit : QString(),
                   r.values.second.plainText(),
                   r.values.second.isNumber() ? r.values.second.unit : QString()})
            .toUtf8();
}

QList<StoredRecord> storedRecords(const std::uint8_t *bytes,
                                  std::ptrdiff_t size,
                                  int count,
                                  quint8 singleValue)
{
    QList<StoredRecord> result;
    if (!bytes || size < 0 || count <= 0)
        return result;
    const std::ptrdiff_t records = qMin<std::ptrdiff_t>(count, size / Record::kBytes);
    result.reserve(records);
    for (std::ptrdiff_t i = 0; i < records; ++i) {
        const Record::Fields f = Record::read(bytes + i * Record::kBytes);
        if (f.last == Record::kNoSecondValue)
            singleValue = 1;
        StoredRecord r;
        r.number = int(i + 1);
        r.kind = f.kind;
        r.values = Quantity::of(f, Quantity::Shown::Listing);
        r.text1 = listingText(r.values.first);
        const Record::KindRow *row = Record::kindRow(f.kind);
        if (row && row->value2 == Record::Holds::Current)
            r.text2 = listingText(r.values.second);
        else if (row && row->value2 == Record::Holds::Pair && singleValue == 0)
            r.text2 = twoDigits(f.value2) + QChar(0xFF1A) + twoDigits(std::uint32_t(f.last));
        result.append(r);
    }
    return result;
}

QByteArray recordsCsv(const QList<StoredRecord> &records)
{
    QString out = QStringLiteral("number,kind,value1,unit1,value2,unit2,text1,text2") + kCrLf;
    for (const StoredRecord &r : records) {
        out += csvRow({QString::number(r.number),
                       Quantity::kindWord(r.kind),
                       r.values.first.plainText(),
                       r.values.first.isNumber() ? r.values.first.unit : QString(),
                       r.values.second.plainText(),
                       r.values.second.isNumber() ? r.values.second.unit : QString(),
                       r.text1,
                       r.text2});
    }
    return out.toUtf8();
}

QByteArray recordsJson(const QList<StoredRecord> &records)
{
    if (records.isEmpty())
        return QByteArrayLiteral("[]\n");
    QString out = QStringLiteral("[\n");
    for (qsizetype i = 0; i < records.size(); ++i) {
        const StoredRecord &r = records.at(i);
        out += QStringLiteral("  {\"number\": %1, \"kind\": %2, \"value1\": %3, \"unit1\": %4, "
                              "\"value2\": %5, \"unit2\": %6, \"text1\": %7, \"text2\": %8}")
                       .arg(QString::number(r.number),
                            jsonString(Quantity::kindWord(r.kind)),
                            jsonNumberOrNull(r.values.first),
                            jsonUnitOrNull(r.values.first),
                            jsonNumberOrNull(r.values.second),
                            jsonUnitOrNull(r.values.second),
                            jsonString(r.text1),
                            jsonString(r.text2));
        out += i + 1 < records.size() ? QStringLiteral(",\n") : QStringLiteral("\n");
    }
    out += QStringLiteral("]\n");
    return out.toUtf8();
}

} // namespace Export
