#pragma once

#include "core/measurekinds.h"
#include "core/quantity.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// A realtime reply (one seven-byte measurement record) turned into what the window shows and
// decides: the two readout texts, the working values, the chart value, which controls the kind
// enables and which alarm checks to run. decodeReply is the pure step; Decoder keeps what one
// reading leaves for the next. The window, the command line and the tests apply the result.
namespace Realtime {

// Chart magnification slider positions 1..5; the sliders start at the last.
inline constexpr int kStartScale = 5;

// What a reading is decoded against besides its bytes.
struct ReadoutContext
{
    quint8 singleValue = 0;            // the second value was already seen absent (255)
    QString secondText;                // the second readout's text before this reply
    int resistanceScale = kStartScale; // chart magnification of value 1
    int currentScale = kStartScale;    // chart magnification of value 2
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

struct Readout
{
    // False when the buffer held fewer than seven bytes: such a burst is not a reading, and
    // nothing changes (no readout, no kind, no alarm check, no sample).
    bool complete = false;
    qint16 measureKind = 0; // byte 0: which readings the texts hold
    quint8 singleValue = 0; // the flag after this reply
    QString mainText;
    QString secondText;
    // The numbers the two texts show, with the decimals shown: what counts in the statistics.
    // No number where a readout shows none (over or under range, an error, the pair "05:30").
    Quantity::Value mainNumber;
    Quantity::Value secondNumber;
    float value1 = 0; // as the readouts left them: divided, substituted or raw
    float value2 = 0;
    KindEnables enables;
    QList<AlarmCall> alarms;
    // Both readouts " ERROR": nothing is stored, no caption changes, no redraw.
    bool dropped = false;
    std::optional<QString> resistanceScaleCaption; // nullopt leaves the caption
    std::optional<QString> currentScaleCaption;
    float plotValue = 0; // chart value: value 1 scaled by both magnifications
};

// Decodes bytes 0 to 6 of a reply; later bytes are not looked at, a shorter buffer gives an
// incomplete result and is never read past its end.
Readout decodeReply(const QByteArray &reply, const ReadoutContext &context);

// What both readouts show while nothing is sampled: at start, after "■" and in the stored-data
// mode.
QString stopText();
// What a readout shows for a range code the tables do not know.
QString errorText();

// The realtime decoder with its carry-over: the flag `singleValue` (the instrument reported its
// second value absent; never cleared) and the texts the two readouts show. Once the flag is set
// a reply of kinds 2 to 4 leaves the second readout as it was, so that text lives here rather
// than being read back from a label.
class Decoder
{
public:
    // Decodes a reply at the chart magnifications given. A complete reply takes the readouts
    // and the flag on; an incomplete one changes nothing.
    Readout decode(const QByteArray &reply,
                   int resistanceScale = kStartScale,
                   int currentScale = kStartScale);
    // "■" and the stored-data mode: the main readout says stopText(), the second one too while
    // it shows a second value.
    void stop();
    // Something other than a realtime reply (a stored record) found the second value absent.
    void markSecondValueAbsent() { m_singleValue = 1; }

    quint8 singleValue() const { return m_singleValue; }
    const QString &mainText() const { return m_mainText; }
    const QString &secondText() const { return m_secondText; }

private:
    quint8 m_singleValue = 0;
    QString m_mainText = stopText();
    QString m_secondText = stopText();
};

// Readout of a resistance for a range code; value becomes the working value.
QString resistanceText(float &value, int rangeCode);
// Readout of a current. secondOfKind1: the second value of a resistance-and-current reading,
// which carries one decimal more in range 1.
QString currentText(float &value, int rangeCode, bool secondOfKind1);
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
