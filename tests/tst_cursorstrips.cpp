// The two cursor strips and the cursor state behind them: the strips' markers, which cursor a
// press takes, how a drag is limited and rounded, what Enter in a cursor box accepts, and that
// the window redraws the strips and the chart after every change.
#include "app/drawingsurface.h"
#include "core/cursorstate.h"
#include "draw/cursorstrips.h"
#include "fakes/testwindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>

#include <cmath>

Q_DECLARE_METATYPE(CursorState::Entry)

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
int colourInChartRow(const QImage &image, double y, QRgb colour)
{
    int count = 0;
    for (int c = chartCol(100); c <= chartCol(900); ++c)
        count += (image.pixel(c, chartRow(y)) & 0xffffff) == (colour & 0xffffff);
    return count;
}
int blueInChartRow(const QImage &image, double y)
{
    return colourInChartRow(image, y, kBlue);
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

double valueOf(const CursorState &c, CursorState::Entry which)
{
    switch (which) {
    case CursorState::Entry::X1:
        return c.cursorX1;
    case CursorState::Entry::X2:
        return c.cursorX2;
    case CursorState::Entry::Y1:
        return c.cursorY1;
    case CursorState::Entry::Y2:
        return c.cursorY2;
    }
    return -1;
}

} // namespace

class TstCursorStrips : public QObject
{
    Q_OBJECT

private slots:
    // ---- The strips as drawn ----

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
        const QImage &image = w->ui().Picture4->image();
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
        const QImage &image = w->ui().Picture3->image();
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
        QImage image(stripX ? QSize(529, 53) : QSize(53, 399), QImage::Format_RGB32);
        image.fill(Qt::white);
        const ChartMapping mapping(stripX ? CursorStrip::kScaleX : CursorStrip::kScaleY,
                                   QSizeF(image.size()));
        const CursorStrip::TextStyle style;
        auto draw = [&](float a, float b) {
            QPainter painter(&image);
            return stripX ? CursorStrip::drawX(painter, mapping, a, b, style)
                          : CursorStrip::drawY(painter, mapping, a, b, style);
        };
        QVERIFY(draw(250, 750));
        const QImage before = image.copy();
        QVERIFY(!draw(first, second));
        QCOMPARE(image, before);
    }

    // ---- The cursor state: press, drag, release, Enter ----

    void pressTakesTheNearestCursor_data()
    {
        // first/second: X1/X2 on strip X, Y2/Y1 on strip Y, the order in which they are tried.
        QTest::addColumn<bool>("stripX");
        QTest::addColumn<double>("first");
        QTest::addColumn<double>("second");
        QTest::addColumn<int>("button");
        QTest::addColumn<double>("at");
        QTest::addColumn<int>("expected"); // 9: the drag was left as it was
        QTest::newRow("X: 510 takes X2") << true << 0.0 << 500.0 << 1 << 510.0 << 2;
        QTest::newRow("X: 510.5 takes nothing") << true << 0.0 << 500.0 << 1 << 510.5 << 0;
        QTest::newRow("X: 490 takes X2") << true << 0.0 << 500.0 << 1 << 490.0 << 2;
        QTest::newRow("X: 10 takes X1") << true << 0.0 << 500.0 << 1 << 10.0 << 1;
        QTest::newRow("X: -10 takes X1") << true << 0.0 << 500.0 << 1 << -10.0 << 1;
        QTest::newRow("X: both at 500, X1 wins") << true << 500.0 << 500.0 << 1 << 505.0 << 1;
        QTest::newRow("X: right button") << true << 0.0 << 500.0 << 2 << 500.0 << 9;
        QTest::newRow("X: middle button") << true << 0.0 << 500.0 << 4 << 0.0 << 9;
        QTest::newRow("Y: 490 takes Y2") << false << 500.0 << 0.0 << 1 << 490.0 << 1;
        QTest::newRow("Y: 10 takes Y1") << false << 500.0 << 0.0 << 1 << 10.0 << 2;
        QTest::newRow("Y: 10.5 takes nothing") << false << 500.0 << 0.0 << 1 << 10.5 << 0;
        QTest::newRow("Y: -10 takes Y1") << false << 500.0 << 0.0 << 1 << -10.0 << 2;
        QTest::newRow("Y: both at 500, Y2 wins") << false << 500.0 << 500.0 << 1 << 495.0 << 1;
        QTest::newRow("Y: right button") << false << 500.0 << 0.0 << 2 << 500.0 << 9;
    }

    void pressTakesTheNearestCursor()
    {
        QFETCH(bool, stripX);
        QFETCH(double, first);
        QFETCH(double, second);
        QFETCH(int, button);
        QFETCH(double, at);
        QFETCH(int, expected);
        CursorState c;
        c.dragX = c.dragY = 9; // a value no press sets, to see that other buttons leave it alone
        if (stripX) {
            c.cursorX1 = first;
            c.cursorX2 = second;
            c.pressX(button, at);
            QCOMPARE(c.dragX, qint16(expected));
            QCOMPARE(c.dragY, qint16(9));
        } else {
            c.cursorY2 = first;
            c.cursorY1 = qint16(second);
            c.pressY(button, at);
            QCOMPARE(c.dragY, qint16(expected));
            QCOMPARE(c.dragX, qint16(9));
        }
    }

    void dragIsLimitedAndRounded_data()
    {
        QTest::addColumn<CursorState::Entry>("cursor");
        QTest::addColumn<double>("grip"); // where the press lands, near the cursor
        QTest::addColumn<double>("pointer");
        QTest::addColumn<double>("expected");
        using E = CursorState::Entry;
        QTest::newRow("X2 to 700.25") << E::X2 << 505.0 << 700.25 << 700.25;
        QTest::newRow("X2 beyond the right") << E::X2 << 495.0 << 1200.0 << 1000.0;
        QTest::newRow("X2 beyond the left") << E::X2 << 500.0 << -40.0 << 0.0;
        QTest::newRow("X1 unrounded") << E::X1 << 5.0 << 12.5 << 12.5;
        QTest::newRow("Y1 to 250.5 -> 250") << E::Y1 << 5.0 << 250.5 << 250.0;
        QTest::newRow("Y1 to 251.5 -> 252") << E::Y1 << 5.0 << 251.5 << 252.0;
        QTest::newRow("Y1 beyond the top") << E::Y1 << 5.0 << 1500.0 << 1000.0;
        QTest::newRow("Y1 below the bottom") << E::Y1 << -5.0 << -3.0 << 0.0;
        QTest::newRow("Y2 to 250.5 unrounded") << E::Y2 << 505.0 << 250.5 << 250.5;
        QTest::newRow("Y2 beyond the top") << E::Y2 << 500.0 << 1010.0 << 1000.0;
    }

    void dragIsLimitedAndRounded()
    {
        QFETCH(CursorState::Entry, cursor);
        QFETCH(double, grip);
        QFETCH(double, pointer);
        QFETCH(double, expected);
        const bool stripX = cursor == CursorState::Entry::X1 || cursor == CursorState::Entry::X2;
        CursorState c;
        const CursorState start = c;
        auto press = [&](int button) { stripX ? c.pressX(button, grip) : c.pressY(button, grip); };
        auto move = [&] { return stripX ? c.moveX(pointer) : c.moveY(pointer); };
        auto release = [&](int button) { stripX ? c.releaseX(button) : c.releaseY(button); };

        QVERIFY(!move()); // nothing held: nothing moves, nothing to redraw
        QCOMPARE(valueOf(c, cursor), valueOf(start, cursor));
        press(1);
        QVERIFY(move());
        QCOMPARE(valueOf(c, cursor), expected);
        for (const CursorState::Entry other : {CursorState::Entry::X1,
                                               CursorState::Entry::X2,
                                               CursorState::Entry::Y1,
                                               CursorState::Entry::Y2}) {
            if (other != cursor)
                QCOMPARE(valueOf(c, other), valueOf(start, other));
        }
        release(2); // a right release does not end the drag
        QVERIFY(move());
        release(1);
        QCOMPARE(stripX ? c.dragX : c.dragY, qint16(0));
        const double held = valueOf(c, cursor);
        pointer = 300;
        QVERIFY(!move());
        QCOMPARE(valueOf(c, cursor), held);
    }

    void enterInACursorBox_data()
    {
        QTest::addColumn<CursorState::Entry>("cursor");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected"); // -1: refused
        using E = CursorState::Entry;
        QTest::newRow("X1 1000 accepted") << E::X1 << QStringLiteral("1000") << 1000.0;
        QTest::newRow("X1 1000.5") << E::X1 << QStringLiteral("1000.5") << -1.0;
        QTest::newRow("X1 -1") << E::X1 << QStringLiteral("-1") << -1.0;
        QTest::newRow("X1 -0.5") << E::X1 << QStringLiteral("-0.5") << -1.0;
        QTest::newRow("X1 12.5") << E::X1 << QStringLiteral("12.5") << 12.5;
        QTest::newRow("X1 empty") << E::X1 << QString() << 0.0;
        QTest::newRow("X1 no number") << E::X1 << QStringLiteral("abc") << 0.0;
        QTest::newRow("X1 number then text") << E::X1 << QStringLiteral(" 250xyz") << 250.0;
        QTest::newRow("X2 1e3") << E::X2 << QStringLiteral("1e3") << 1000.0;
        QTest::newRow("X2 1001") << E::X2 << QStringLiteral("1001") << -1.0;
        QTest::newRow("Y1 999.5 rounds to 1000") << E::Y1 << QStringLiteral("999.5") << 1000.0;
        QTest::newRow("Y1 0.4 rounds to 0") << E::Y1 << QStringLiteral("0.4") << 0.0;
        QTest::newRow("Y1 250.5 rounds to 250") << E::Y1 << QStringLiteral("250.5") << 250.0;
        QTest::newRow("Y1 1000.5") << E::Y1 << QStringLiteral("1000.5") << -1.0;
        QTest::newRow("Y1 huge") << E::Y1 << QStringLiteral("1e400") << -1.0;
        QTest::newRow("Y2 250.5 unrounded") << E::Y2 << QStringLiteral("250.5") << 250.5;
        QTest::newRow("Y2 -0.5") << E::Y2 << QStringLiteral("-0.5") << -1.0;
        QTest::newRow("Y2 empty") << E::Y2 << QString() << 0.0;
    }

    void enterInACursorBox()
    {
        QFETCH(CursorState::Entry, cursor);
        QFETCH(QString, text);
        QFETCH(double, expected);
        CursorState c;
        c.cursorX1 = 100;
        c.cursorX2 = 600;
        c.cursorY2 = 700;
        c.cursorY1 = 200;
        const CursorState start = c;
        QCOMPARE(c.enter(cursor, text), expected >= 0);
        for (const CursorState::Entry each : {CursorState::Entry::X1,
                                              CursorState::Entry::X2,
                                              CursorState::Entry::Y1,
                                              CursorState::Entry::Y2}) {
            const double wanted = each == cursor && expected >= 0 ? expected : valueOf(start, each);
            QCOMPARE(valueOf(c, each), wanted);
        }
    }

    // ---- The window: mouse and keys reach the cursors, every change is redrawn ----

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
        send(w->ui().Picture4, QEvent::MouseButtonPress, {264, 5}, Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(w->cursors().dragX, qint16(2));
        // Pixel 396 is user x 396 / 529 * 1020 - 10.
        send(w->ui().Picture4, QEvent::MouseMove, {396, 5}, Qt::NoButton, Qt::LeftButton);
        QVERIFY(std::abs(w->cursors().cursorX2 - (396.0 / 529 * 1020 - 10)) < 1e-9);
        send(w->ui().Picture4,
             QEvent::MouseButtonRelease,
             {396, 5},
             Qt::RightButton,
             Qt::LeftButton);
        QCOMPARE(w->cursors().dragX, qint16(2));
        send(w->ui().Picture4, QEvent::MouseButtonRelease, {396, 5}, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(w->cursors().dragX, qint16(0));
        // Strip Y runs upward: near the bottom is Y1 at 0.
        send(w->ui().Picture3, QEvent::MouseButtonPress, {20, 394}, Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(w->cursors().dragY, qint16(2));
        // Over the chart the pointer is reported in chart units.
        send(w->ui().Picture1, QEvent::MouseMove, {133, 300}, Qt::NoButton, Qt::NoButton);
        QCOMPARE(w->ui().Label18->text(), QStringLiteral("X: 245 Y: 245"));
    }

    void dragRedrawsTheStripAndTheChart()
    {
        TestWindow w;
        const QImage stripBefore = w->ui().Picture4->image().copy();
        w->Picture4_MouseDown(1, 0, 505, 30);
        w->Picture4_MouseMove(0, 0, 700.25, 30); // the buttons held are not looked at
        QCOMPARE(w->cursors().cursorX2, 700.25);
        QVERIFY(w->ui().Picture4->image() != stripBefore);
        QVERIFY(blueInChartColumn(w->ui().Picture1->image(), 700.25) > 20);
        QVERIFY(blueInChartColumn(w->ui().Picture1->image(), 500) < 3); // crossings only
        QCOMPARE(w->ui().Text6->text(), QStringLiteral("500")); // dragging does not write the box
    }

    void draggingY1MovesTheTrace()
    {
        TestWindow w;
        w.stopTimers();
        QVERIFY(w->traceEnabled()); // start-up ends with "→"
        w->Picture3_MouseDown(1, 0, 50, 0);
        w->Picture3_MouseMove(1, 0, 50, 300);
        const QImage &chart = w->ui().Picture1->image();
        const QRgb green = qRgb(0, 255, 0);
        QCOMPARE(colourInChartRow(chart, 300, green), chartCol(900) - chartCol(100) + 1);
        QCOMPARE(colourInChartRow(chart, 0, green), 0);
    }

    void enterRedrawsOrSaysInputError_data()
    {
        QTest::addColumn<int>("box"); // 5..8: X1, X2, Y1, Y2
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected"); // -1: "input error"
        QTest::newRow("X1 250 by Return") << 5 << int(Qt::Key_Return) << "250" << 250.0;
        QTest::newRow("X2 1001 refused") << 6 << int(Qt::Key_Return) << "1001" << -1.0;
        QTest::newRow("Y1 250.5 by keypad Enter") << 7 << int(Qt::Key_Enter) << "250.5" << 250.0;
        QTest::newRow("Y2 -0.5 refused") << 8 << int(Qt::Key_Enter) << "-0.5" << -1.0;
        QTest::newRow("Y2 300 by Return") << 8 << int(Qt::Key_Return) << "300" << 300.0;
    }

    void enterRedrawsOrSaysInputError()
    {
        QFETCH(int, box);
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(double, expected);
        TestWindow w;
        w.stopTimers();
        w->Command3_Click(); // stopped: the trace would cover the Y1 line
        QLineEdit *const boxes[] = {w->ui().Text5, w->ui().Text6, w->ui().Text7, w->ui().Text8};
        const char *const start[] = {"100", "600", "200", "700"};
        for (int i = 0; i < 4; ++i) {
            boxes[i]->setText(QLatin1String(start[i]));
            QTest::keyClick(boxes[i], Qt::Key_Return);
        }
        const CursorState::Entry entries[] = {CursorState::Entry::X1,
                                              CursorState::Entry::X2,
                                              CursorState::Entry::Y1,
                                              CursorState::Entry::Y2};
        const CursorState::Entry which = entries[box - 5];
        QCOMPARE(valueOf(w->cursors(), which), QString::fromLatin1(start[box - 5]).toDouble());
        w->ui().Label6->setText(QStringLiteral("receive data"));
        QLineEdit *edit = boxes[box - 5];
        edit->setText(text);
        const double before = valueOf(w->cursors(), which);
        DrawingSurface *strip = box <= 6 ? w->ui().Picture4 : w->ui().Picture3;
        const QImage chartBefore = w->ui().Picture1->image().copy();
        const QImage stripBefore = strip->image().copy();

        QTest::keyClick(edit, Qt::Key_Left); // any other key does nothing
        QCOMPARE(valueOf(w->cursors(), which), before);
        QCOMPARE(w->ui().Label6->text(), QStringLiteral("receive data"));

        QTest::keyClick(edit, Qt::Key(key));
        QCOMPARE(edit->text(), text);
        const QImage &chart = w->ui().Picture1->image();
        if (expected < 0) {
            QCOMPARE(w->ui().Label6->text(), QStringLiteral("input error"));
            QCOMPARE(valueOf(w->cursors(), which), before);
            QCOMPARE(chart, chartBefore);
            QCOMPARE(strip->image(), stripBefore);
            return;
        }
        QCOMPARE(w->ui().Label6->text(), QStringLiteral("receive data"));
        QCOMPARE(valueOf(w->cursors(), which), expected);
        QVERIFY(strip->image() != stripBefore);
        // The new line is drawn; of the old one only dots where other cursors cross remain.
        if (box <= 6) {
            QVERIFY(blueInChartColumn(chart, expected) > 20);
            QVERIFY(blueInChartColumn(chart, before) < 3);
        } else {
            QVERIFY(blueInChartRow(chart, expected) > 20);
            QVERIFY(blueInChartRow(chart, before) < 3);
        }
    }

    void resetLeavesTheBoxesAlone()
    {
        TestWindow w;
        w->ui().Text5->setText(QStringLiteral("12.5"));
        w->Text5_KeyDown(13, 0);
        QCOMPARE(w->cursors().cursorX1, 12.5);
        w->Command3_Click(); // Stop resets the cursors but not the texts
        QCOMPARE(w->cursors().cursorX1, 0.0);
        QCOMPARE(w->ui().Text5->text(), QStringLiteral("12.5"));
    }
};

QTEST_MAIN(TstCursorStrips)
#include "tst_cursorstrips.moc"
