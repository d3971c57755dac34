// AppendTrendSample: one realtime reading into the rings, then a redraw of the chart.
#include "app/form1.h"

#include <QSlider>

void Form1::AppendTrendSample(float value1, float value2, float chartValue)
{
    const int n = Trend::WindowSegments(Slider2->value());
    Trend::appendSample(
            sampleIndex, value1Samples, value2Samples, trendSamples, n, value1, value2, chartValue);
    DrawTrendChart(float(cursorX1), float(cursorX2), float(cursorY2), float(cursorY1));
}
