#include "core/listing.h"

#include "core/measurekinds.h"
#include "core/numbertext.h"
#include "core/record.h"

#include <QLatin1StringView>

#include <algorithm>

namespace Listing {

namespace {

constexpr char16_t kFullWidthColon = u'\uFF1A';

// Writes the listing into a buffer sized for the longest possible lines: a full instrument's
// 4681 records are written without a single reallocation or temporary string.
class Writer
{
public:
    explicit Writer(QString &target, qsizetype capacity)
        : m_target(target)
    {
        m_target.resize(capacity);
        m_begin = reinterpret_cast<char16_t *>(m_target.data());
        m_at = m_begin;
    }
    // Cuts the buffer to what was written.
    void finish() { m_target.truncate(m_at - m_begin); }
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    void put(char16_t c) { *m_at++ = c; }
    void put(QLatin1StringView text)
    {
        for (char c : text)
            *m_at++ = char16_t(uchar(c));
    }
    void put(const QString &text)
    {
        for (QChar c : text)
            *m_at++ = c.unicode();
    }
    void spaces(int n)
    {
        std::fill_n(m_at, n, u' ');
        m_at += n;
    }
    // The number texts come from the shared module, written straight into the buffer.
    void whole(std::uint32_t n, int minDigits = 1)
    {
        m_at = NumberText::writeWhole(m_at, n, minDigits);
    }
    void plain(std::uint32_t v, int decimals)
    {
        m_at = NumberText::writePlainScaled(m_at, v, decimals);
    }
    void fixed(std::uint32_t v, int decimals)
    {
        m_at = NumberText::writeFixedScaled(m_at, v, decimals);
    }

private:
    QString &m_target;
    char16_t *m_begin = nullptr;
    char16_t *m_at = nullptr;
};

// Longest line: CR LF, 15 spaces, a number of up to 10 digits, 24 spaces, a column of at most
// 10 characters and 27 spaces, then at most 11 characters of the second column.
constexpr qsizetype kLongestLine = 2 + 15 + 10 + 24 + 10 + 27 + 11;

QString headerText(bool trailingSpace, bool secondColumn)
{
    QString text;
    text.reserve(77);
    text += QString(15, u' ') + QLatin1StringView("NO.") + QString(23, u' ')
            + QLatin1StringView("Value 1");
    if (secondColumn)
        text += QString(22, u' ') + QLatin1StringView("Value 2");
    else if (trailingSpace)
        text += QLatin1Char(' ');
    return text;
}

// Spaces after a value column, by range code, so the next column lines up: the columns were
// laid out for the widest text of each range.
constexpr int kResistancePad[] = {22, 22, 23, 21, 22}; // [0]: after "ERROR"
constexpr int kCurrentPad[] = {0, 25, 24, 23, 22, 22, 21};
constexpr int kUnderRangePad = 23;
constexpr int kOverRangePad = 27;

void appendNumber(Writer &out, const Record::Range &range, std::uint32_t v)
{
    if (range.fixed)
        out.fixed(v, range.decimals);
    else
        out.plain(v, range.decimals);
}

// Column of a resistance, chosen by the range code of value 1.
void appendResistance(Writer &out, int code, std::uint32_t v)
{
    const std::optional<Record::Range> range = Record::resistanceRange(code);
    if (!range) {
        out.put(QLatin1StringView("ERROR"));
        out.spaces(kResistancePad[0]);
    } else if (range->underRangeMax && v <= *range->underRangeMax) {
        out.put(QLatin1StringView("L0.01"));
        out.spaces(kUnderRangePad);
    } else if (range->overRangeFrom && v >= *range->overRangeFrom) {
        out.put(QLatin1StringView("0L"));
        out.spaces(kOverRangePad);
    } else {
        appendNumber(out, *range, v);
        out.put(Record::listingUnitOf(Record::Holds::Resistance, code));
        out.spaces(kResistancePad[code]);
    }
}

// Column of a current, chosen by the range code of its value. As the first column (kind 3) it
// is followed by the spaces that line up the next one; as the last (kind 1) it ends the line.
// "ERROR" is never followed by spaces, so in kind 3 the pair text comes right after it.
void appendCurrent(Writer &out, int code, std::uint32_t v, bool padded)
{
    const std::optional<Record::Range> range = Record::currentRange(code);
    int pad = 0;
    if (!range) {
        out.put(QLatin1StringView("ERROR"));
    } else if (range->overRangeFrom && v >= *range->overRangeFrom) {
        out.put(QLatin1StringView("0L"));
        pad = kOverRangePad;
    } else {
        appendNumber(out, *range, v);
        out.put(Record::listingUnitOf(Record::Holds::Current, code));
        pad = kCurrentPad[code];
    }
    if (padded)
        out.spaces(pad);
}

void appendVoltage(Writer &out, std::uint32_t v)
{
    appendNumber(out, Record::kVoltage, v);
    out.put(Record::listingUnitOf(Record::Holds::Voltage, 0));
    out.spaces(25);
}

// Second column of kinds 2 to 4: value 2 and the last byte, e.g. "05：30".
void appendPair(Writer &out, std::uint32_t value2, std::uint32_t last)
{
    out.whole(value2, 2);
    out.put(kFullWidthColon);
    out.whole(last, 2);
}

// The first column: value 1, followed by the spaces that line up the second.
void appendFirst(Writer &out, Record::Holds holds, int code, std::uint32_t v)
{
    switch (holds) {
    case Record::Holds::Resistance:
        appendResistance(out, code, v);
        break;
    case Record::Holds::Current:
        appendCurrent(out, code, v, true);
        break;
    case Record::Holds::Voltage:
        appendVoltage(out, v);
        break;
    case Record::Holds::Nothing:
    case Record::Holds::Pair:
        break;
    }
}

// The columns of one record; an unknown kind writes none, the line keeps only its number.
void appendColumns(Writer &out, const Record::Fields &record, bool pairShown)
{
    const Record::KindRow *row = Record::kindRow(record.kind);
    if (!row)
        return;
    appendFirst(out, row->value1, record.range1, record.value1);
    if (row->value2 == Record::Holds::Current)
        appendCurrent(out, record.last, record.value2, false);
    else if (pairShown)
        appendPair(out, record.value2, std::uint32_t(record.last));
}

} // namespace

QString title()
{
    return QString(30, u' ') + QLatin1StringView("Quillo Barent Software Test Data");
}

QString twoColumnHeader()
{
    return headerText(false, true);
}

QString oneColumnHeader()
{
    return headerText(true, false);
}

QString clearOneColumnHeader()
{
    return headerText(false, false);
}

QString startText()
{
    return title() + QLatin1StringView("\r\n");
}

Result build(const std::uint8_t *bytes, std::ptrdiff_t size, int count, quint8 singleValue)
{
    Result result;
    result.singleValue = singleValue;

    // Only whole records that are really there are decoded, however many were announced.
    std::ptrdiff_t records = count > 0 ? count : 0;
    if (!bytes || size < 0)
        records = 0;
    else
        records = qMin(records, size / Record::kBytes);

    const QString head = title()
                         + QLatin1StringView("\r\n\r\n")
                         // The header follows the flag as it was before this block.
                         + (singleValue ? oneColumnHeader() : twoColumnHeader());
    Writer out(result.text, head.size() + records * kLongestLine);
    out.put(head);

    for (std::ptrdiff_t i = 0; i < records; ++i) {
        const Record::Fields record = Record::read(bytes + i * Record::kBytes);
        out.put(QLatin1StringView("\r\n"));
        out.spaces(15);
        // At least three digits: 007, 042, 100; 1234 keeps its four.
        out.whole(std::uint32_t(i + 1), 3);
        out.spaces(24);

        if (record.last == Record::kNoSecondValue)
            result.singleValue = 1;
        appendColumns(out, record, result.singleValue == 0);
    }
    out.finish();
    return result;
}

} // namespace Listing
