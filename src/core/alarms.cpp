#include "core/alarms.h"
#include "core/numbertext.h"

namespace Alarms {

QString resistanceLimitRange()
{
    return QStringLiteral("0 to %1").arg(kResistanceLimitMax);
}

QString currentLimitRange()
{
    return QStringLiteral("0 to %1").arg(kCurrentLimitMax);
}

namespace {

// Reads the limit box. A text outside 0..maximum is rejected and the stored limit stays; the
// test is made on the number as read, before it is narrowed to single precision.
void readLimit(CheckDecision &decision, const QString &limitText, double maximum)
{
    decision.limitRead = true;
    const double t = NumberText::readLeadingNumber(limitText);
    if (t > maximum || t < 0 || t != t)
        decision.limitRejected = true;
    else
        decision.newLimit = float(t);
}

Blink above(bool isAbove)
{
    return isAbove ? Blink::Start : Blink::Stop;
}

} // namespace

CheckDecision resistanceCheck(bool ticked,
                              const QString &limitText,
                              float storedLimit,
                              float reading)
{
    CheckDecision decision;
    if (!ticked)
        return decision; // alarm off: no blink
    readLimit(decision, limitText, kResistanceLimitMax);
    const float limit = decision.newLimit.value_or(storedLimit);
    decision.blink = above(reading > limit);
    return decision;
}

CheckDecision currentCheck(
        bool ticked, const QString &limitText, float storedLimit, float reading, int rangeCode)
{
    CheckDecision decision;
    if (!ticked)
        return decision;
    readLimit(decision, limitText, kCurrentLimitMax);
    const float limit = decision.newLimit.value_or(storedLimit);
    switch (rangeCode) {
    case 1:
    case 2: {
        // Amperes times 1000 in single precision can land a hair above the current shown:
        // 4.05 A gives 4050.0002 mA, which would alarm against a limit of exactly 4050. The
        // product is compared as the 7 significant digits a single-precision number carries.
        const float milliamperes = reading * 1000.0f;
        const double shown = NumberText::plain(milliamperes).toDouble();
        decision.blink = above(shown > double(limit));
        break;
    }
    case 3:
    case 4:
    case 5:
        decision.blink = above(reading > limit);
        break;
    default:
        // Microampere range or no valid range: no comparison, the blink stays as it was.
        decision.blink = Blink::Keep;
        break;
    }
    return decision;
}

int toggledFillState(int fillState)
{
    return fillState == 0 ? 1 : 0;
}

} // namespace Alarms
