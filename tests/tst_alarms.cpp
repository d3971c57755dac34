// Resistance and current alarms: limit reading, comparisons, blink and reset ticks, statistics.
#include "app/shapeindicator.h"
#include "core/alarms.h"
#include "core/numbertext.h"
#include "core/statistics.h"
#include "fakes/testwindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QTimer>

namespace {

QByteArray reply(int kind, int v1High, int v1Low, int range1, int v2High, int v2Low, int byte6)
{
    QByteArray bytes;
    for (int b : {kind, v1High, v1Low, range1, v2High, v2Low, byte6})
        bytes.append(char(quint8(b)));
    return bytes;
}

bool marked(const QLineEdit *box)
{
    return box->styleSheet().contains(QLatin1String("255, 0, 0")) && !box->toolTip().isEmpty();
}

QString blinkName(Alarms::Blink blink)
{
    switch (blink) {
    case Alarms::Blink::Start:
        return QStringLiteral("on");
    case Alarms::Blink::Stop:
        return QStringLiteral("off");
    case Alarms::Blink::Keep:
        return QStringLiteral("kept");
    }
    return QString();
}

} // namespace

class TestAlarms : public QObject
{
    Q_OBJECT

private slots:
    void resistanceCheck_data();
    void resistanceCheck();
    void currentCheck_data();
    void currentCheck();
    void windowAppliesCheck_data();
    void windowAppliesCheck();
    void messageByKind_data();
    void messageByKind();
    void rejectedLimitStaysMarked();
    void kind1Range6KeepsTheBlink();
    void blinkTicksToggleRed();
    void resetTickEndsBlink();
    void readingsAboveLimitRestartBlinkAfterReset();
    void statistics_data();
    void statistics();
    void statisticsBoxes_data();
    void statisticsBoxes();
};

void TestAlarms::resistanceCheck_data()
{
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("reading");
    QTest::addColumn<QString>("blink"); // "on", "off"
    QTest::addColumn<float>("limit");   // 50 was stored before; what is compared and kept
    QTest::addColumn<bool>("rejected");
    QTest::newRow("at the limit") << true << "100" << 100.0f << "off" << 100.0f << false;
    QTest::newRow("above the limit") << true << "100" << 100.1f << "on" << 100.0f << false;
    QTest::newRow("below the limit") << true << "100" << 99.9f << "off" << 100.0f << false;
    QTest::newRow("1200 accepted") << true << "1200" << 1250.0f << "on" << 1200.0f << false;
    QTest::newRow("1200.5 rejected, old limit used")
            << true << "1200.5" << 60.0f << "on" << 50.0f << true;
    QTest::newRow("rejected, below old limit")
            << true << "1200.5" << 40.0f << "off" << 50.0f << true;
    QTest::newRow("-1 rejected") << true << "-1" << 40.0f << "off" << 50.0f << true;
    QTest::newRow("12abc is 12") << true << "12abc" << 12.5f << "on" << 12.0f << false;
    QTest::newRow("empty is 0: above") << true << "" << 0.001f << "on" << 0.0f << false;
    QTest::newRow("empty is 0: L0.01 never") << true << "" << 0.0f << "off" << 0.0f << false;
    QTest::newRow("exponent") << true << " 1e3" << 1000.5f << "on" << 1000.0f << false;
    QTest::newRow("huge rejected") << true << "1e400" << 60.0f << "on" << 50.0f << true;
    QTest::newRow("not ticked: no blink, box unread")
            << false << "-1" << 5000.0f << "off" << 50.0f << false;
}

void TestAlarms::resistanceCheck()
{
    QFETCH(bool, ticked);
    QFETCH(QString, text);
    QFETCH(float, reading);
    QFETCH(float, limit);
    QFETCH(bool, rejected);
    const Alarms::CheckDecision d = Alarms::resistanceCheck(ticked, text, 50.0f, reading);
    QTEST(blinkName(d.blink), "blink");
    QCOMPARE(d.limitRead, ticked);
    QCOMPARE(d.limitRejected, rejected);
    QCOMPARE(d.newLimit.has_value(), ticked && !rejected);
    QCOMPARE(d.newLimit.value_or(50.0f), limit);
}

void TestAlarms::currentCheck_data()
{
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("reading");
    QTest::addColumn<int>("range");
    QTest::addColumn<QString>("blink"); // "on", "off", "kept"
    QTest::addColumn<float>("limit");   // 50 stored before
    QTest::addColumn<bool>("rejected");
    QTest::newRow("0.6 A is 600 mA above 500")
            << true << "500" << 0.6f << 2 << "on" << 500.0f << false;
    QTest::newRow("0.6 A at 600") << true << "600" << 0.6f << 2 << "off" << 600.0f << false;
    QTest::newRow("0.6 A above 599.99")
            << true << "599.99" << 0.6f << 2 << "on" << 599.99f << false;
    QTest::newRow("4.05 A at 4050")
            << true << "4050" << 405.0f / 100.0f << 1 << "off" << 4050.0f << false;
    QTest::newRow("4.05 A above 4049.99")
            << true << "4049.99" << 405.0f / 100.0f << 1 << "on" << 4049.99f << false;
    QTest::newRow("12.34 A at 12340")
            << true << "12340" << 1234.0f / 100.0f << 2 << "off" << 12340.0f << false;
    QTest::newRow("range 1 amperes") << true << "40000" << 40.5f << 1 << "on" << 40000.0f << false;
    QTest::newRow("range 1 at 40 A") << true << "40000" << 40.0f << 1 << "off" << 40000.0f << false;
    QTest::newRow("0L is 450 A") << true << "40000" << 450.0f << 1 << "on" << 40000.0f << false;
    QTest::newRow("400 mA below 500") << true << "500" << 400.0f << 4 << "off" << 500.0f << false;
    QTest::newRow("range 3 at the limit")
            << true << "500" << 500.0f << 3 << "off" << 500.0f << false;
    QTest::newRow("range 3 milliamperes not times 1000")
            << true << "500" << 0.6f << 3 << "off" << 500.0f << false;
    QTest::newRow("range 5 above") << true << "12.3" << 12.34f << 5 << "on" << 12.3f << false;
    QTest::newRow("range 6 keeps") << true << "0" << 25.755f << 6 << "kept" << 0.0f << false;
    QTest::newRow("range 0 keeps") << true << "0" << 123.0f << 0 << "kept" << 0.0f << false;
    QTest::newRow("range 255 keeps") << true << "0" << 123.0f << 255 << "kept" << 0.0f << false;
    QTest::newRow("40000.1 rejected, old limit used")
            << true << "40000.1" << 60.0f << 3 << "on" << 50.0f << true;
    QTest::newRow("-1 rejected") << true << "-1" << 40.0f << 3 << "off" << 50.0f << true;
    QTest::newRow("empty is 0") << true << "" << 0.0f << 2 << "off" << 0.0f << false;
    QTest::newRow("not ticked") << false << "0" << 450.0f << 1 << "off" << 50.0f << false;
    QTest::newRow("not ticked, range 6") << false << "0" << 450.0f << 6 << "off" << 50.0f << false;
}

void TestAlarms::currentCheck()
{
    QFETCH(bool, ticked);
    QFETCH(QString, text);
    QFETCH(float, reading);
    QFETCH(int, range);
    QFETCH(float, limit);
    QFETCH(bool, rejected);
    const Alarms::CheckDecision d = Alarms::currentCheck(ticked, text, 50.0f, reading, range);
    QTEST(blinkName(d.blink), "blink");
    QCOMPARE(d.limitRead, ticked);
    QCOMPARE(d.limitRejected, rejected);
    QCOMPARE(d.newLimit.has_value(), ticked && !rejected);
    QCOMPARE(d.newLimit.value_or(50.0f), limit);
}

// What the window does with a decision: the blink timer, the status line, the limit it keeps
// (and compares next time) and the mark on the box. The other alarm's timer is left alone.
void TestAlarms::windowAppliesCheck_data()
{
    QTest::addColumn<bool>("current");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("reading");
    QTest::addColumn<int>("range");
    QTest::addColumn<bool>("blinkBefore");
    QTest::addColumn<bool>("blinking");
    QTest::addColumn<QString>("status"); // "before": not written
    QTest::addColumn<bool>("marked");
    QTest::addColumn<float>("limit"); // 50 read from the box first
    QTest::newRow("resistance above an accepted limit")
            << false << true << "100" << 100.1f << 0 << false << true << "before" << false
            << 100.0f;
    QTest::newRow("resistance rejected: the kept 50 is compared")
            << false << true << "1200.5" << 60.0f << 0 << false << true << "input error" << true
            << 50.0f;
    QTest::newRow("resistance alarm off stops the blink")
            << false << false << "-1" << 5000.0f << 0 << true << false << "before" << false
            << 50.0f;
    QTest::newRow("current in amperes above an accepted limit")
            << true << true << "500" << 0.6f << 2 << false << true << "before" << false << 500.0f;
    QTest::newRow("current rejected: the caller's message")
            << true << true << "-1" << 40.0f << 3 << true << false << "ERROR" << true << 50.0f;
    QTest::newRow("current range 6 keeps a running blink")
            << true << true << "0" << 25.755f << 6 << true << true << "before" << false << 0.0f;
    QTest::newRow("current range 6 keeps it stopped")
            << true << true << "0" << 25.755f << 6 << false << false << "before" << false << 0.0f;
}

void TestAlarms::windowAppliesCheck()
{
    QFETCH(bool, current);
    QFETCH(bool, ticked);
    QFETCH(QString, text);
    QFETCH(float, reading);
    QFETCH(int, range);
    QFETCH(bool, blinkBefore);
    TestWindow w;
    w.stopTimers();
    QCheckBox *check = current ? w->ui().Check2 : w->ui().Check1;
    QLineEdit *box = current ? w->ui().Text9 : w->ui().Text1;
    QTimer *blink = current ? w->ui().Timer9 : w->ui().Timer7;
    QTimer *otherBlink = current ? w->ui().Timer7 : w->ui().Timer9;
    const auto runCheck = [&](float value) {
        if (current)
            w->CheckCurrentAlarm(value, range, QStringLiteral("ERROR"));
        else
            w->CheckResistanceAlarm(value);
    };
    check->setChecked(true);
    box->setText(QStringLiteral("50"));
    runCheck(0.0f);
    QCOMPARE(current ? w->limits().currentLimit : w->limits().resistanceLimit, 50.0f);

    check->setChecked(ticked);
    box->setText(text);
    w->ui().Label6->setText(QStringLiteral("before"));
    if (blinkBefore)
        blink->start();
    runCheck(reading);
    QTEST(blink->isActive(), "blinking");
    QTEST(w->ui().Label6->text(), "status");
    QTEST(marked(box), "marked");
    QTEST(current ? w->limits().currentLimit : w->limits().resistanceLimit, "limit");
    QVERIFY(!otherBlink->isActive());
    w.stopTimers();
}

void TestAlarms::messageByKind_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    QTest::newRow("kind 4") << reply(4, 22, 5, 3, 0, 5, 30) << "ERROR";
    QTest::newRow("kind 3") << reply(3, 0, 7, 3, 0, 5, 30) << "input error";
    QTest::newRow("kind 1") << reply(1, 0, 7, 1, 0, 7, 3) << "input error";
}

void TestAlarms::messageByKind()
{
    QFETCH(QByteArray, bytes);
    TestWindow w;
    w.stopTimers();
    w->ui().Check2->setChecked(true);
    w->ui().Text9->setText(QStringLiteral("-1"));
    w->DecodeRealtimeReply(bytes);
    QTEST(w->ui().Label6->text(), "message");
    QVERIFY(marked(w->ui().Text9));
    w.stopTimers();
}

void TestAlarms::rejectedLimitStaysMarked()
{
    TestWindow w;
    w.stopTimers();
    w.connectOn();
    w->ui().Check1->setChecked(true);
    w->ui().Text1->setText(QStringLiteral("1300"));
    const auto reading = [&] { // asked for and answered
        w->SendCommand(35);
        w.port->deliver(reply(2, 1, 23, 1, 0, 5, 30));
    };
    reading();
    // The status line has moved on; the box still tells.
    QCOMPARE(w->ui().Label6->text(), QStringLiteral("receive data"));
    QVERIFY(marked(w->ui().Text1));
    QVERIFY(w->ui().Text1->toolTip().contains(QLatin1String("0 to 1200")));
    QVERIFY(!marked(w->ui().Text9));
    // Still rejected on the next reading.
    reading();
    QVERIFY(marked(w->ui().Text1));
    // Switching the alarm off does not read the box, so the mark stays.
    w->ui().Check1->setChecked(false);
    reading();
    QVERIFY(marked(w->ui().Text1));
    // A valid limit read from it clears the mark.
    w->ui().Check1->setChecked(true);
    w->ui().Text1->setText(QStringLiteral("1200"));
    reading();
    QVERIFY(w->ui().Text1->styleSheet().isEmpty());
    QVERIFY(w->ui().Text1->toolTip().isEmpty());
    QCOMPARE(w->limits().resistanceLimit, 1200.0f);
    w.stopTimers();
}

void TestAlarms::kind1Range6KeepsTheBlink()
{
    for (bool before : {false, true}) {
        TestWindow w;
        w.stopTimers();
        w->ui().Check2->setChecked(true);
        w->ui().Text9->setText(QStringLiteral("0"));
        if (before)
            w->ui().Timer9->start();
        w->DecodeRealtimeReply(reply(1, 0, 10, 1, 255, 255, 6));
        QCOMPARE(w->ui().Label25->text(), QStringLiteral(" 25.755mA"));
        QCOMPARE(w->ui().Timer9->isActive(), before);
        w.stopTimers();
    }
}

void TestAlarms::blinkTicksToggleRed()
{
    TestWindow w;
    w.stopTimers();
    const QColor red(255, 0, 0);
    for (ShapeIndicator *shape : {w->ui().Shape2, w->ui().Shape4}) {
        QCOMPARE(shape->fillState(), 1);
        QCOMPARE(shape->fillColor(), QColor(Qt::white));
    }
    w->Timer7_Timer();
    QCOMPARE(w->ui().Shape2->fillColor(), red);
    QCOMPARE(w->ui().Shape2->fillState(), 0);
    QCOMPARE(w->ui().Shape4->fillColor(), QColor(Qt::white)); // the other indicator is untouched
    w->Timer7_Timer();
    QCOMPARE(w->ui().Shape2->fillState(), 1);
    QVERIFY(w->ui().Shape2->isLit());
    w->Timer9_Timer();
    QCOMPARE(w->ui().Shape4->fillColor(), red);
    QCOMPARE(w->ui().Shape4->fillState(), 0);
    w->Timer9_Timer();
    QCOMPARE(w->ui().Shape4->fillState(), 1);
    QCOMPARE(w->ui().Shape2->fillState(), 1);
}

void TestAlarms::resetTickEndsBlink()
{
    TestWindow w;
    w.stopTimers();
    w->ui().Timer7->start();
    w->ui().Timer9->start();
    w->Timer7_Timer();
    w->Timer7_Timer(); // lit red
    QVERIFY(w->ui().Shape2->isLit());
    w->Timer6_Timer();
    QVERIFY(!w->ui().Timer7->isActive());
    QCOMPARE(w->ui().Shape2->fillState(), 0);
    QCOMPARE(w->ui().Shape2->fillColor(), QColor(255, 0, 0)); // stays red, just unlit
    QVERIFY(w->ui().Timer9->isActive()); // the current blink is not Timer6's business
    w->Timer8_Timer();
    QVERIFY(!w->ui().Timer9->isActive());
    QCOMPARE(w->ui().Shape4->fillState(), 0);
    QVERIFY(!w->ui().Shape4->isLit());
}

void TestAlarms::readingsAboveLimitRestartBlinkAfterReset()
{
    TestWindow w;
    w.stopTimers();
    w->ui().Check1->setChecked(true);
    w->ui().Text1->setText(QStringLiteral("10"));
    const QByteArray above = reply(2, 1, 23, 1, 0, 5, 30); // 12.3 ohms
    w->DecodeRealtimeReply(above);
    QVERIFY(w->ui().Timer7->isActive());
    w->Timer6_Timer();
    QVERIFY(!w->ui().Timer7->isActive());
    w->DecodeRealtimeReply(above);
    QVERIFY(w->ui().Timer7->isActive());
    w->DecodeRealtimeReply(reply(2, 0, 99, 1, 0, 5, 30)); // 9.9 ohms
    QVERIFY(!w->ui().Timer7->isActive());
    w.stopTimers();
}

void TestAlarms::statistics_data()
{
    // Entries from 0 on; the rest of the window holds 0, the ring past it a value that would
    // show in every result if it were looked at.
    QTest::addColumn<QList<float>>("entries");
    QTest::addColumn<int>("segments");
    QTest::addColumn<float>("bound");
    QTest::addColumn<QStringList>("texts"); // largest, smallest, mean as shown; empty: none
    const float r = Statistics::kResistanceBound;
    const float c = Statistics::kCurrentBound;
    const QList<float> wholeRing = QList<float>(500, 5.0f) << 506.0f;
    QTest::newRow("3 of 17") << QList<float>{10, 20, 30} << 16 << r
                             << QStringList{"30", "0", "3.529412"};
    QTest::newRow("all 17 filled")
            << QList<float>(17, 12.3f) << 16 << r << QStringList{"12.3", "12.3", "12.3"};
    QTest::newRow("entry 0 is 0") << QList<float>{0, 20, 30} << 16 << r << QStringList();
    QTest::newRow("entry 0 negative") << QList<float>{-1, 20} << 16 << r << QStringList();
    QTest::newRow("entry 0 at the resistance bound")
            << QList<float>{1200, 20} << 16 << r << QStringList();
    QTest::newRow("entry 0 below the bound, a later one above")
            << QList<float>{1199.5f, 1250} << 16 << r << QStringList{"1250", "0", "144.0882"};
    QTest::newRow("current just below its bound")
            << QList<float>{39999, 1} << 16 << c << QStringList{"39999", "0", "2352.941"};
    QTest::newRow("current at its bound") << QList<float>{40000, 1} << 16 << c << QStringList();
    QTest::newRow("small currents")
            << QList<float>(17, 0.005f) << 16 << c << QStringList{"0.005", "0.005", "0.005"};
    QTest::newRow("whole ring, last entry included")
            << wholeRing << 500 << r << QStringList{"506", "5", "6"};
    QTest::newRow("more segments than the ring holds")
            << wholeRing << 100000 << r << QStringList{"506", "5", "6"};
    QTest::newRow("negative segments: entry 0 alone")
            << QList<float>{2} << -5 << r << QStringList{"2", "2", "2"};
}

void TestAlarms::statistics()
{
    QFETCH(QList<float>, entries);
    QFETCH(int, segments);
    QFETCH(float, bound);
    QFETCH(QStringList, texts);
    Trend::Ring ring{};
    for (int i = 0; i < Trend::kRingSize; ++i)
        ring[std::size_t(i)] = i < entries.size() ? entries.at(i) : i <= segments ? 0.0f : 99999.0f;
    const std::optional<Statistics::Summary> s = Statistics::compute(ring, segments, bound);
    QCOMPARE(s.has_value(), !texts.isEmpty());
    if (s) {
        QCOMPARE(NumberText::plain(s->maximum), texts.at(0));
        QCOMPARE(NumberText::plain(s->minimum), texts.at(1));
        QCOMPARE(NumberText::plain(s->mean), texts.at(2));
    }
}

// The reset ticks fill their own boxes from their own value, over the window the time slider
// sets; when nothing is computed the boxes keep what they show.
void TestAlarms::statisticsBoxes_data()
{
    QTest::addColumn<bool>("current");       // Timer8 and value 2, else Timer6 and value 1
    QTest::addColumn<QByteArray>("reading"); // empty: none
    QTest::addColumn<QStringList>("ring");   // the tick's pass: largest, smallest, mean; empty: none
    QTest::addColumn<QStringList>("boxes");  // what the boxes show: the readings themselves
    const QByteArray ohmsAndMilliamperes = reply(1, 0, 10, 4, 0, 30, 3); // 10 ohms, 30 mA
    const QStringList none;
    const QStringList empty = {"", "", ""};
    QTest::newRow("resistance of one reading in 17 entries")
            << false << ohmsAndMilliamperes << QStringList{"10", "0", "0.5882353"}
            << QStringList{"10", "10", "10"};
    QTest::newRow("current of one reading in 17 entries")
            << true << ohmsAndMilliamperes << QStringList{"30", "0", "1.764706"}
            << QStringList{"30", "30", "30"};
    QTest::newRow("resistance before any reading") << false << QByteArray() << none << empty;
    QTest::newRow("current before any reading") << true << QByteArray() << none << empty;
    QTest::newRow("over-range resistance") << false << reply(2, 15, 0, 4, 0, 5, 30) << none << empty;
}

void TestAlarms::statisticsBoxes()
{
    QFETCH(bool, current);
    QFETCH(QByteArray, reading);
    QFETCH(QStringList, ring);
    QFETCH(QStringList, boxes);
    TestWindow w;
    w.stopTimers();
    w->ui().Slider2->setValue(0); // entries 0 to 16
    if (!reading.isEmpty())
        w->DecodeRealtimeReply(reading);
    const QLineEdit *mine[] = {current ? w->ui().Text13 : w->ui().Text2,
                               current ? w->ui().Text14 : w->ui().Text3,
                               current ? w->ui().Text15 : w->ui().Text4};
    if (current)
        w->Timer8_Timer();
    else
        w->Timer6_Timer();
    const std::optional<Statistics::Summary> &pass
            = w->ringStatistics(current ? ReadingStats::Current : ReadingStats::Resistance);
    QCOMPARE(pass.has_value(), !ring.isEmpty());
    if (pass) {
        QCOMPARE(NumberText::plain(pass->maximum), ring.at(0));
        QCOMPARE(NumberText::plain(pass->minimum), ring.at(1));
        QCOMPARE(NumberText::plain(pass->mean), ring.at(2));
    }
    for (int i = 0; i < 3; ++i)
        QCOMPARE(mine[i]->text(), boxes.at(i));
}

QTEST_MAIN(TestAlarms)
#include "tst_alarms.moc"
