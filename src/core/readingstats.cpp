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

ReadingStats::Shown ReadingStats::shown(const ::Quantity::Value &number)
{
    return {qint64(number.counts) * kPowers[kDecimals - number.decimals], number.shownDecimals()};
}

void ReadingStats::take(Record::Holds holds, const ::Quantity::Value &number)
{
    // Value 1 of kinds 1 and 2 is a resistance, value 2 of kind 1 and value 1 of kind 3 a
    // current; a voltage and the pair count nowhere, nor does a readout without a number.
    if (!number.isNumber())
        return;
    Shown counted = shown(number);
    if (holds == Record::Holds::Resistance) {
        m_tallies[Resistance].add(counted);
    } else if (holds == Record::Holds::Current) {
        if (number.unit == Record::unitOf(Record::Holds::Current, kAmperesRange)) {
            // A tenth of an ampere shown is a hundred milliamperes: the digits stay, the point
            // moves.
            counted.micros *= 1000;
            counted.decimals = qMax(0, counted.decimals - 3);
        }
        m_tallies[Current].add(counted);
    }
}

void ReadingStats::Tally::add(const Shown &shown)
{
    if (m_count == 0 || shown.micros > m_maximum.micros)
        m_maximum = shown;
    if (m_count == 0 || shown.micros < m_minimum.micros)
        m_minimum = shown;
    m_sum += shown.micros;
    m_finestDecimals = qMax(m_finestDecimals, shown.decimals);
    ++m_count;
}

void ReadingStats::reset()
{
    m_tallies[Resistance] = {};
    m_tallies[Current] = {};
}

std::optional<ReadingStats::Texts> ReadingStats::texts(Quantity quantity) const
{
    return m_tallies[quantity].texts();
}

std::optional<ReadingStats::Texts> ReadingStats::Tally::texts() const
{
    if (m_count == 0)
        return std::nullopt;
    // The mean to the finest decimals shown, half up, from the exact sum.
    const qint64 step = kPowers[kDecimals - m_finestDecimals];
    const qint64 meanUnits = (2 * m_sum + m_count * step) / (2 * m_count * step);
    return Texts{write(m_maximum.micros, m_maximum.decimals),
                 write(m_minimum.micros, m_minimum.decimals),
                 write(meanUnits * step, m_finestDecimals)};
}
