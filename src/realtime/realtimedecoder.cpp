#include "realtime/realtimedecoder.h"
#include "realtime/numbertext.h"

namespace Realtime {

namespace {

const QString kOhm = QStringLiteral("\u03A9");
const QString kError = QStringLiteral(" ERROR");

QString withUnit(const QString &number, const QString &unit)
{
    return QLatin1Char(' ') + number + unit;
}

} // namespace

QString resistanceText(float &value, int rangeCode)
{
    switch (rangeCode) {
    case 1:
        value = value / 10.0f;
        return withUnit(NumberText::plain(value), kOhm);
    case 2:
        value = value / 100.0f;
        return withUnit(NumberText::plain(value), kOhm);
    case 3:
        if (value <= 13.0f) {
            // Below the lowest resistance the instrument resolves.
            value = 0.0f;
            return QStringLiteral("L0.01") + QString(20, QLatin1Char(' '));
        }
        value = value / 1000.0f;
        return withUnit(NumberText::plain(value), kOhm);
    case 4:
        if (value >= 1500.0f) {
            // Over range: compares above every accepted alarm limit.
            value = 1250.0f;
            return QStringLiteral(" 0L");
        }
        return withUnit(NumberText::plain(value), kOhm);
    default:
        return kError;
    }
}

QString currentText(float &value, int rangeCode, bool kind1)
{
    const QString amperes = QStringLiteral("A");
    const QString milliamperes = QStringLiteral("mA");
    switch (rangeCode) {
    case 1:
        if (value > 405.0f) {
            value = 450.0f;
            return QStringLiteral("0L");
        }
        value = value / (kind1 ? 100.0f : 10.0f);
        return withUnit(NumberText::plain(value), amperes);
    case 2:
        value = value / 100.0f;
        return withUnit(NumberText::plain(value), amperes);
    case 3:
        return withUnit(NumberText::plain(value), milliamperes);
    case 4:
        value = value / 10.0f;
        return withUnit(NumberText::plain(value), milliamperes);
    case 5:
        value = value / 100.0f;
        return withUnit(NumberText::fixed(value, 2), milliamperes);
    case 6:
        value = value / 1000.0f;
        return withUnit(NumberText::fixed(value, 3), milliamperes);
    default:
        return kError;
    }
}

QString voltageText(float &value)
{
    value = value / 10.0f;
    return withUnit(NumberText::fixed(value, 1), QStringLiteral("V"));
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

DecodeResult decodeReply(const QByteArray &reply, const DecodeFlags &flags)
{
    DecodeResult result;
    result.singleValue = flags.singleValue;
    result.label25 = flags.label25;
    if (reply.size() < kReplySize)
        return result; // incomplete: the caller changes nothing

    result.complete = true;
    const auto byte = [&reply](int k) { return int(quint8(reply.at(k))); };

    // The readouts start from empty; a second readout already known absent keeps its text.
    result.label7.clear();
    if (flags.singleValue == 0)
        result.label25.clear();

    const int kind = byte(0);
    result.measureKind = qint16(kind);
    float value1 = float(byte(1) * 100 + byte(2));
    float value2 = float(byte(4) * 100 + byte(5));
    const int range1 = byte(3);
    const int byte6 = byte(6);
    if (byte6 == 255)
        result.singleValue = 1;

    ControlEnables &e = result.enables;
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
        result.label7 = resistanceText(value1, range1);
        result.label25 = currentText(value2, byte6, true);
        break;
    case 2:
        result.label7 = resistanceText(value1, range1);
        if (pairShown)
            result.label25 = pairText(value2, byte6);
        break;
    case 3:
        result.label7 = currentText(value1, range1, false);
        if (pairShown)
            result.label25 = pairText(value2, byte6);
        break;
    case 4:
        result.label7 = voltageText(value1);
        if (pairShown)
            result.label25 = pairText(value2, byte6);
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

    if (result.label7 == kError && result.label25 == kError) {
        result.dropped = true;
        return result;
    }

    result.label8 = resistanceMagnification(flags.slider1);
    result.label19 = currentMagnification(flags.slider3);
    result.plotValue = applyMagnification(applyMagnification(value1, flags.slider1), flags.slider3);
    return result;
}

} // namespace Realtime
