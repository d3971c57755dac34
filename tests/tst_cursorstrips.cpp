// The two cursor strips: their markers, the mouse press/drag/release rules, the Enter entries,
// and that every change reaches the trend chart.
#include "draw/cursorstrips.h"
#include "app/drawingsurface.h"
#include "fakes/testwindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>

#include <cmath>

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlue = qRgb(0, 0, 255);

// Strip X: x -10..1010 across, y 0..136 down. Strip Y: x 0..136 across, y 1010..-10 down.
QPoint stripXPixel(const QImage &image, double x, double y)
{
    return {int(std::floor((x + 10) / 1020 * image.width())),
            int(std::floor(y / 136 * image.height()))};
}
QPoint stripYPixel(const QImage &image, double x, double y)
{
    return {int(std::floor(x / 136 * image.width())),
            int(std::floor((1010 - y) / 1020 * image.height()))};
}
QRgb rgbAt(const QImage &image, QPoint p)
{
    return image.pixel(p) & 0xffffff;
}
// The trend chart's column for x and row for y on Picture1.
int chartCol(double x)
{
    return int(std::floor((x + 10) / 1020 * 533));
}
int chartRow(double y)
{
    return int(std::floor((1010 - y) / 1020 * 400));
}
int blueInChartColumn(const QImage &image, double x)
{
    int count = 0;
    for (int r = chartRow(900); r <= chartRow(100); ++r)
        count += (image.pixel(chartCol(x), r) & 0xffffff) == (kBlue & 0xffffff);
    return count;
}
int blueInChartRow(const QImage &image, double y)
{
    int count = 0;
    for (int c = chartCol(100); c <= chartCol(900); ++c)
        count += (image.pixel(c, chartRow(y)) & 0xffffff) == (kBlue & 0xffffff);
    return count;
}
int colourInChartRow(const QImage &image, double y, QRgb colour)
{
    int count = 0;
    for (int c = chartCol(100); c <= chartCol(900); ++c)
        count += (image.pixel(c, chartRow(y)) & 0xffffff) == (colour & 0xffffff);
    return count;
}
bool hasTextBelow(const QImage &image, int fromRow, int firstColumn, int lastColumn)
{
    for (int r = fromRow; r < image.height(); ++r)
        for (int c = std::max(firstColumn, 0); c <= std::min(lastColumn, image.width() - 1); ++c) {
            const QRgb p = image.pixel(c, r) & 0xffffff;
            if (p != (kWhite & 0xffffff) && p != (kBlue & 0xffffff))
                return true;
        }
    return false;
}

} // namespace

class TstCursorStrips : public QObject
{
    Q_OBJECT

private slots:
    void labels_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << QStringLiteral("X1:") << 0.f << QStringLiteral("X1:0");
        QTest::newRow("12.5 to even below")
                << QStringLiteral("X1:") << 12.5f << QStringLiteral("X1:12");
        QTest::newRow("13.5 to even above")
                << QStringLiteral("X1:") << 13.5f << QStringLiteral("X1:14");
        QTest::newRow("250.5") << QStringLiteral("Y2:") << 250.5f << QStringLiteral("Y2:250");
        QTest::newRow("251.5") << QStringLiteral("Y2:") << 251.5f << QStringLiteral("Y2:252");
        QTest::newRow("999.5") << QStringLiteral("X2:") << 999.5f << QStringLiteral("X2:1000");
        QTest::newRow("0.4") << QStringLiteral("Y1:") << 0.4f << QStringLiteral("Y1:0");
    }

    void labels()
    {
        QFETCH(QString, prefix);
        QFETCH(float, value);
        QFETCH(QString, expected);
        QCOMPARE(CursorStrip::label(prefix, value), expected);
    }

    void stripXAfterReset()
    {
        TestWindow w;
        const QImage &image = w->Picture4->image();
        if (image.devicePixelRatio() != 1)
            QSKIP("the probes are for a 1:1 screen");
        QCOMPARE(rgbAt(image, stripXPixel(image, 250, 100)), kWhite & 0xffffff);
        for (const double x : {0.0, 500.0}) {
            QCOMPARE(rgbAt(image, stripXPixel(image, x, 0)), kBlue & 0xffffff);       // apex
            QCOMPARE(rgbAt(image, stripXPixel(image, x + 15, 20)), kBlue & 0xffffff); // base
            QCOMPARE(rgbAt(image, stripXPixel(image, x + 30, 20)), kWhite & 0xffffff);
            QVERIFY(hasTextBelow(image,
                                 stripXPixel(image, 0, 21).y(),
                                 stripXPixel(image, x - 10, 0).x(),
                                 stripXPixel(image, x + 60, 0).x()));
        }
        QCOMPARE(rgbAt(image, stripXPixel(image, 250, 20)), kWhite & 0xffffff);
    }

    void stripYAfterReset()
    {
        TestWindow w;
        const QImage &image = w->Picture3->image();
        if (image.devicePixelRatio() != 1)
            QSKIP("the probes are for a 1:1 screen");
        for (const double y : {0.0, 500.0}) {
            QCOMPARE(rgbAt(image, stripYPixel(image, 0, y)), kBlue & 0xffffff);       // apex
            QCOMPARE(rgbAt(image, stripYPixel(image, 20, y + 10)), kBlue & 0xffffff); // base
            QCOMPARE(rgbAt(image, stripYPixel(image, 20, y + 30)), kWhite & 0xffffff);
        }
        QCOMPARE(rgbAt(image, stripYPixel(image, 10, 250)), kWhite & 0xffffff);
        QVERIFY(hasTextBelow(image,
                             stripYPixel(image, 0, 520).y(),
                             stripYPixel(image, 21, 0).x(),
                             image.width() - 1));
    }

    void outOfRangeValuesKeepThePreviousStrip_data()
    {
        QTest::addColumn<bool>("stripX");
        QTest::addColumn<float>("first");
        QTest::addColumn<float>("second");
        QTest::newRow("X1 below 0") << true << -0.5f << 500.f;
        QTest::newRow("X2 above 1000") << true << 0.f << 1000.5f;
        QTest::newRow("Y2 above 1000") << false << 1001.f << 0.f;
        QTest::newRow("Y1 below 0") << false << 500.f << -1.f;
    }

    void outOfRangeValuesKeepThePreviousStrip()
    {
        QFETCH(bool, stripX);
        QFETCH(float, first);
        QFETCH(float, second);
        TestWindow w;
        DrawingSurface *strip = stripX ? w->Picture4 : w->Picture3;
        const QImage before = strip->image().copy();
        if (stripX)
            w->DrawCursorChartX(first, second);
        else
            w->DrawCursorChartY(first, second);
        QCOMPARE(strip->image(), before);
    }

    void pressOnStripX_data()
    {
        QTest::addColumn<double>("x1");
        QTest::addColumn<double>("x2");
        QTest::addColumn<int>("button");
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("expected");
        QTest::newRow("510 takes X2") << 0.0 << 500.0 << 1 << 510.0 << 2;
        QTest::newRow("510.5 takes nothing") << 0.0 << 500.0 << 1 << 510.5 << 0;
        QTest::newRow("490 takes X2") << 0.0 << 500.0 << 1 << 490.0 << 2;
        QTest::newRow("10 takes X1") << 0.0 << 500.0 << 1 << 10.0 << 1;
        QTest::newRow("-10 takes X1") << 0.0 << 500.0 << 1 << -10.0 << 1;
        QTest::newRow("both at 500: X1 wins") << 500.0 << 500.0 << 1 << 505.0 << 1;
        QTest::newRow("right button keeps the drag") << 0.0 << 500.0 << 2 << 500.0 << 9;
        QTest::newRow("middle button keeps the drag") << 0.0 << 500.0 << 4 << 0.0 << 9;
    }

    void pressOnStripX()
    {
        QFETCH(double, x1);
        QFETCH(double, x2);
        QFETCH(int, button);
        QFETCH(double, x);
        QFETCH(int, expected);
        TestWindow w;
        w->cursorX1 = x1;
        w->cursorX2 = x2;
        w->dragX = 9; // a value no press sets, to see that other buttons leave it alone
        w->Picture4_MouseDown(button, 0, x, 100);
        QCOMPARE(w->dragX, qint16(expected));
    }

    void pressOnStripY_data()
    {
        QTest::addColumn<double>("y2");
        QTest::addColumn<int>("y1");
        QTest::addColumn<int>("button");
        QTest::addColumn<double>("y");
        QTest::addColumn<int>("expected");
        QTest::newRow("490 takes Y2") << 500.0 << 0 << 1 << 490.0 << 1;
        QTest::newRow("10 takes Y1") << 500.0 << 0 << 1 << 10.0 << 2;
        QTest::newRow("10.5 takes nothing") << 500.0 << 0 << 1 << 10.5 << 0;
        QTest::newRow("-10 takes Y1") << 500.0 << 0 << 1 << -10.0 << 2;
        QTest::newRow("both at 500: Y2 wins") << 500.0 << 500 << 1 << 495.0 << 1;
        QTest::newRow("right button keeps the drag") << 500.0 << 0 << 2 << 500.0 << 9;
    }

    void pressOnStripY()
    {
        QFETCH(double, y2);
        QFETCH(int, y1);
        QFETCH(int, button);
        QFETCH(double, y);
        QFETCH(int, expected);
        TestWindow w;
        w->cursorY2 = y2;
        w->cursorY1 = qint16(y1);
        w->dragY = 9;
        w->Picture3_MouseDown(button, 0, 60, y);
        QCOMPARE(w->dragY, qint16(expected));
    }

    void dragOnStripX()
    {
        TestWindow w;
        w->Picture4_MouseDown(1, 0, 505, 30);
        QCOMPARE(w->dragX, qint16(2));
        w->Picture4_MouseUp(2, 0, 505, 30); // a right release does not end the drag
        QCOMPARE(w->dragX, qint16(2));
        w->Picture4_MouseMove(0, 0, 700.25, 30); // the buttons held are not looked at
        QCOMPARE(w->cursorX2, 700.25);
        QCOMPARE(w->cursorX1, 0.0);
        QVERIFY(blueInChartColumn(w->Picture1->image(), 700.25) > 20);
        QVERIFY(blueInChartColumn(w->Picture1->image(), 500) < 3); // crossings only
        w->Picture4_MouseMove(1, 0, 1200, 30);
        QCOMPARE(w->cursorX2, 1000.0);
        w->Picture4_MouseMove(1, 0, -40, 30);
        QCOMPARE(w->cursorX2, 0.0);
        w->Picture4_MouseUp(1, 0, -40, 30);
        QCOMPARE(w->dragX, qint16(0));
        w->Picture4_MouseMove(1, 0, 300, 30);
        QCOMPARE(w->cursorX2, 0.0);
        QCOMPARE(w->Text6->text(), QStringLiteral("500")); // dragging does not write the box
    }

    void mouseEventsArriveInStripUnits()
    {
        TestWindow w;
        auto send = [](QWidget *target,
                       QEvent::Type type,
                       QPoint pos,
                       Qt::MouseButton button,
                       Qt::MouseButtons held) {
            QMouseEvent event(type,
                              QPointF(pos),
                              target->mapToGlobal(QPointF(pos)),
                              button,
                              held,
                              Qt::NoModifier);
            QCoreApplication::sendEvent(target, &event);
        };
        // Pixel 264 of the 529-pixel strip X is user x 499..501: X2's marker.
        send(w->Picture4, QEvent::MouseButtonPress, {264, 5}, Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(w->dragX, qint16(2));
        // Pixel 396 is user x 396 / 529 * 1020 - 10.
        send(w->Picture4, QEvent::MouseMove, {396, 5}, Qt::NoButton, Qt::LeftButton);
        QVERIFY(std::abs(w->cursorX2 - (396.0 / 529 * 1020 - 10)) < 1e-9);
        send(w->Picture4, QEvent::MouseButtonRelease, {396, 5}, Qt::RightButton, Qt::LeftButton);
        QCOMPARE(w->dragX, qint16(2));
        send(w->Picture4, QEvent::MouseButtonRelease, {396, 5}, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(w->dragX, qint16(0));
        // Strip Y runs upward: near the bottom is Y1 at 0.
        send(w->Picture3, QEvent::MouseButtonPress, {20, 394}, Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(w->dragY, qint16(2));
        // Over the chart the pointer is reported in chart units.
        send(w->Picture1, QEvent::MouseMove, {133, 300}, Qt::NoButton, Qt::NoButton);
        QCOMPARE(w->Label18->text(), QStringLiteral("X: 245 Y: 245"));
    }

    void dragOnStripY_data()
    {
        QTest::addColumn<bool>("y1Marker");
        QTest::addColumn<double>("pointer");
        QTest::addColumn<double>("expected");
        QTest::newRow("Y1 to 250.5 -> 250") << true << 250.5 << 250.0;
        QTest::newRow("Y1 to 251.5 -> 252") << true << 251.5 << 252.0;
        QTest::newRow("Y1 beyond the top") << true << 1500.0 << 1000.0;
        QTest::newRow("Y1 below the bottom") << true << -3.0 << 0.0;
        QTest::newRow("Y2 to 250.5 unrounded") << false << 250.5 << 250.5;
        QTest::newRow("Y2 beyond the top") << false << 1010.0 << 1000.0;
    }

    void dragOnStripY()
    {
        QFETCH(bool, y1Marker);
        QFETCH(double, pointer);
        QFETCH(double, expected);
        TestWindow w;
        w->Picture3_MouseDown(1, 0, 50, y1Marker ? 5 : 505);
        QCOMPARE(w->dragY, qint16(y1Marker ? 2 : 1));
        w->Picture3_MouseMove(0, 0, 50, pointer);
        if (y1Marker) {
            QCOMPARE(double(w->cursorY1), expected);
            QCOMPARE(w->cursorY2, 500.0);
        } else {
            QCOMPARE(w->cursorY2, expected);
            QCOMPARE(w->cursorY1, qint16(0));
        }
        w->Picture3_MouseUp(2, 0, 50, pointer);
        QCOMPARE(w->dragY, qint16(y1Marker ? 2 : 1));
        w->Picture3_MouseUp(1, 0, 50, pointer);
        QCOMPARE(w->dragY, qint16(0));
    }

    void draggingY1MovesTheTrace()
    {
        TestWindow w;
        w.stopTimers();
        w->traceEnabled = true;
        w->Picture3_MouseDown(1, 0, 50, 0);
        w->Picture3_MouseMove(1, 0, 50, 300);
        const QImage &chart = w->Picture1->image();
        const QRgb green = qRgb(0, 255, 0);
        QCOMPARE(colourInChartRow(chart, 300, green), chartCol(900) - chartCol(100) + 1);
        QCOMPARE(colourInChartRow(chart, 0, green), 0);
    }

    void enterInTheCursorBoxes_data()
    {
        QTest::addColumn<int>("box"); // 5..8
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected"); // -1: "input error"
        QTest::newRow("X1 1000 accepted") << 5 << QStringLiteral("1000") << 1000.0;
        QTest::newRow("X1 1000.5") << 5 << QStringLiteral("1000.5") << -1.0;
        QTest::newRow("X1 -1") << 5 << QStringLiteral("-1") << -1.0;
        QTest::newRow("X1 -0.5") << 5 << QStringLiteral("-0.5") << -1.0;
        QTest::newRow("X1 12.5") << 5 << QStringLiteral("12.5") << 12.5;
        QTest::newRow("X1 empty") << 5 << QString() << 0.0;
        QTest::newRow("X1 no number") << 5 << QStringLiteral("abc") << 0.0;
        QTest::newRow("X1 number then text") << 5 << QStringLiteral(" 250xyz") << 250.0;
        QTest::newRow("X2 1e3") << 6 << QStringLiteral("1e3") << 1000.0;
        QTest::newRow("X2 1001") << 6 << QStringLiteral("1001") << -1.0;
        QTest::newRow("Y1 999.5 rounds to 1000") << 7 << QStringLiteral("999.5") << 1000.0;
        QTest::newRow("Y1 0.4 rounds to 0") << 7 << QStringLiteral("0.4") << 0.0;
        QTest::newRow("Y1 250.5 rounds to 250") << 7 << QStringLiteral("250.5") << 250.0;
        QTest::newRow("Y1 1000.5") << 7 << QStringLiteral("1000.5") << -1.0;
        QTest::newRow("Y1 huge") << 7 << QStringLiteral("1e400") << -1.0;
        QTest::newRow("Y2 250.5 unrounded") << 8 << QStringLiteral("250.5") << 250.5;
        QTest::newRow("Y2 -0.5") << 8 << QStringLiteral("-0.5") << -1.0;
        QTest::newRow("Y2 empty") << 8 << QString() << 0.0;
    }

    void enterInTheCursorBoxes()
    {
        QFETCH(int, box);
        QFETCH(QString, text);
        QFETCH(double, expected);
        TestWindow w;
        w->cursorX1 = 100;
        w->cursorX2 = 600;
        w->cursorY2 = 700;
        w->cursorY1 = 200;
        w->DrawCursorChartX(100, 600);
        w->DrawCursorChartY(700, 200);
        w->DrawTrendChart(100, 600, 700, 200);
        w->Label6->setText(QStringLiteral("receive data"));
        w->traceEnabled = false; // the trace would cover the Y1 line
        QLineEdit *const boxes[] = {w->Text5, w->Text6, w->Text7, w->Text8};
        QLineEdit *edit = boxes[box - 5];
        edit->setText(text);
        auto value = [&] {
            return box == 5   ? w->cursorX1
                   : box == 6 ? w->cursorX2
                   : box == 7 ? double(w->cursorY1)
                              : w->cursorY2;
        };
        const double before = value();
        const QImage chartBefore = w->Picture1->image().copy();
        const QImage stripBefore = (box <= 6 ? w->Picture4 : w->Picture3)->image().copy();
        auto press = [&](int key) {
            switch (box) {
            case 5:
                w->Text5_KeyDown(key, 0);
                break;
            case 6:
                w->Text6_KeyDown(key, 0);
                break;
            case 7:
                w->Text7_KeyDown(key, 0);
                break;
            default:
                w->Text8_KeyDown(key, 0);
                break;
            }
        };
        press(65); // any other key does nothing
        QCOMPARE(value(), before);
        QCOMPARE(w->Label6->text(), QStringLiteral("receive data"));
        press(13);
        QCOMPARE(edit->text(), text);
        if (expected < 0) {
            QCOMPARE(w->Label6->text(), QStringLiteral("input error"));
            QCOMPARE(value(), before);
            QCOMPARE(w->Picture1->image(), chartBefore);
            QCOMPARE((box <= 6 ? w->Picture4 : w->Picture3)->image(), stripBefore);
        } else {
            QCOMPARE(w->Label6->text(), QStringLiteral("receive data"));
            QCOMPARE(value(), expected);
            QVERIFY((box <= 6 ? w->Picture4 : w->Picture3)->image() != stripBefore
                    || expected == before);
            const QImage &chart = w->Picture1->image();
            if (expected > 50 && expected < 950) {
                if (box <= 6)
                    QVERIFY(blueInChartColumn(chart, expected) > 20);
                else
                    QVERIFY(blueInChartRow(chart, expected) > 20);
            }
            // The old line is gone; where the other cursors cross its place a dot may remain.
            if (box <= 6)
                QVERIFY(blueInChartColumn(chart, before) < 3);
            else
                QVERIFY(blueInChartRow(chart, before) < 3);
        }
    }

    void resetLeavesTheBoxesAlone()
    {
        TestWindow w;
        w->Text5->setText(QStringLiteral("12.5"));
        w->Text5_KeyDown(13, 0);
        QCOMPARE(w->cursorX1, 12.5);
        w->Command3_Click(); // Stop resets the cursors but not the texts
        QCOMPARE(w->cursorX1, 0.0);
        QCOMPARE(w->Text5->text(), QStringLiteral("12.5"));
    }
};

QTEST_MAIN(TstCursorStrips)
#include "tst_cursorstrips.moc"
