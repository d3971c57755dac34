#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The seven-byte realtime reply turned into readouts, working values and decisions, without
// touching the window: the window method DecodeRealtimeReply applies the result.
namespace Realtime {

constexpr int kReplySize = 7;

// What the decoder reads of the window besides the reply bytes.
struct DecodeFlags
{
    quint8 singleValue = 0; // second value already seen absent (255)
    QString label25;        // caption of the second readout before this reply
    int slider1 = 5;        // magnification of the first value, positions 1..5
    int slider3 = 5;        // magnification of the second value, positions 1..5
};

// Enabled state wanted for a control; nullopt leaves it as it is.
using Enable = std::optional<bool>;

struct ControlEnables
{
    Enable slider1;
    Enable slider3;
    Enable check1;
    Enable check2;
    Enable timer6;
    Enable timer8;
};

// One alarm check to run, in order, with the value as the readouts left it.
struct AlarmCall
{
    enum Which { Resistance, Current };
    Which which = Resistance;
    float reading = 0;
    int rangeCode = 0; // current check only
    QString message;   // current check only: text shown for a rejected limit
};

struct DecodeResult
{
    // False when the buffer held fewer than seven bytes: such a burst is not a reading, and the
    // window is left exactly as it was (no readout, no kind, no alarm check, no sample).
    bool complete = false;
    qint16 measureKind = 0;
    quint8 singleValue = 0; // the flag after this reply
    QString label7;
    QString label25;
    float value1 = 0; // as the readouts left them: divided, substituted or raw
    float value2 = 0;
    ControlEnables enables;
    QList<AlarmCall> alarms;
    // Both readouts " ERROR": nothing is stored, no caption changes, no redraw.
    bool dropped = false;
    std::optional<QString> label8; // magnification captions; nullopt leaves them
    std::optional<QString> label19;
    float plotValue = 0; // chart value: value 1 scaled by both magnification sliders
};

// Decodes bytes 0 to 6 of a reply; later bytes are not looked at, a shorter buffer gives an
// incomplete result and is never read past its end.
DecodeResult decodeReply(const QByteArray &reply, const DecodeFlags &flags);

// Readout of a resistance (table of range codes 1 to 4); value becomes the working value.
QString resistanceText(float &value, int rangeCode);
// Readout of a current. kind1 selects the divisor of range code 1 for the second value of a
// resistance-and-current reading (100 instead of 10).
QString currentText(float &value, int rangeCode, bool kind1);
// Readout of a voltage; value becomes value / 10.
QString voltageText(float &value);
// The second readout of kinds 2 to 4: " 05:30".
QString pairText(float value2, int byte6);

// Captions under the magnification sliders; nullopt for a position outside 1 to 5.
std::optional<QString> resistanceMagnification(int sliderPosition);
std::optional<QString> currentMagnification(int sliderPosition);
// Chart scale of a magnification slider position: 1 -> x10, 2 -> x1, 3 -> /10, 4 -> /100,
// 5 -> /1000; any other position leaves the value unchanged.
float applyMagnification(float value, int sliderPosition);

} // namespace Realtime
