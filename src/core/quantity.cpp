#include "core/quantity.h"

#include "core/measurekinds.h"
#include "core/numbertext.h"

namespace Quantity {

namespace {

// At most 11 characters: NumberText's writers never write more.
constexpr int kNumberRoom = 12;

Value number(std::uint32_t counts, const Record::Range &range, int decimals, const QString &unit)
{
    Value v;
    v.state = State::Number;
    v.counts = counts;
    v.decimals = decimals;
    v.fixed = range.fixed;
    v.unit = unit;
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
    return number(counts, *range, range->decimals, Record::unitOf(Record::Holds::Resistance, code));
}

Value current(int code, std::uint32_t counts, bool extraDecimal)
{
    const std::optional<Record::Range> range = Record::currentRange(code);
    if (!range)
        return flagged(State::Error);
    if (range->overRangeFrom && counts >= *range->overRangeFrom)
        return flagged(State::OverRange);
    const int decimals = range->decimals + (extraDecimal && code == 1 ? 1 : 0);
    return number(counts, *range, decimals, Record::unitOf(Record::Holds::Current, code));
}

// One value of a record as the quantity it holds; extraDecimal: see current().
Value valueOf(Record::Holds holds, int code, std::uint32_t counts, bool extraDecimal)
{
    switch (holds) {
    case Record::Holds::Resistance:
        return resistance(code, counts);
    case Record::Holds::Current:
        return current(code, counts, extraDecimal);
    case Record::Holds::Voltage:
        return number(
                counts, Record::kVoltage, Record::kVoltage.decimals, Record::unitOf(holds, code));
    case Record::Holds::Nothing:
    case Record::Holds::Pair:
        break;
    }
    return {};
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

int Value::shownDecimals() const
{
    int shown = decimals;
    if (!fixed) {
        // The plain text drops the trailing zeros of the fraction: 1530 at two decimals is 15.3.
        for (std::uint32_t c = counts; shown > 0 && c % 10 == 0; c /= 10)
            --shown;
    }
    return shown;
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
    const Record::KindRow *row = Record::kindRow(f.kind);
    if (!row)
        return {};
    return {valueOf(row->value1, f.range1, f.value1, false),
            valueOf(row->value2, f.last, f.value2, where == Shown::Realtime)};
}

QString kindWord(int kind)
{
    const Record::KindRow *row = Record::kindRow(kind);
    return QString::fromLatin1(row ? row->word : "unknown");
}

} // namespace Quantity
