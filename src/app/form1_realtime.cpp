// Window side of the realtime readings and alarms: applies what the pure decoder and the alarm
// decisions say to the controls and the window state.
#include "app/form1.h"

#include "app/shapeindicator.h"
#include "core/alarms.h"
#include "core/readingstats.h"
#include "core/readout.h"
#include "core/statistics.h"
#include "link/switchon.h"

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

// Enabling a running timer must not restart its interval (switchOn): a 1000 ms reset timer
// enabled by every reading would never tick.
void applyEnable(QTimer *timer, const Realtime::Enable &wanted)
{
    if (!wanted)
        return;
    if (*wanted)
        switchOn(timer);
    else
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
// and a tooltip with the accepted range until a valid limit is read from it. `marked`: the
// window's record of the mark.
void markLimitBox(QLineEdit *box,
                  bool &marked,
                  const Alarms::CheckDecision &decision,
                  const QString &range)
{
    if (!decision.limitRead)
        return;
    if (decision.limitRejected) {
        box->setStyleSheet(QStringLiteral("QLineEdit { border: 2px solid rgb(255, 0, 0); }"));
        box->setToolTip(QStringLiteral("Limit not accepted: enter a number from %1").arg(range));
        marked = true;
    } else if (marked) {
        box->setStyleSheet(QString());
        box->setToolTip(QString());
        marked = false;
    }
}

// One blink tick: the indicator turns red and toggles between filled and not.
void blink(ShapeIndicator *indicator, int &fillState)
{
    fillState = Alarms::toggledFillState(fillState);
    indicator->setFillColor(kAlarmColour);
    indicator->setFillState(fillState);
}

// The reset tick ends the blink: the indicator stays red, unfilled.
void endBlink(QTimer *blinkTimer, ShapeIndicator *indicator, int &fillState)
{
    blinkTimer->stop();
    fillState = 0;
    indicator->setFillState(fillState);
}

// A quantity's boxes: its summary, or empty while it has no reading.
void showSummary(const std::optional<ReadingStats::Texts> &texts,
                 QLineEdit *maxBox,
                 QLineEdit *minBox,
                 QLineEdit *meanBox)
{
    maxBox->setText(texts ? texts->maximum : QString());
    minBox->setText(texts ? texts->minimum : QString());
    meanBox->setText(texts ? texts->mean : QString());
}

} // namespace

void Form1::DecodeRealtimeReply(const QByteArray &reply)
{
    const Form1Ui &ui = m_ui;
    const Realtime::Readout r = m_decoder.decode(reply, ui.Slider1->value(), ui.Slider3->value());
    if (!r.complete)
        return; // a burst shorter than a reply is no reading: the last one stays shown

    showReadouts();
    // The boxes follow every reading shown, whatever the kind leaves enabled.
    m_readingStats.add(r);
    showReadingStats();

    applyEnable(ui.Slider1, r.enables.resistanceScale);
    applyEnable(ui.Slider3, r.enables.currentScale);
    applyEnable(ui.Check1, r.enables.resistanceAlarm);
    applyEnable(ui.Check2, r.enables.currentAlarm);
    applyEnable(ui.Timer6, r.enables.resistanceStatistics);
    applyEnable(ui.Timer8, r.enables.currentStatistics);

    for (const Realtime::AlarmCall &call : r.alarms) {
        if (call.which == Realtime::AlarmCall::Resistance)
            CheckResistanceAlarm(call.reading);
        else
            CheckCurrentAlarm(call.reading, call.rangeCode, call.message);
    }

    if (r.dropped)
        return;
    if (r.resistanceScaleCaption)
        ui.Label8->setText(*r.resistanceScaleCaption);
    if (r.currentScaleCaption)
        ui.Label19->setText(*r.currentScaleCaption);
    AppendTrendSample(r.value1, r.value2, r.plotValue);
}

void Form1::CheckResistanceAlarm(float reading)
{
    const Form1Ui &ui = m_ui;
    const Alarms::CheckDecision d = Alarms::resistanceCheck(ui.Check1->checkState() == Qt::Checked,
                                                            ui.Text1->text(),
                                                            m_limits.resistanceLimit,
                                                            reading);
    if (d.limitRejected)
        ui.Label6->setText(QString::fromLatin1(Alarms::kInputError));
    if (d.newLimit)
        m_limits.resistanceLimit = *d.newLimit;
    markLimitBox(ui.Text1,
                 m_alarmShown[ReadingStats::Resistance].limitMarked,
                 d,
                 Alarms::resistanceLimitRange() + QStringLiteral(" \u03A9"));
    applyBlink(ui.Timer7, d.blink);
}

void Form1::CheckCurrentAlarm(float reading, int rangeCode, const QString &message)
{
    const Form1Ui &ui = m_ui;
    const Alarms::CheckDecision d = Alarms::currentCheck(ui.Check2->checkState() == Qt::Checked,
                                                         ui.Text9->text(),
                                                         m_limits.currentLimit,
                                                         reading,
                                                         rangeCode);
    if (d.limitRejected)
        ui.Label6->setText(message);
    if (d.newLimit)
        m_limits.currentLimit = *d.newLimit;
    markLimitBox(ui.Text9,
                 m_alarmShown[ReadingStats::Current].limitMarked,
                 d,
                 Alarms::currentLimitRange() + QStringLiteral(" mA"));
    applyBlink(ui.Timer9, d.blink);
}

void Form1::Timer6_Timer()
{
    const Form1Ui &ui = m_ui;
    endBlink(ui.Timer7, ui.Shape2, m_alarmShown[ReadingStats::Resistance].fillState);
    // The pass over the ring stays the tick's work; the boxes show the readings themselves.
    m_ringStatistics[ReadingStats::Resistance]
            = Statistics::compute(m_trend.value1Samples(),
                                  Trend::WindowSegments(ui.Slider2->value()),
                                  Statistics::kResistanceBound);
}

void Form1::Timer7_Timer()
{
    blink(m_ui.Shape2, m_alarmShown[ReadingStats::Resistance].fillState);
}

void Form1::Timer8_Timer()
{
    const Form1Ui &ui = m_ui;
    endBlink(ui.Timer9, ui.Shape4, m_alarmShown[ReadingStats::Current].fillState);
    m_ringStatistics[ReadingStats::Current]
            = Statistics::compute(m_trend.value2Samples(),
                                  Trend::WindowSegments(ui.Slider2->value()),
                                  Statistics::kCurrentBound);
}

void Form1::Timer9_Timer()
{
    blink(m_ui.Shape4, m_alarmShown[ReadingStats::Current].fillState);
}

void Form1::showReadouts()
{
    m_ui.Label7->setText(m_decoder.mainText());
    m_ui.Label25->setText(m_decoder.secondText());
}

void Form1::showStopped()
{
    m_decoder.stop();
    showReadouts();
}

void Form1::ResetReadingStats()
{
    m_readingStats.reset();
    showReadingStats();
}

void Form1::showReadingStats()
{
    const Form1Ui &ui = m_ui;
    showSummary(m_readingStats.texts(ReadingStats::Resistance), ui.Text2, ui.Text3, ui.Text4);
    showSummary(m_readingStats.texts(ReadingStats::Current), ui.Text13, ui.Text14, ui.Text15);
}
