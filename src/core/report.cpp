#include "core/report.h"

#include "core/alarms.h"
#include "core/numbertext.h"
#include "core/record.h"

#include <QMap>

#include <cmath>
#include <tuple>

namespace Report {

namespace {

constexpr double kMicros = 1e6;

// A resistance in ohms for the trend chart; nullopt when the reading is no number.
std::optional<double> ohms(const Quantity::Value &value)
{
    if (!value.isNumber())
        return std::nullopt;
    return double(ReadingStats::shown(value).micros) / kMicros;
}

bool judged(int kind)
{
    return kind == Record::ResistanceAndCurrent || kind == Record::Resistance;
}

// The tallies by kind, then value 1 before value 2, then unit (a current may be in A or mA).
using TallyKey = std::tuple<int, int, QString>;

void tally(QMap<TallyKey, ReadingStats::Tally> &tallies,
           int kind,
           int which,
           const Quantity::Value &value)
{
    if (value.isNumber())
        tallies[{kind, which, value.unit}].add(ReadingStats::shown(value));
}

} // namespace

Verdict verdict(int kind, const Quantity::Value &first, double limitOhms)
{
    if (!judged(kind))
        return Verdict::None;
    if (!first.isNumber())
        return Verdict::CannotJudge;
    const qint64 value = ReadingStats::shown(first).micros;
    const qint64 limit = std::llround(limitOhms * kMicros);
    return value <= limit ? Verdict::Pass : Verdict::Fail;
}

QString verdictText(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Pass:
        return QStringLiteral("pass");
    case Verdict::Fail:
        return QStringLiteral("FAIL");
    case Verdict::CannotJudge:
        return QStringLiteral("cannot be judged");
    case Verdict::None:
        break;
    }
    return {};
}

bool acceptableLimit(double limitOhms)
{
    return limitOhms > 0 && limitOhms <= Alarms::kResistanceLimitMax;
}

std::optional<double> windowLimit(const QString &boxText, float alarmLimit)
{
    const double typed = NumberText::readLeadingNumber(boxText);
    if (acceptableLimit(typed))
        return typed;
    if (acceptableLimit(alarmLimit))
        return alarmLimit;
    return std::nullopt;
}

QString limitText(double limitOhms)
{
    return NumberText::plain(float(limitOhms)) + QStringLiteral(" \u03A9");
}

bool usesLetterPaper(const QLocale &locale)
{
    if (locale.measurementSystem() == QLocale::ImperialUSSystem)
        return true;
    switch (locale.territory()) {
    case QLocale::Canada:
    case QLocale::Mexico:
    case QLocale::Philippines:
    case QLocale::Chile:
    case QLocale::Colombia:
    case QLocale::Venezuela:
        return true;
    default:
        return false;
    }
}

Content build(const Archive::Entry &entry, double limitOhms)
{
    Content c;
    c.entry = entry;
    c.limitOhms = limitOhms;
    const QList<Export::StoredRecord> records = Export::storedRecords(
            reinterpret_cast<const std::uint8_t *>(entry.records.constData()),
            entry.records.size(),
            entry.recordCount,
            entry.singleValue);
    QMap<int, int> perKind;
    QMap<TallyKey, ReadingStats::Tally> tallies;
    c.lines.reserve(records.size());
    for (const Export::StoredRecord &r : records) {
        const Verdict v = verdict(r.kind, r.values.first, limitOhms);
        c.lines.append({r, v});
        ++perKind[r.kind];
        c.passing += v == Verdict::Pass;
        c.failing += v == Verdict::Fail;
        c.unjudged += v == Verdict::CannotJudge;
        if (judged(r.kind))
            c.resistances.append(ohms(r.values.first));
        tally(tallies, r.kind, 1, r.values.first);
        tally(tallies, r.kind, 2, r.values.second);
    }
    for (auto it = perKind.cbegin(); it != perKind.cend(); ++it)
        c.kindCounts.append({it.key(), it.value()});
    for (auto it = tallies.cbegin(); it != tallies.cend(); ++it)
        c.stats.append({std::get<0>(it.key()),
                        std::get<2>(it.key()),
                        it.value().count(),
                        *it.value().texts()});
    return c;
}

QString takenText(const Archive::Entry &entry)
{
    const int offset = entry.takenAt.offsetFromUtc();
    const QDateTime taken = entry.takenAt.toOffsetFromUtc(offset);
    const int minutes = std::abs(offset) / 60;
    return taken.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
           + QStringLiteral(" UTC%1%2:%3")
                     .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                     .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                     .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

} // namespace Report
