// The run controls: start, pause, stop, instrument mode switch and read.
#include "app/form1.h"
#include "link/protocol.h"

#include <QLabel>

void Form1::Command1_Click()
{
    runState = 1;
    traceEnabled = true;
    RequestReading();
}

void Form1::Command2_Click()
{
    traceEnabled = true;
    runState = 0;
}

void Form1::Command3_Click()
{
    runState = 0;
    traceEnabled = false;
    ResetTrendChart();
    ResetCursorChartY();
    ResetCursorChartX();
    sampleIndex = 0;
    // Entry 500 is left as it is: it stays the last point of the longest window.
    std::fill(trendSamples.begin(), trendSamples.begin() + 500, 0.0f);
    Label7->setText(QStringLiteral("STOP"));
    if (singleValue == 0)
        Label25->setText(QStringLiteral("STOP"));
}

void Form1::Command9_Click()
{
    SendCommand(Protocol::ModeSwitch);
    runState = 1;
    traceEnabled = true;
    RequestReading();
}

void Form1::Command4_Click()
{
    StartStoredRead();
}
