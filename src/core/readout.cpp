#include "core/readout.h"

#include "core/numbertext.h"
#include "core/record.h"

namespace Realtime {

namespace {

const QString kError = errorText();

QString withUnit(const QString &number, const QString &unit)
{
    return QLatin1Char(' ') + number + unit;
}

} // namespace

QString resistanceText(float &value, int rangeCode)
{
    const std::optional<Record::Range> range = Record::resistanceRange(rangeCode);
    if (!range)
        return kError;
    if (range->underRangeMax && value <= float(*range->underRangeMax)) {
        // Below the lowest resistance the instrument resolves.
        value = 0.0f;
        return QStringLiteral("L0.01") + QString(20, QLatin1Char(' '));
    }
    if (range->overRangeFrom && value >= float(*range->overRangeFrom)) {
        // Over range: compares above every accepted alarm limit.
        value = 1250.0f;
        return QStringLiteral(" 0L");
    }
    value = value / Record::divisor(range->decimals);
    return withUnit(NumberText::plain(value), Record::unitOf(Record::Holds::Resistance, rangeCode));
}

QString currentText(float &value, int rangeCode, bool secondOfKind1)
{
    const std::optional<Record::Range> range = Record::currentRange(rangeCode);
    if (!range)
        return kError;
    if (range->overRangeFrom && value >= float(*range->overRangeFrom)) {
        value = 450.0f;
        return QStringLiteral("0L");
    }
    const int decimals = range->decimals + (secondOfKind1 && rangeCode == 1 ? 1 : 0);
    value = value / Record::divisor(decimals);
    const QString number
            = range->fixed ? NumberText::fixed(value, decimals) : NumberText::plain(value);
    return withUnit(number, Record::unitOf(Record::Holds::Current, rangeCode));
}

QString voltageText(float &value)
{
    value = value / Record::divisor(Record::kVoltage.decimals);
    return withUnit(NumberText::fixed(value, Record::kVoltage.decimals),
                    Record::unitOf(Record::Holds::Voltage, 0));
}

QString pairText(float value2, int byte6)
{
    return QLatin1Char(' ') + NumberText::twoDigits(value2) + QLatin1Char(':')
           + NumberText::twoDigits(float(byte6));
}

std::optional<QString> resistanceMagnification(int sliderPosition)
{
    switch (sliderPosition) {
    case 1:
        return QStringLiteral("\u00D710R");
    case 2:
        return QStringLiteral("\u00D71R");
    case 3:
        return QStringLiteral("\u00D70.1R");
    case 4:
        return QStringLiteral("\u00D70.01R");
    case 5:
        return QStringLiteral("\u00D70.001R");
    default:
        return std::nullopt;
    }
}

std::optional<QString> currentMagnification(int sliderPosition)
{
    switch (sliderPosition) {
    case 1:
        return QStringLiteral("\u00D710mA");
    case 2:
        return QStringLiteral("\u00D71mA");
    case 3:
        return QStringLiteral("\u00D70.1mA");
    case 4:
        return QStringLiteral("\u00D70.01mA");
    case 5:
        return QStringLiteral("\u00D70.001mA");
    default:
        return std::nullopt;
    }
}

float applyMagnification(float value, int sliderPosition)
{
    switch (sliderPosition) {
    case 1:
        return value * 10.0f;
    case 2:
        return value;
    case 3:
        return value / 10.0f;
    case 4:
        return value / 100.0f;
    case 5:
        return value / 1000.0f;
    default:
        return value;
    }
}

QString stopText()
{
    return QStringLiteral("STOP");
}

QString errorText()
{
    return QStringLiteral(" ERROR");
}

Readout Decoder::decode(const QByteArray &reply, int resistanceScale, int currentScale)
{
    const Readout r
            = decodeReply(reply, {m_singleValue, m_secondText, resistanceScale, currentScale});
    if (r.complete) {
        m_singleValue = r.singleValue;
        m_mainText = r.mainText;
        m_secondText = r.secondText;
    }
    return r;
}

void Decoder::stop()
{
    m_mainText = stopText();
    if (m_singleValue == 0)
        m_secondText = stopText();
}

namespace {

// The readout of one value; `value` becomes the working value.
QString valueText(Record::Holds holds, float &value, int rangeCode, bool secondOfKind1)
{
    switch (holds) {
    case Record::Holds::Resistance:
        return resistanceText(value, rangeCode);
    case Record::Holds::Current:
        return currentText(value, rangeCode, secondOfKind1);
    case Record::Holds::Voltage:
        return voltageText(value);
    case Record::Holds::Nothing:
    case Record::Holds::Pair:
        break;
    }
    return {};
}

void addAlarm(Readout &result,
              const Record::KindRow &row,
              Record::AlarmCheck check,
              float value,
              int rangeCode)
{
    if (check == Record::AlarmCheck::Resistance)
        result.alarms.append({AlarmCall::Resistance, value, 0, QString()});
    else if (check == Record::AlarmCheck::Current)
        result.alarms.append(
                {AlarmCall::Current, value, rangeCode, QString::fromLatin1(row.rejectedLimit)});
}

// The texts, numbers, enables and alarm checks of a record of a known kind.
void decodeKind(Readout &result, const Record::KindRow &row, const Record::Fields &record)
{
    float value1 = float(record.value1);
    float value2 = float(record.value2);
    result.enables = row.enables;
    result.mainText = valueText(row.value1, value1, record.range1, false);
    if (row.value2 == Record::Holds::Current)
        result.secondText = valueText(row.value2, value2, record.last, true);
    else if (result.singleValue == 0)
        result.secondText = pairText(value2, record.last);
    result.value1 = value1;
    result.value2 = value2;
    const Quantity::Pair numbers = Quantity::of(record, Quantity::Shown::Realtime);
    result.mainNumber = numbers.first;
    result.secondNumber = numbers.second;
    addAlarm(result, row, row.alarm1, value1, record.range1);
    addAlarm(result, row, row.alarm2, value2, record.last);
}

} // namespace

Readout decodeReply(const QByteArray &reply, const ReadoutContext &context)
{
    Readout result;
    result.singleValue = context.singleValue;
    result.secondText = context.secondText;
    if (reply.size() < Record::kBytes)
        return result; // incomplete: the caller changes nothing

    result.complete = true;

    // The readouts start from empty; a second readout already known absent keeps its text.
    result.mainText.clear();
    if (context.singleValue == 0)
        result.secondText.clear();

    const Record::Fields record
            = Record::read(reinterpret_cast<const std::uint8_t *>(reply.constData()));
    result.measureKind = qint16(record.kind);
    if (record.last == Record::kNoSecondValue)
        result.singleValue = 1;
    // An unknown kind leaves both readouts empty and the values raw.
    result.value1 = float(record.value1);
    result.value2 = float(record.value2);
    if (const Record::KindRow *row = Record::kindRow(record.kind))
        decodeKind(result, *row, record);

    if (result.mainText == kError && result.secondText == kError) {
        result.dropped = true;
        return result;
    }

    result.resistanceScaleCaption = resistanceMagnification(context.resistanceScale);
    result.currentScaleCaption = currentMagnification(context.currentScale);
    result.plotValue = applyMagnification(
            applyMagnification(result.value1, context.resistanceScale), context.currentScale);
    return result;
}

} // namespace Realtime
