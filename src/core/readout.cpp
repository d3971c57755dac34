#include "core/readout.h"

#include "core/numbertext.h"
#include "core/record.h"

namespace Realtime {

namespace {

const QString kOhm = QStringLiteral("\u03A9");
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
    return withUnit(NumberText::plain(value), kOhm);
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
    const QString unit
            = Record::currentInAmperes(rangeCode) ? QStringLiteral("A") : QStringLiteral("mA");
    return withUnit(number, unit);
}

QString voltageText(float &value)
{
    value = value / Record::divisor(Record::kVoltage.decimals);
    return withUnit(NumberText::fixed(value, Record::kVoltage.decimals), QStringLiteral("V"));
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
    const int kind = record.kind;
    result.measureKind = qint16(kind);
    float value1 = float(record.value1);
    float value2 = float(record.value2);
    const int range1 = record.range1;
    const int byte6 = record.last;
    if (byte6 == Record::kNoSecondValue)
        result.singleValue = 1;

    KindEnables &e = result.enables;
    switch (kind) {
    case 1:
        e = {true, true, true, true, std::nullopt, std::nullopt};
        break;
    case 2:
        e = {true, false, true, false, true, false};
        break;
    case 3:
    case 4:
        e = {false, true, false, true, std::nullopt, std::nullopt};
        break;
    default:
        break;
    }

    const bool pairShown = result.singleValue == 0;
    switch (kind) {
    case 1:
        result.mainText = resistanceText(value1, range1);
        result.secondText = currentText(value2, byte6, true);
        break;
    case 2:
        result.mainText = resistanceText(value1, range1);
        if (pairShown)
            result.secondText = pairText(value2, byte6);
        break;
    case 3:
        result.mainText = currentText(value1, range1, false);
        if (pairShown)
            result.secondText = pairText(value2, byte6);
        break;
    case 4:
        result.mainText = voltageText(value1);
        if (pairShown)
            result.secondText = pairText(value2, byte6);
        break;
    default:
        break;
    }
    result.value1 = value1;
    result.value2 = value2;

    const QString inputError = QStringLiteral("input error");
    switch (kind) {
    case 1:
        result.alarms.append({AlarmCall::Resistance, value1, 0, QString()});
        result.alarms.append({AlarmCall::Current, value2, byte6, inputError});
        break;
    case 2:
        result.alarms.append({AlarmCall::Resistance, value1, 0, QString()});
        break;
    case 3:
        result.alarms.append({AlarmCall::Current, value1, range1, inputError});
        break;
    case 4:
        result.alarms.append({AlarmCall::Current, value1, range1, QStringLiteral("ERROR")});
        break;
    default:
        break;
    }

    if (result.mainText == kError && result.secondText == kError) {
        result.dropped = true;
        return result;
    }

    result.resistanceScaleCaption = resistanceMagnification(context.resistanceScale);
    result.currentScaleCaption = currentMagnification(context.currentScale);
    result.plotValue = applyMagnification(applyMagnification(value1, context.resistanceScale),
                                          context.currentScale);
    return result;
}

} // namespace Realtime
