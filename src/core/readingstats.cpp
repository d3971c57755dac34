#include "core/readingstats.h"

#include "core/measurekinds.h"
#include "core/readout.h"

namespace {

constexpr qint64 kPowers[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
constexpr int kAmperesRange = 1; // a current range code whose unit is the ampere

// Writes micros with exactly `decimals` decimals (0 to kDecimals), rounding halves up: the
// numbers are never negative.
QString write(qint64 micros, int decimals)
{
    const qint64 step = kPowers[ReadingStats::kDecimals - decimals];
    const qint64 units = (micros + step / 2) / step;
    QString text = QString::number(units / kPowers[decimals]);
    if (decimals > 0) {
        text += QLatin1Char('.');
        text += QString::number(units % kPowers[decimals])
                        .rightJustified(decimals, QLatin1Char('0'));
    }
    return text;
}

} // namespace

void ReadingStats::add(const Realtime::Readout &readout)
{
    if (!readout.complete)
        return;
    const Record::KindRow *row = Record::kindRow(readout.measureKind);
    if (!row)
        return;
    take(row->value1, readout.mainNumber);
    take(row->value2, readout.secondNumber);
}

void ReadingStats::take(Record::Holds holds, const ::Quantity::Value &number)
{
    // Value 1 of kinds 1 and 2 is a resistance, value 2 of kind 1 and value 1 of kind 3 a
    // current; a voltage and the pair count nowhere, nor does a readout without a number.
    if (!number.isNumber())
        return;
    Shown shown{qint64(number.counts) * kPowers[kDecimals - number.decimals],
                number.shownDecimals()};
    if (holds == Record::Holds::Resistance) {
        take(Resistance, shown);
    } else if (holds == Record::Holds::Current) {
        if (number.unit == Record::unitOf(Record::Holds::Current, kAmperesRange)) {
            // A tenth of an ampere shown is a hundred milliamperes: the digits stay, the point
            // moves.
            shown.micros *= 1000;
            shown.decimals = qMax(0, shown.decimals - 3);
        }
        take(Current, shown);
    }
}

void ReadingStats::take(Quantity quantity, Shown shown)
{
    Summary &s = m_summaries[quantity];
    if (s.count == 0 || shown.micros > s.maximum.micros)
        s.maximum = shown;
    if (s.count == 0 || shown.micros < s.minimum.micros)
        s.minimum = shown;
    s.sum += shown.micros;
    s.finestDecimals = qMax(s.finestDecimals, shown.decimals);
    ++s.count;
}

void ReadingStats::reset()
{
    m_summaries[Resistance] = {};
    m_summaries[Current] = {};
}

std::optional<ReadingStats::Texts> ReadingStats::texts(Quantity quantity) const
{
    const Summary &s = m_summaries[quantity];
    if (s.count == 0)
        return std::nullopt;
    // The mean to the finest decimals shown, half up, from the exact sum.
    const qint64 step = kPowers[kDecimals - s.finestDecimals];
    const qint64 meanUnits = (2 * s.sum + s.count * step) / (2 * s.count * step);
    return Texts{write(s.maximum.micros, s.maximum.decimals),
                 write(s.minimum.micros, s.minimum.decimals),
                 write(meanUnits * step, s.finestDecimals)};
}
