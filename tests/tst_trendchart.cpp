// The trend chart's picture, probed pixel by pixel where its lines must lie; the trend buffer's
// sweep behind it; the pointer position caption; and what the window redraws.
#include "app/drawingsurface.h"
#include "core/cursorstate.h"
#include "core/trendbuffer.h"
#include "draw/trendchart.h"
#include "fakes/testwindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSlider>
#include <QTest>

#include <cmath>

namespace {

constexpr int kWidth = 533;
constexpr int kHeight = 400;

// Pixel column and row of a chart position on the 533 x 400 chart: the pixel the point falls in.
int col(double x, int width = kWidth)
{
    return int(std::floor((x + 10) / 1020 * width));
}
int row(double y, int height = kHeight)
{
    return int(std::floor((1010 - y) / 1020 * height));
}

const QRgb kGrey = qRgb(150, 150, 150);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kGreen = qRgb(0, 255, 0);

QRgb at(const QImage &image, double x, double y)
{
    return image.pixel(col(x, image.width()), row(y, image.height())) & 0xffffff;
}

enum class Renderer { Image, Painter };

QImage render(const TrendChart::State &state, Renderer renderer)
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::red); // anything the chart fails to clear shows up
    if (renderer == Renderer::Image) {
        TrendChart::draw(image, TrendChart::kScale, state);
    } else {
        QPainter painter(&image);
        TrendChart::draw(painter, ChartMapping(TrendChart::kScale, QSizeF(kWidth, kHeight)), state);
    }
    return image;
}

int countInColumn(const QImage &image, int column, int firstRow, int lastRow, QRgb color)
{
    int count = 0;
    for (int r = firstRow; r <= lastRow; ++r)
        count += (image.pixel(column, r) & 0xffffff) == (color & 0xffffff);
    return count;
}

int countInRow(const QImage &image, int r, int firstColumn, int lastColumn, QRgb color)
{
    int count = 0;
    for (int c = firstColumn; c <= lastColumn; ++c)
        count += (image.pixel(c, r) & 0xffffff) == (color & 0xffffff);
    return count;
}

// Whether any pixel within `slack` pixels of the chart position has the colour.
bool near(const QImage &image, double x, double y, QRgb color, int slack = 1)
{
    for (int dc = -slack; dc <= slack; ++dc)
        for (int dr = -slack; dr <= slack; ++dr) {
            const int c = col(x) + dc;
            const int r = row(y) + dr;
            if (image.valid(c, r) && (image.pixel(c, r) & 0xffffff) == (color & 0xffffff))
                return true;
        }
    return false;
}

void addRendererColumn()
{
    QTest::addColumn<Renderer>("renderer");
}

} // namespace

Q_DECLARE_METATYPE(Renderer)

class TstTrendChart : public QObject
{
    Q_OBJECT

private slots:
    void frameTicksAndBackground_data()
    {
        addRendererColumn();
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<QRgb>("expected");
        for (const Renderer r : {Renderer::Image, Renderer::Painter}) {
            const char *name = r == Renderer::Image ? "image" : "painter";
            auto row_ = [&](const char *what, double x, double y, QRgb color) {
                QTest::addRow("%s: %s", name, what) << r << x << y << color;
            };
            row_("background inside", 333, 666, kGrey);
            row_("background in the margin", -5, 500, kGrey);
            row_("frame bottom", 333, 0, kBlue);
            row_("frame top", 333, 1000, kBlue);
            row_("frame left", 0, 333, kBlue);
            row_("frame right", 1000, 333, kBlue);
            row_("bottom major tick at 100, beyond a minor's length", 100, 17, kBlue);
            row_("bottom minor tick at 10", 10, 10, kBlue);
            row_("bottom minor tick at 10 is 12 long only", 10, 17, kGrey);
            row_("between bottom ticks", 15, 5, kGrey);
            row_("top major tick at 200", 200, 983, kBlue);
            row_("top minor tick at 210 is short", 210, 983, kGrey);
            row_("top minor tick at 210", 210, 992, kBlue);
            row_("left major tick at 100", 12, 100, kBlue);
            row_("left minor tick at 110 is short", 12, 110, kGrey);
            row_("left minor tick at 110", 6, 110, kBlue);
            row_("right major tick at 300", 990, 300, kBlue);
            row_("right minor tick at 310 is short", 990, 310, kGrey);
            row_("right minor tick at 310", 994, 310, kBlue);
            row_("last minor tick at 990 bottom", 990, 5, kBlue);
        }
    }

    void frameTicksAndBackground()
    {
        QFETCH(Renderer, renderer);
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(QRgb, expected);
        const QImage image = render(TrendChart::State{}, renderer);
        QCOMPARE(at(image, x, y), expected & 0xffffff);
    }

    void cursorLinesAreDotted_data()
    {
        addRendererColumn();
        QTest::newRow("image") << Renderer::Image;
        QTest::newRow("painter") << Renderer::Painter;
    }

    void cursorLinesAreDotted()
    {
        QFETCH(Renderer, renderer);
        TrendChart::State state;
        state.x1 = 250;
        state.x2 = 700;
        state.y2 = 600;
        state.y1 = 300;
        const QImage image = render(state, renderer);
        const int top = row(950), bottom = row(50);
        for (const double x : {250.0, 700.0}) {
            const int blue = countInColumn(image, col(x), top, bottom, kBlue);
            const int grey = countInColumn(image, col(x), top, bottom, kGrey);
            QVERIFY2(blue > (bottom - top) / 5, qPrintable(QString::number(x)));
            QVERIFY2(grey > (bottom - top) / 3, qPrintable(QString::number(x)));
            QCOMPARE(blue + grey, bottom - top + 1);
            QCOMPARE(countInColumn(image, col(x) + 1, top, bottom, kBlue), 0);
        }
        const int left = col(50), right = col(950);
        for (const double y : {600.0, 300.0}) {
            QVERIFY(countInRow(image, row(y), left, right, kBlue) > (right - left) / 5);
            QVERIFY(countInRow(image, row(y), left, right, kGrey) > (right - left) / 3);
            // The row above is grey between the two vertical cursors.
            QCOMPARE(countInRow(image, row(y) - 1, col(260), col(690), kBlue), 0);
        }
    }

    void cursorsOutsideTheChartAreNotDrawn_data()
    {
        addRendererColumn();
        QTest::addColumn<float>("x1");
        QTest::addColumn<float>("x2");
        QTest::addColumn<float>("y2");
        QTest::addColumn<float>("y1");
        QTest::addColumn<int>("column"); // where a drawn line would be; -1 none
        QTest::addColumn<int>("line");   // row where a drawn line would be; -1 none
        for (const Renderer r : {Renderer::Image, Renderer::Painter}) {
            const char *name = r == Renderer::Image ? "image" : "painter";
            QTest::addRow("%s: x1 -0.5", name)
                    << r << -0.5f << 500.f << 500.f << 0.f << col(-0.5) << -1;
            QTest::addRow("%s: x2 1000.5", name)
                    << r << 0.f << 1000.5f << 500.f << 0.f << col(1000.5) << -1;
            QTest::addRow("%s: y2 1005", name)
                    << r << 0.f << 500.f << 1005.f << 0.f << -1 << row(1005);
            QTest::addRow("%s: y1 -5", name) << r << 0.f << 500.f << 500.f << -5.f << -1 << row(-5);
        }
    }

    void cursorsOutsideTheChartAreNotDrawn()
    {
        QFETCH(Renderer, renderer);
        QFETCH(float, x1);
        QFETCH(float, x2);
        QFETCH(float, y2);
        QFETCH(float, y1);
        QFETCH(int, column);
        QFETCH(int, line);
        TrendChart::State state;
        state.x1 = x1;
        state.x2 = x2;
        state.y2 = y2;
        state.y1 = y1;
        const QImage image = render(state, renderer);
        if (column >= 0)
            QCOMPARE(countInColumn(image, column, 0, kHeight - 1, kBlue), 0);
        if (line >= 0)
            QCOMPARE(countInRow(image, line, 0, kWidth - 1, kBlue), 0);
        // The rest is drawn as usual.
        QCOMPARE(at(image, 333, 0), kBlue & 0xffffff);
        QCOMPARE(at(image, 1000, 333), kBlue & 0xffffff);
        QCOMPARE(at(image, 333, 666), kGrey & 0xffffff);
    }

    void traceFollowsTheBaseline_data()
    {
        addRendererColumn();
        QTest::addColumn<int>("y1");
        for (const Renderer r : {Renderer::Image, Renderer::Painter}) {
            const char *name = r == Renderer::Image ? "image" : "painter";
            QTest::addRow("%s: Y1 0, along the bottom", name) << r << 0;
            QTest::addRow("%s: Y1 300", name) << r << 300;
        }
    }

    void traceFollowsTheBaseline()
    {
        QFETCH(Renderer, renderer);
        QFETCH(int, y1);
        Trend::Ring samples{};
        TrendChart::State state;
        state.y1 = float(y1);
        state.traceEnabled = true;
        state.segments = Trend::WindowSegments(2);
        state.samples = samples;
        const QImage image = render(state, renderer);
        // Green from the left frame to the right frame, covering the frame and the dotted line.
        QCOMPARE(countInRow(image, row(y1), col(0), col(1000), kGreen), col(1000) - col(0) + 1);
        QCOMPARE(countInRow(image, row(y1) - 1, 0, kWidth - 1, kGreen), 0);
        QCOMPARE(countInRow(image, row(y1) + 1, 0, kWidth - 1, kGreen), 0);
        if (y1 != 0)
            QCOMPARE(at(image, 333, 0), kBlue & 0xffffff);
    }

    void noTraceWhenDisabled()
    {
        Trend::Ring samples{};
        samples.fill(400);
        TrendChart::State state;
        state.traceEnabled = false;
        state.segments = 500;
        state.samples = samples;
        const QImage image = render(state, Renderer::Image);
        for (int r = 0; r < kHeight; ++r)
            QCOMPARE(countInRow(image, r, 0, kWidth - 1, kGreen), 0);
    }

    void segmentsLeavingTheChartAreFlattened_data()
    {
        addRendererColumn();
        QTest::addColumn<float>("first");
        QTest::addColumn<float>("second");
        QTest::addColumn<int>("y1");
        QTest::addColumn<double>("flatAt"); // -1: not flattened
        for (const Renderer r : {Renderer::Image, Renderer::Painter}) {
            const char *name = r == Renderer::Image ? "image" : "painter";
            QTest::addRow("%s: 990..1010 at the top", name) << r << 990.f << 1010.f << 0 << 1000.0;
            QTest::addRow("%s: -1..500 at the bottom", name) << r << -1.f << 500.f << 0 << 0.0;
            QTest::addRow("%s: -5..1200, below zero first", name)
                    << r << -5.f << 1200.f << 0 << 0.0;
            QTest::addRow("%s: 90..150 over baseline 900", name)
                    << r << 90.f << 150.f << 900 << 1000.0;
            QTest::addRow("%s: 0..1000 stays", name) << r << 0.f << 1000.f << 0 << -1.0;
        }
    }

    void segmentsLeavingTheChartAreFlattened()
    {
        QFETCH(Renderer, renderer);
        QFETCH(float, first);
        QFETCH(float, second);
        QFETCH(int, y1);
        QFETCH(double, flatAt);
        Trend::Ring samples{};
        samples[0] = first;
        samples[1] = second;
        TrendChart::State state;
        state.y1 = float(y1);
        state.x1 = state.x2 = 500;
        state.y2 = 500;
        state.traceEnabled = true;
        state.segments = 16; // the first segment spans x 0..62.5
        state.samples = samples;
        const QImage image = render(state, renderer);
        const int c = col(33);
        if (flatAt >= 0) {
            QCOMPARE(image.pixel(c, row(flatAt)) & 0xffffff, kGreen & 0xffffff);
            QCOMPARE(countInColumn(image, c, 0, kHeight - 1, kGreen), 1);
        } else {
            // A straight rise from 0 to 1000 over the segment: about half way up at x 33.
            QVERIFY(near(image, 33, 33 / 62.5 * 1000, kGreen, 2));
            QVERIFY(countInColumn(image, c, 0, kHeight - 1, kGreen) > 1);
        }
    }

    void oneSecondWindowHasSixteenSegments()
    {
        Trend::Ring samples{};
        samples[1] = 500;  // the peak of the first two segments, at x = 62.5
        samples[17] = 900; // beyond the window
        TrendChart::State state;
        state.traceEnabled = true;
        state.segments = Trend::WindowSegments(0);
        state.samples = samples;
        const QImage image = render(state, Renderer::Image);
        QVERIFY(near(image, 62.5, 500, kGreen));
        QVERIFY(!near(image, 6.024, 500, kGreen, 3)); // not the 10 s step
        // Past x = 125 the trace lies on the bottom only, up to the right frame and no further.
        for (int c = col(130); c < kWidth; ++c) {
            const int greens = countInColumn(image, c, 0, kHeight - 1, kGreen);
            QCOMPARE(greens, c <= col(1000) ? 1 : 0);
        }
    }

    void thirtySecondWindowDrawsEntry500()
    {
        Trend::Ring samples{};
        samples[500] = 500;
        TrendChart::State state;
        state.traceEnabled = true;
        state.segments = Trend::WindowSegments(4);
        state.samples = samples;
        const QImage image = render(state, Renderer::Image);
        QVERIFY(near(image, 999, 250, kGreen, 2));
    }

    // ---- The chart as the window keeps it ----

    void startupPicture()
    {
        TestWindow w;
        const QImage &image = w->ui().Picture1->image();
        QCOMPARE(image.deviceIndependentSize().toSize(), QSize(kWidth, kHeight));
        if (image.devicePixelRatio() != 1)
            QSKIP("the chart probes below are for a 1:1 screen");
        QCOMPARE(at(image, 333, 666), kGrey & 0xffffff);
        QCOMPARE(at(image, 333, 0), kBlue & 0xffffff);
        QVERIFY(countInColumn(image, col(500), row(900), row(100), kBlue) > 0);
        QVERIFY(countInRow(image, row(500), col(100), col(400), kBlue) > 0);
        // The trace is not switched on until the reset is over.
        for (int r = 0; r < kHeight; ++r)
            QCOMPARE(countInRow(image, r, 0, kWidth - 1, kGreen), 0);
        QCOMPARE(w->cursors().cursorX1, 0.0);
        QCOMPARE(w->cursors().cursorX2, 500.0);
        QCOMPARE(w->cursors().cursorY2, 500.0);
        QCOMPARE(w->cursors().cursorY1, qint16(0));
    }

    void highDensityImageKeepsOnePixelLines()
    {
        TestWindow w;
        w->ui().Picture1->setImagePixelRatio(2);
        w->ResetTrendChart();
        const QImage &image = w->ui().Picture1->image();
        QCOMPARE(image.size(), QSize(2 * kWidth, 2 * kHeight));
        QCOMPARE(image.deviceIndependentSize().toSize(), QSize(kWidth, kHeight));
        const int c = col(333, image.width()); // between ticks
        QCOMPARE(image.pixel(c, row(666, image.height())) & 0xffffff, kGrey & 0xffffff);
        // The bottom frame line: one device pixel high.
        QCOMPARE(countInColumn(image, c, image.height() / 2, image.height() - 1, kBlue), 1);
    }

    void appendingRedrawsTheChart()
    {
        TestWindow w;
        w.stopTimers();
        QVERIFY(w->traceEnabled()); // start-up ends with "→"
        w->ui().Slider2->setValue(0);
        w->AppendTrendSample(1.5f, 2.5f, 500);
        QCOMPARE(w->trend().sampleIndex(), qint16(1));
        QCOMPARE(w->trend().value1Samples()[0], 1.5f);
        QCOMPARE(w->trend().trendSamples()[1], 500.f);
        QVERIFY(near(w->ui().Picture1->image(), 62.5, 500, kGreen));
    }

    void stopClearsTheTraceAndItsPicture()
    {
        TestWindow w;
        w.stopTimers();
        w->ui().Slider2->setValue(0);
        for (int i = 0; i < 5; ++i)
            w->AppendTrendSample(1, 2, 400);
        QVERIFY(near(w->ui().Picture1->image(), 62.5, 400, kGreen));
        w->Command3_Click(); // Stop
        QVERIFY(!w->traceEnabled());
        QCOMPARE(w->trend().sampleIndex(), qint16(0));
        QCOMPARE(w->trend().trendSamples()[1], 0.f);
        const QImage &image = w->ui().Picture1->image();
        for (int r = 0; r < image.height(); ++r)
            QCOMPARE(countInRow(image, r, 0, image.width() - 1, kGreen), 0);
    }

    // ---- The buffer behind the chart ----

    void appendWritesAndWraps_data()
    {
        QTest::addColumn<int>("primeSlider"); // time-window slider while priming
        QTest::addColumn<int>("primed");      // readings appended first
        QTest::addColumn<int>("slider");      // slider for the reading under test
        QTest::addColumn<int>("valueIndex");  // -1: no statistics entry
        QTest::addColumn<int>("chartIndex");  // -1: the chart value is dropped
        QTest::addColumn<int>("indexAfter");
        QTest::newRow("first reading") << 0 << 0 << 0 << 0 << 1 << 1;
        QTest::newRow("1 s: last entry of the window") << 0 << 16 << 0 << 16 << 17 << 17;
        QTest::newRow("1 s: full window starts over") << 0 << 17 << 0 << -1 << 0 << 0;
        QTest::newRow("1 s: after starting over") << 0 << 18 << 0 << 0 << 1 << 1;
        QTest::newRow("5 s: 83 segments") << 1 << 84 << 1 << -1 << 0 << 0;
        QTest::newRow("30 s: entry 500, chart value dropped") << 4 << 500 << 4 << 500 << -1 << 501;
        QTest::newRow("30 s: past 500 starts over") << 4 << 501 << 4 << -1 << 0 << 0;
        QTest::newRow("window shrunk under the position") << 4 << 100 << 0 << -1 << 0 << 0;
        QTest::newRow("window grown over the position") << 0 << 17 << 4 << 17 << 18 << 18;
        QTest::newRow("slider off the scale: no segments") << 5 << 1 << 5 << -1 << 0 << 0;
    }

    void appendWritesAndWraps()
    {
        QFETCH(int, primeSlider);
        QFETCH(int, primed);
        QFETCH(int, slider);
        QFETCH(int, valueIndex);
        QFETCH(int, chartIndex);
        QFETCH(int, indexAfter);
        TrendBuffer buffer;
        for (int i = 0; i < primed; ++i)
            buffer.append(Trend::WindowSegments(primeSlider), 1, 2, 3);
        const TrendBuffer before = buffer;

        const Trend::AppendResult r = buffer.append(Trend::WindowSegments(slider), 7, 8, 99);
        QCOMPARE(r.storedValues, valueIndex >= 0);
        QCOMPARE(r.valueIndex, valueIndex);
        QCOMPARE(r.chartIndex, chartIndex);
        QCOMPARE(buffer.sampleIndex(), qint16(indexAfter));
        // Exactly the entries reported changed, to exactly the values given.
        for (int i = 0; i < Trend::kRingSize; ++i) {
            const auto at = std::size_t(i);
            QCOMPARE(buffer.value1Samples()[at],
                     i == valueIndex ? 7.f : before.value1Samples()[at]);
            QCOMPARE(buffer.value2Samples()[at],
                     i == valueIndex ? 8.f : before.value2Samples()[at]);
            QCOMPARE(buffer.trendSamples()[at], i == chartIndex ? 99.f : before.trendSamples()[at]);
        }
    }

    void clearTraceKeepsEntry500()
    {
        TrendBuffer buffer;
        for (int i = 0; i < 500; ++i)
            buffer.append(Trend::WindowSegments(4), 1, 2, 77);
        QCOMPARE(buffer.trendSamples()[500], 77.f);
        const Trend::Ring value1 = buffer.value1Samples();
        buffer.clearTrace();
        QCOMPARE(buffer.sampleIndex(), qint16(0));
        QCOMPARE(buffer.trendSamples()[500], 77.f); // the last point of the longest window
        for (int i = 0; i < 500; ++i)
            QCOMPARE(buffer.trendSamples()[std::size_t(i)], 0.f);
        QVERIFY(buffer.value1Samples() == value1); // the statistics keep their samples
        const Trend::AppendResult r = buffer.append(Trend::WindowSegments(4), 5, 6, 9);
        QCOMPARE(r.valueIndex, 0);
        QCOMPARE(r.chartIndex, 1);
    }

    // ---- The pointer position caption ----

    void pointerText_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<QString>("expected"); // null: none, the caption keeps its text
        QTest::newRow("just inside the left") << 0.4 << 500.0 << QStringLiteral("X: 0 Y: 500");
        QTest::newRow("on the left edge") << 0.0 << 500.0 << QString();
        QTest::newRow("on the right edge") << 1000.0 << 500.0 << QString();
        QTest::newRow("on the bottom edge") << 500.0 << 0.0 << QString();
        QTest::newRow("on the top edge") << 500.0 << 1000.0 << QString();
        QTest::newRow("in the margin") << -5.0 << 500.0 << QString();
        QTest::newRow("above the chart") << 500.0 << 1005.0 << QString();
        QTest::newRow("halves to even") << 2.5 << 3.5 << QStringLiteral("X: 2 Y: 4");
        QTest::newRow("ordinary") << 250.2 << 730.6 << QStringLiteral("X: 250 Y: 731");
        QTest::newRow("up to the top") << 999.5 << 999.5 << QStringLiteral("X: 1000 Y: 1000");
    }

    void pointerText()
    {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(QString, expected);
        const std::optional<QString> text = Cursors::pointerText(x, y);
        QCOMPARE(text.has_value(), !expected.isNull());
        if (text)
            QCOMPARE(*text, expected);
    }

    void pointerLabelFollowsThePointerInsideOnly()
    {
        TestWindow w;
        w->ui().Text7->setText(QStringLiteral("300"));
        w->Text7_KeyDown(13, 0);
        // The caption gives chart units: the trace's baseline Y1 is not subtracted.
        QCOMPARE(w->cursors().cursorY1, qint16(300));
        w->ui().Label18->setText(QStringLiteral("X:   Y:"));
        w->Picture1_MouseMove(0, 0, 1000, 500); // on the edge: kept
        QCOMPARE(w->ui().Label18->text(), QStringLiteral("X:   Y:"));
        w->Picture1_MouseMove(0, 0, 250.2, 730.6);
        QCOMPARE(w->ui().Label18->text(), QStringLiteral("X: 250 Y: 731"));
        w->Picture1_MouseMove(0, 0, -5, 500); // into the margin: the last position stays
        QCOMPARE(w->ui().Label18->text(), QStringLiteral("X: 250 Y: 731"));
    }
};

QTEST_MAIN(TstTrendChart)
#include "tst_trendchart.moc"
