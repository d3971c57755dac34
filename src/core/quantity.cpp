#include "core/quantity.h"

#include "core/numbertext.h"

namespace Quantity {

namespace {

// At most 11 characters: NumberText's writers never write more.
constexpr int kNumberRoom = 12;

Value number(std::uint32_t counts, const Record::Range &range, int decimals, const char16_t *unit)
{
    Value v;
    v.state = State::Number;
    v.counts = counts;
    v.decimals = decimals;
    v.fixed = range.fixed;
    v.unit = QString::fromUtf16(unit);
    return v;
}

Value flagged(State state)
{
    Value v;
    v.state = state;
    return v;
}

Value resistance(int code, std::uint32_t counts)
{
    const std::optional<Record::Range> range = Record::resistanceRange(code);
    if (!range)
        return flagged(State::Error);
    if (range->underRangeMax && counts <= *range->underRangeMax)
        return flagged(State::UnderRange);
    if (range->overRangeFrom && counts >= *range->overRangeFrom)
        return flagged(State::OverRange);
    return number(counts, *range, range->decimals, u"\u03A9");
}

Value current(int code, std::uint32_t counts, bool extraDecimal)
{
    const std::optional<Record::Range> range = Record::currentRange(code);
    if (!range)
        return flagged(State::Error);
    if (range->overRangeFrom && counts >= *range->overRangeFrom)
        return flagged(State::OverRange);
    const int decimals = range->decimals + (extraDecimal && code == 1 ? 1 : 0);
    return number(counts, *range, decimals, Record::currentInAmperes(code) ? u"A" : u"mA");
}

} // namespace

QString Value::plainText() const
{
    if (!isNumber())
        return {};
    char16_t buffer[kNumberRoom];
    const char16_t *end = NumberText::writePlainScaled(buffer, counts, decimals);
    return QString::fromUtf16(buffer, end - buffer);
}

QString Value::shownText() const
{
    if (!isNumber())
        return {};
    if (!fixed)
        return plainText();
    char16_t buffer[kNumberRoom];
    const char16_t *end = NumberText::writeFixedScaled(buffer, counts, decimals);
    return QString::fromUtf16(buffer, end - buffer);
}

Pair of(const Record::Fields &f, Shown where)
{
    Pair p;
    switch (f.kind) {
    case Record::ResistanceAndCurrent:
        p.first = resistance(f.range1, f.value1);
        p.second = current(f.last, f.value2, where == Shown::Realtime);
        break;
    case Record::Resistance:
        p.first = resistance(f.range1, f.value1);
        break;
    case Record::Current:
        p.first = current(f.range1, f.value1, false);
        break;
    case Record::Voltage:
        p.first = number(f.value1, Record::kVoltage, Record::kVoltage.decimals, u"V");
        break;
    default:
        break;
    }
    return p;
}

QString kindWord(int kind)
{
    switch (kind) {
    case Record::ResistanceAndCurrent:
        return QStringLiteral("resistance+current");
    case Record::Resistance:
        return QStringLiteral("resistance");
    case Record::Current:
        return QStringLiteral("current");
    case Record::Voltage:
        return QStringLiteral("voltage");
    default:
        return QStringLiteral("unknown");
    }
}

} // namespace Quantity
