// Cost of the chart redraws that happen on every reading and on every mouse move of a drag.
#include "app/drawingsurface.h"
#include "app/form1.h"
#include "draw/trendchart.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <cmath>

class BenchChart : public QObject
{
    Q_OBJECT

private:
    // A window whose trace has the longest window and a wavy 500-segment trace that crosses
    // both flattening limits now and then.
    static void prepare(Form1 &form)
    {
        form.Form_Load();
        form.link().searchTimer()->stop();
        form.Command2_Click(); // the trace is drawn, no reading is asked for
        form.ui().Slider2->setValue(4);
        // One more than the ring holds: the write position wraps once, so every entry is set.
        for (int i = 0; i <= Trend::kRingSize; ++i)
            form.AppendTrendSample(0, 0, float(500 + 520 * std::sin(i * 0.05)));
    }

private slots:
    void drawTrendChart500Segments()
    {
        Form1 form;
        prepare(form);
        QBENCHMARK
        {
            form.DrawTrendChart();
        }
    }

    void drawThroughPainter()
    {
        QImage image(533, 400, QImage::Format_RGB32);
        Trend::Ring samples{};
        for (int i = 0; i < Trend::kRingSize; ++i)
            samples[i] = float(500 + 520 * std::sin(i * 0.05));
        TrendChart::State state;
        state.traceEnabled = true;
        state.segments = 500;
        state.samples = samples;
        const ChartMapping mapping(TrendChart::kScale, QSizeF(image.size()));
        QBENCHMARK
        {
            QPainter painter(&image);
            TrendChart::draw(painter, mapping, state);
        }
    }

    void dragCursorX()
    {
        Form1 form;
        prepare(form);
        form.Picture4_MouseDown(1, 0, 500, 10);
        double x = 0;
        QBENCHMARK
        {
            x = x >= 1000 ? 0 : x + 7.3;
            form.Picture4_MouseMove(1, 0, x, 10);
        }
        form.Picture4_MouseUp(1, 0, x, 10);
    }

    void dragCursorY1()
    {
        Form1 form;
        prepare(form);
        form.Picture3_MouseDown(1, 0, 10, 0);
        double y = 0;
        QBENCHMARK
        {
            y = y >= 1000 ? 0 : y + 7.3;
            form.Picture3_MouseMove(1, 0, 10, y);
        }
        form.Picture3_MouseUp(1, 0, 10, y);
    }
};

QTEST_MAIN(BenchChart)
#include "bench_chart.moc"
