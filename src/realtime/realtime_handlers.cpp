// Window side of the realtime readings and alarms: applies what the pure decoder and the alarm
// decisions say to the controls and the window state.
#include "app/form1.h"
#include "platform/shapeindicator.h"
#include "realtime/alarms.h"
#include "realtime/numbertext.h"
#include "realtime/realtimedecoder.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTimer>

namespace {

const QColor kAlarmColour(255, 0, 0);

void applyEnable(QWidget *control, const Realtime::Enable &wanted)
{
    if (wanted)
        control->setEnabled(*wanted);
}

// Enabling a running timer must not restart its interval: readings arrive every 500 ms, and a
// restart on each of them would keep a 1000 ms reset timer from ever ticking.
void applyEnable(QTimer *timer, const Realtime::Enable &wanted)
{
    if (!wanted)
        return;
    if (*wanted && !timer->isActive())
        timer->start();
    else if (!*wanted)
        timer->stop();
}

void applyBlink(QTimer *blinkTimer, Alarms::Blink blink)
{
    switch (blink) {
    case Alarms::Blink::Start:
        applyEnable(blinkTimer, true);
        break;
    case Alarms::Blink::Stop:
        applyEnable(blinkTimer, false);
        break;
    case Alarms::Blink::Keep:
        break;
    }
}

// A rejected limit stays visible after the status line has moved on: the box gets a red frame
// and a tooltip with the accepted range until a valid limit is read from it.
void markLimitBox(QLineEdit *box, const Alarms::CheckDecision &decision, const QString &range)
{
    if (!decision.limitRead)
        return;
    if (decision.limitRejected) {
        box->setStyleSheet(QStringLiteral("QLineEdit { border: 2px solid rgb(255, 0, 0); }"));
        box->setToolTip(QStringLiteral("Limit not accepted: enter a number from %1").arg(range));
    } else if (!box->styleSheet().isEmpty() || !box->toolTip().isEmpty()) {
        box->setStyleSheet(QString());
        box->setToolTip(QString());
    }
}

void showStatistics(const Trend::Ring &ring,
                    int segments,
                    float bound,
                    QLineEdit *maxBox,
                    QLineEdit *minBox,
                    QLineEdit *meanBox)
{
    const std::optional<Alarms::Statistics> s = Alarms::statistics(ring, segments, bound);
    if (!s)
        return; // nothing computed: the boxes keep what they show
    maxBox->setText(NumberText::plain(s->maximum));
    minBox->setText(NumberText::plain(s->minimum));
    meanBox->setText(NumberText::plain(s->mean));
}

} // namespace

void Form1::DecodeRealtimeReply()
{
    Realtime::DecodeFlags flags;
    flags.singleValue = singleValue;
    flags.label25 = Label25->text();
    flags.slider1 = Slider1->value();
    flags.slider3 = Slider3->value();
    const Realtime::DecodeResult r = Realtime::decodeReply(replyBuffer, flags);
    if (!r.complete)
        return; // a burst shorter than a reply is no reading: the last one stays shown

    measureKind = r.measureKind;
    singleValue = r.singleValue;
    Label7->setText(r.label7);
    Label25->setText(r.label25);

    applyEnable(Slider1, r.enables.slider1);
    applyEnable(Slider3, r.enables.slider3);
    applyEnable(Check1, r.enables.check1);
    applyEnable(Check2, r.enables.check2);
    applyEnable(Timer6, r.enables.timer6);
    applyEnable(Timer8, r.enables.timer8);

    for (const Realtime::AlarmCall &call : r.alarms) {
        if (call.which == Realtime::AlarmCall::Resistance)
            CheckResistanceAlarm(call.reading);
        else
            CheckCurrentAlarm(call.reading, call.rangeCode, call.message);
    }

    if (r.dropped)
        return;
    if (r.label8)
        Label8->setText(*r.label8);
    if (r.label19)
        Label19->setText(*r.label19);
    AppendTrendSample(r.value1, r.value2, r.plotValue);
}

void Form1::CheckResistanceAlarm(float reading)
{
    const Alarms::CheckDecision d = Alarms::resistanceCheck(
            Check1->checkState() == Qt::Checked, Text1->text(), resistanceLimit, reading);
    if (d.limitRejected)
        Label6->setText(QStringLiteral("input error"));
    if (d.newLimit)
        resistanceLimit = *d.newLimit;
    markLimitBox(Text1, d, QStringLiteral("0 to 1200 \u03A9"));
    applyBlink(Timer7, d.blink);
}

void Form1::CheckCurrentAlarm(float reading, int rangeCode, const QString &message)
{
    const Alarms::CheckDecision d = Alarms::currentCheck(
            Check2->checkState() == Qt::Checked, Text9->text(), currentLimit, reading, rangeCode);
    if (d.limitRejected)
        Label6->setText(message);
    if (d.newLimit)
        currentLimit = *d.newLimit;
    markLimitBox(Text9, d, QStringLiteral("0 to 40000 mA"));
    applyBlink(Timer9, d.blink);
}

void Form1::Timer6_Timer()
{
    Timer7->stop();
    Shape2->setFillState(0);
    showStatistics(value1Samples,
                   Trend::WindowSegments(Slider2->value()),
                   Alarms::kResistanceStatisticsBound,
                   Text2,
                   Text3,
                   Text4);
}

void Form1::Timer7_Timer()
{
    Shape2->setFillColor(kAlarmColour);
    Shape2->setFillState(Alarms::toggledFillState(Shape2->fillState()));
}

void Form1::Timer8_Timer()
{
    Timer9->stop();
    Shape4->setFillState(0);
    showStatistics(value2Samples,
                   Trend::WindowSegments(Slider2->value()),
                   Alarms::kCurrentStatisticsBound,
                   Text13,
                   Text14,
                   Text15);
}

void Form1::Timer9_Timer()
{
    Shape4->setFillColor(kAlarmColour);
    Shape4->setFillState(Alarms::toggledFillState(Shape4->fillState()));
}
