#pragma once

#include <QString>

#include <optional>

// Decisions of the resistance and current alarms, apart from the window that carries them out.
namespace Alarms {

constexpr double kResistanceLimitMax = 1200; // ohms
constexpr double kCurrentLimitMax = 40000;   // milliamperes

// What the status line says when a limit box or a cursor box of the chart holds something it
// does not accept.
inline constexpr char kInputError[] = "input error";

// The limits accepted, as the window states them: "0 to 1200" (ohms), "0 to 40000"
// (milliamperes).
QString resistanceLimitRange();
QString currentLimitRange();

// The limits last read from the limit boxes: a rejected text leaves them as they were.
struct Limits
{
    float resistanceLimit = 0; // ohms
    float currentLimit = 0;    // milliamperes
};

enum class Blink { Start, Stop, Keep };

struct CheckDecision
{
    bool limitRead = false;        // the alarm was on, so its limit box was read
    bool limitRejected = false;    // the box held a number outside the accepted range
    std::optional<float> newLimit; // limit to store (only when read and accepted)
    Blink blink = Blink::Stop;
};

// Resistance alarm: reading in ohms against the limit text (0 to 1200 accepted). A rejected
// text keeps the stored limit, which the comparison then uses.
CheckDecision resistanceCheck(bool ticked,
                              const QString &limitText,
                              float storedLimit,
                              float reading);

// Current alarm: the limit is in milliamperes (0 to 40000 accepted). Range codes 1 and 2 carry
// amperes (compared times 1000), 3 to 5 milliamperes; any other code keeps the blink as it is.
CheckDecision currentCheck(
        bool ticked, const QString &limitText, float storedLimit, float reading, int rangeCode);

// One blink tick: the fill state after toggling.
int toggledFillState(int fillState);

} // namespace Alarms
