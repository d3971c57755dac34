#include "records/listing.h"

#include "realtime/numbertext.h"

#include <QLatin1StringView>

namespace Listing {

namespace {

constexpr char16_t kFullWidthColon = u'\uFF1A';

// A run of n spaces (n is at most 30 here).
QLatin1StringView spaces(int n)
{
    static constexpr char kSpaces[] = "                              ";
    return QLatin1StringView(kSpaces, n);
}

QString headerText(bool trailingSpace, bool secondColumn)
{
    QString text = spaces(15) + QLatin1StringView("NO.") + spaces(23)
                   + QLatin1StringView("Value 1");
    if (secondColumn)
        text += spaces(22) + QLatin1StringView("Value 2");
    else if (trailingSpace)
        text += QLatin1Char(' ');
    return text;
}

// Column of a resistance, chosen by the range code of value 1.
void appendResistance(QString &line, int range, float v)
{
    switch (range) {
    case 1:
        line += NumberText::plain(v / 10.0f) + QLatin1StringView(" Ohm") + spaces(22);
        break;
    case 2:
        line += NumberText::plain(v / 100.0f) + QLatin1StringView(" Ohm") + spaces(23);
        break;
    case 3:
        if (v <= 13.0f)
            line += QLatin1StringView("L0.01") + spaces(23);
        else
            line += NumberText::plain(v / 1000.0f) + QLatin1StringView(" Ohm") + spaces(21);
        break;
    case 4:
        if (v >= 1500.0f)
            line += QLatin1StringView("0L") + spaces(27);
        else
            line += NumberText::plain(v) + QLatin1StringView(" Ohm") + spaces(22);
        break;
    default:
        line += QLatin1StringView("ERROR") + spaces(22);
        break;
    }
}

// Column of a current, chosen by the range code of its value. As the first column (kind 3) it
// is followed by the spaces that line up the next one; as the last (kind 1) it ends the line.
// "ERROR" is never followed by spaces, so in kind 3 the pair text comes right after it.
void appendCurrent(QString &line, int range, float v, bool padded)
{
    int pad = 0;
    switch (range) {
    case 1:
        if (v > 405.0f) {
            line += QLatin1StringView("0L");
            pad = 27;
        } else {
            line += NumberText::plain(v / 10.0f) + QLatin1StringView(" A");
            pad = 25;
        }
        break;
    case 2:
        line += NumberText::plain(v / 100.0f) + QLatin1StringView(" A");
        pad = 24;
        break;
    case 3:
        line += NumberText::plain(v) + QLatin1StringView(" mA");
        pad = 23;
        break;
    case 4:
        line += NumberText::plain(v / 10.0f) + QLatin1StringView(" mA");
        pad = 22;
        break;
    case 5:
        line += NumberText::fixed(v / 100.0f, 2) + QLatin1StringView(" mA");
        pad = 22;
        break;
    case 6:
        line += NumberText::fixed(v / 1000.0f, 3) + QLatin1StringView(" mA");
        pad = 21;
        break;
    default:
        line += QLatin1StringView("ERROR");
        break;
    }
    if (padded)
        line += spaces(pad);
}

void appendVoltage(QString &line, float v)
{
    line += NumberText::fixed(v / 10.0f, 1) + QLatin1StringView(" V") + spaces(25);
}

// Second column of kinds 2 to 4: value 2 and the last byte, e.g. "05：30".
void appendPair(QString &line, float value2, int last)
{
    line += NumberText::twoDigits(value2);
    line += QChar(kFullWidthColon);
    line += NumberText::twoDigits(float(last));
}

} // namespace

QString title()
{
    return spaces(30) + QLatin1StringView("Quillo Barent Software Test Data");
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
        records = qMin(records, size / kRecordBytes);

    QString &text = result.text;
    // A record line is about 90 characters; reserving avoids regrowing a long listing.
    text.reserve(200 + records * 96);
    text += title();
    text += QLatin1StringView("\r\n\r\n");
    // The header follows the flag as it was before this block.
    text += singleValue ? oneColumnHeader() : twoColumnHeader();

    for (std::ptrdiff_t i = 0; i < records; ++i) {
        const std::uint8_t *r = bytes + i * kRecordBytes;
        text += QLatin1StringView("\r\n") + spaces(15);
        // At least three digits: 007, 042, 100; 1234 keeps its four.
        text += QStringLiteral("%1").arg(qlonglong(i + 1), 3, 10, QLatin1Char('0'));
        text += spaces(24);

        const int kind = r[0];
        const float value1 = float(r[1] * 100 + r[2]);
        const int range1 = r[3];
        const float value2 = float(r[4] * 100 + r[5]);
        const int last = r[6];
        result.measureKind = qint16(kind);
        if (last == 255)
            result.singleValue = 1;
        const bool pair = result.singleValue == 0;

        switch (kind) {
        case 1:
            appendResistance(text, range1, value1);
            appendCurrent(text, last, value2, false);
            break;
        case 2:
            appendResistance(text, range1, value1);
            if (pair)
                appendPair(text, value2, last);
            break;
        case 3:
            appendCurrent(text, range1, value1, true);
            if (pair)
                appendPair(text, value2, last);
            break;
        case 4:
            appendVoltage(text, value1);
            if (pair)
                appendPair(text, value2, last);
            break;
        default: // unknown kind: the line keeps only its number
            break;
        }
    }
    return result;
}

} // namespace Listing
