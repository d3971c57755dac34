#include "core/readingstats.h"

#include "core/readout.h"
#include "core/record.h"

#include <QRegularExpression>

namespace {

constexpr qint64 kPowers[] = {1, 10, 100, 1000, 10000, 100000, 1000000};

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

std::optional<ReadingStats::Shown> ReadingStats::shownNumber(const QString &text, Quantity quantity)
{
    // The readouts write " <number><unit>"; over range, under range and errors are other words.
    static const QRegularExpression pattern(
            QStringLiteral("^ ([0-9]{1,7})(?:\\.([0-9]{1,6}))?(\u03A9|mA|A)$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QString unit = match.captured(3);
    const bool amperes = unit == QLatin1String("A");
    if ((quantity == Resistance) != (unit == QStringLiteral("\u03A9")))
        return std::nullopt;

    const QString fraction = match.captured(2);
    Shown shown;
    shown.decimals = int(fraction.size());
    shown.micros = match.captured(1).toLongLong() * kPowers[kDecimals]
                   + fraction.toLongLong() * kPowers[kDecimals - shown.decimals];
    if (amperes) {
        // A tenth of an ampere shown is a hundred milliamperes: the digits stay, the point moves.
        shown.micros *= 1000;
        shown.decimals = qMax(0, shown.decimals - 3);
    }
    return shown;
}

void ReadingStats::add(const Realtime::Readout &readout)
{
    if (!readout.complete)
        return;
    switch (readout.measureKind) {
    case Record::ResistanceAndCurrent:
        take(Resistance, readout.mainText);
        take(Current, readout.secondText);
        break;
    case Record::Resistance:
        take(Resistance, readout.mainText);
        break;
    case Record::Current:
        take(Current, readout.mainText);
        break;
    default:
        break;
    }
}

void ReadingStats::take(Quantity quantity, const QString &text)
{
    if (const std::optional<Shown> shown = shownNumber(text, quantity))
        m_tallies[quantity].add(*shown);
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
