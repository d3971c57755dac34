// Resistance and current alarms: limit reading, comparisons, blink and reset ticks, statistics.
#include "fakes/testwindow.h"
#include "app/shapeindicator.h"
#include "core/alarms.h"

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

} // namespace

class TestAlarms : public QObject
{
    Q_OBJECT

private slots:
    void resistanceCheck_data();
    void resistanceCheck();
    void currentCheck_data();
    void currentCheck();
    void messageByKind_data();
    void messageByKind();
    void rejectedLimitStaysMarked();
    void kind1Range6KeepsTheBlink();
    void blinkTicksToggleRed();
    void resetTickEndsBlink();
    void readingsAboveLimitRestartBlinkAfterReset();
    void statisticsBoxes_data();
    void statisticsBoxes();
    void statisticsOfWholeRing();
    void statisticsClampsSegments();
};

void TestAlarms::resistanceCheck_data()
{
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("reading");
    QTest::addColumn<bool>("blink");
    QTest::addColumn<float>("limit"); // stored afterwards; 50 was stored before
    QTest::addColumn<bool>("rejected");
    QTest::newRow("at the limit") << true << "100" << 100.0f << false << 100.0f << false;
    QTest::newRow("above the limit") << true << "100" << 100.1f << true << 100.0f << false;
    QTest::newRow("below the limit") << true << "100" << 99.9f << false << 100.0f << false;
    QTest::newRow("1200 accepted") << true << "1200" << 1250.0f << true << 1200.0f << false;
    QTest::newRow("1200.5 rejected, old limit used")
            << true << "1200.5" << 60.0f << true << 50.0f << true;
    QTest::newRow("rejected, below old limit")
            << true << "1200.5" << 40.0f << false << 50.0f << true;
    QTest::newRow("-1 rejected") << true << "-1" << 40.0f << false << 50.0f << true;
    QTest::newRow("12abc is 12") << true << "12abc" << 12.5f << true << 12.0f << false;
    QTest::newRow("empty is 0: above") << true << "" << 0.001f << true << 0.0f << false;
    QTest::newRow("empty is 0: L0.01 never") << true << "" << 0.0f << false << 0.0f << false;
    QTest::newRow("exponent") << true << " 1e3" << 1000.5f << true << 1000.0f << false;
    QTest::newRow("huge rejected") << true << "1e400" << 60.0f << true << 50.0f << true;
    QTest::newRow("not ticked: no blink, box unread")
            << false << "-1" << 5000.0f << false << 50.0f << false;
}

void TestAlarms::resistanceCheck()
{
    QFETCH(bool, ticked);
    QFETCH(QString, text);
    QFETCH(float, reading);
    QFETCH(bool, rejected);
    for (bool blinkBefore : {false, true}) {
        TestWindow w;
        w.stopTimers();
        w->resistanceLimit = 50.0f;
        w->Check1->setChecked(ticked);
        w->Text1->setText(text);
        w->Label6->setText(QStringLiteral("before"));
        if (blinkBefore)
            w->Timer7->start();
        w->CheckResistanceAlarm(reading);
        QTEST(w->Timer7->isActive(), "blink");
        QTEST(w->resistanceLimit, "limit");
        QCOMPARE(w->Label6->text(),
                 rejected ? QStringLiteral("input error") : QStringLiteral("before"));
        QCOMPARE(marked(w->Text1), rejected);
        QVERIFY(!w->Timer9->isActive());
        w.stopTimers();
    }
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
    QFETCH(QString, blink);
    QFETCH(bool, rejected);
    for (bool blinkBefore : {false, true}) {
        TestWindow w;
        w.stopTimers();
        w->currentLimit = 50.0f;
        w->Check2->setChecked(ticked);
        w->Text9->setText(text);
        w->Label6->setText(QStringLiteral("before"));
        if (blinkBefore)
            w->Timer9->start();
        w->CheckCurrentAlarm(reading, range, QStringLiteral("input error"));
        const bool expected
                = blink == QLatin1String("kept") ? blinkBefore : blink == QLatin1String("on");
        QCOMPARE(w->Timer9->isActive(), expected);
        QTEST(w->currentLimit, "limit");
        QCOMPARE(w->Label6->text(),
                 rejected ? QStringLiteral("input error") : QStringLiteral("before"));
        QCOMPARE(marked(w->Text9), rejected);
        QVERIFY(!w->Timer7->isActive());
        w.stopTimers();
    }
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
    w->Check2->setChecked(true);
    w->Text9->setText(QStringLiteral("-1"));
    w->replyBuffer = bytes;
    w->DecodeRealtimeReply();
    QTEST(w->Label6->text(), "message");
    QVERIFY(marked(w->Text9));
    w.stopTimers();
}

void TestAlarms::rejectedLimitStaysMarked()
{
    TestWindow w;
    w.stopTimers();
    w.connectOn();
    w->Check1->setChecked(true);
    w->Text1->setText(QStringLiteral("1300"));
    w->SendCommand(35);
    w.port->deliver(reply(2, 1, 23, 1, 0, 5, 30));
    // The status line has moved on; the box still tells.
    QCOMPARE(w->Label6->text(), QStringLiteral("receive data"));
    QVERIFY(marked(w->Text1));
    QVERIFY(w->Text1->toolTip().contains(QLatin1String("0 to 1200")));
    QVERIFY(!marked(w->Text9));
    // Still rejected on the next reading.
    w.port->deliver(reply(2, 1, 23, 1, 0, 5, 30));
    QVERIFY(marked(w->Text1));
    // Switching the alarm off does not read the box, so the mark stays.
    w->Check1->setChecked(false);
    w.port->deliver(reply(2, 1, 23, 1, 0, 5, 30));
    QVERIFY(marked(w->Text1));
    // A valid limit read from it clears the mark.
    w->Check1->setChecked(true);
    w->Text1->setText(QStringLiteral("1200"));
    w.port->deliver(reply(2, 1, 23, 1, 0, 5, 30));
    QVERIFY(w->Text1->styleSheet().isEmpty());
    QVERIFY(w->Text1->toolTip().isEmpty());
    QCOMPARE(w->resistanceLimit, 1200.0f);
    w.stopTimers();
}

void TestAlarms::kind1Range6KeepsTheBlink()
{
    for (bool before : {false, true}) {
        TestWindow w;
        w.stopTimers();
        w->Check2->setChecked(true);
        w->Text9->setText(QStringLiteral("0"));
        if (before)
            w->Timer9->start();
        w->replyBuffer = reply(1, 0, 10, 1, 255, 255, 6);
        w->DecodeRealtimeReply();
        QCOMPARE(w->Label25->text(), QStringLiteral(" 25.755mA"));
        QCOMPARE(w->Timer9->isActive(), before);
        w.stopTimers();
    }
}

void TestAlarms::blinkTicksToggleRed()
{
    TestWindow w;
    w.stopTimers();
    const QColor red(255, 0, 0);
    for (ShapeIndicator *shape : {w->Shape2, w->Shape4}) {
        QCOMPARE(shape->fillState(), 1);
        QCOMPARE(shape->fillColor(), QColor(Qt::white));
    }
    w->Timer7_Timer();
    QCOMPARE(w->Shape2->fillColor(), red);
    QCOMPARE(w->Shape2->fillState(), 0);
    QCOMPARE(w->Shape4->fillColor(), QColor(Qt::white)); // the other indicator is untouched
    w->Timer7_Timer();
    QCOMPARE(w->Shape2->fillState(), 1);
    QVERIFY(w->Shape2->isLit());
    w->Timer9_Timer();
    QCOMPARE(w->Shape4->fillColor(), red);
    QCOMPARE(w->Shape4->fillState(), 0);
    w->Timer9_Timer();
    QCOMPARE(w->Shape4->fillState(), 1);
    QCOMPARE(w->Shape2->fillState(), 1);
}

void TestAlarms::resetTickEndsBlink()
{
    TestWindow w;
    w.stopTimers();
    w->Timer7->start();
    w->Timer9->start();
    w->Timer7_Timer();
    w->Timer7_Timer(); // lit red
    QVERIFY(w->Shape2->isLit());
    w->Timer6_Timer();
    QVERIFY(!w->Timer7->isActive());
    QCOMPARE(w->Shape2->fillState(), 0);
    QCOMPARE(w->Shape2->fillColor(), QColor(255, 0, 0)); // stays red, just unlit
    QVERIFY(w->Timer9->isActive()); // the current blink is not Timer6's business
    w->Timer8_Timer();
    QVERIFY(!w->Timer9->isActive());
    QCOMPARE(w->Shape4->fillState(), 0);
    QVERIFY(!w->Shape4->isLit());
}

void TestAlarms::readingsAboveLimitRestartBlinkAfterReset()
{
    TestWindow w;
    w.stopTimers();
    w->Check1->setChecked(true);
    w->Text1->setText(QStringLiteral("10"));
    w->replyBuffer = reply(2, 1, 23, 1, 0, 5, 30); // 12.3 ohms
    w->DecodeRealtimeReply();
    QVERIFY(w->Timer7->isActive());
    w->Timer6_Timer();
    QVERIFY(!w->Timer7->isActive());
    w->DecodeRealtimeReply();
    QVERIFY(w->Timer7->isActive());
    w->replyBuffer = reply(2, 0, 99, 1, 0, 5, 30); // 9.9 ohms
    w->DecodeRealtimeReply();
    QVERIFY(!w->Timer7->isActive());
    w.stopTimers();
}

void TestAlarms::statisticsBoxes_data()
{
    QTest::addColumn<bool>("current"); // Timer8 over value2Samples, else Timer6 over value1
    QTest::addColumn<QList<float>>("entries");
    QTest::addColumn<QStringList>("boxes"); // MAX, MIN, AVERAGE; "-" = left as it was
    const QStringList kept = {QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("-")};
    QTest::newRow("resistance, 17 entries")
            << false << QList<float>{10, 20, 30}
            << QStringList{QStringLiteral("30"), QStringLiteral("0"), QStringLiteral("3.529412")};
    QTest::newRow("resistance, all 17 filled")
            << false << QList<float>(17, 12.3f)
            << QStringList{QStringLiteral("12.3"), QStringLiteral("12.3"), QStringLiteral("12.3")};
    QTest::newRow("resistance entry 0 is 0") << false << QList<float>{0, 20, 30} << kept;
    QTest::newRow("resistance entry 0 negative") << false << QList<float>{-1, 20} << kept;
    QTest::newRow("resistance entry 0 at 1200") << false << QList<float>{1200, 20} << kept;
    QTest::newRow("resistance entry 0 just below 1200")
            << false << QList<float>{1199.5f, 1250}
            << QStringList{QStringLiteral("1250"), QStringLiteral("0"), QStringLiteral("144.0882")};
    QTest::newRow("current, entry 0 at 39999")
            << true << QList<float>{39999, 1}
            << QStringList{
                       QStringLiteral("39999"), QStringLiteral("0"), QStringLiteral("2352.941")};
    QTest::newRow("current entry 0 at 40000") << true << QList<float>{40000, 1} << kept;
    QTest::newRow("current entry 0 is 0") << true << QList<float>{0, 5} << kept;
    QTest::newRow("current small values")
            << true << QList<float>(17, 0.005f)
            << QStringList{
                       QStringLiteral("0.005"), QStringLiteral("0.005"), QStringLiteral("0.005")};
}

void TestAlarms::statisticsBoxes()
{
    QFETCH(bool, current);
    QFETCH(QList<float>, entries);
    QFETCH(QStringList, boxes);
    TestWindow w;
    w.stopTimers();
    w->Slider2->setValue(0); // entries 0 to 16
    Trend::Ring &ring = current ? w->value2Samples : w->value1Samples;
    ring.fill(0.0f);
    ring[20] = 99999.0f; // beyond the window: not looked at
    for (int i = 0; i < entries.size(); ++i)
        ring[std::size_t(i)] = entries.at(i);
    QLineEdit *mine[] = {current ? w->Text13 : w->Text2,
                         current ? w->Text14 : w->Text3,
                         current ? w->Text15 : w->Text4};
    QLineEdit *others[] = {current ? w->Text2 : w->Text13,
                           current ? w->Text3 : w->Text14,
                           current ? w->Text4 : w->Text15};
    for (QLineEdit *box : mine)
        box->setText(QStringLiteral("-"));
    for (QLineEdit *box : others)
        box->setText(QStringLiteral("untouched"));
    if (current)
        w->Timer8_Timer();
    else
        w->Timer6_Timer();
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(mine[i]->text(), boxes.at(i));
        QCOMPARE(others[i]->text(), QStringLiteral("untouched"));
    }
}

void TestAlarms::statisticsOfWholeRing()
{
    TestWindow w;
    w.stopTimers();
    w->Slider2->setValue(4); // entries 0 to 500, all 501 of them
    w->value1Samples.fill(5.0f);
    w->value1Samples[500] = 506.0f;
    w->Timer6_Timer();
    QCOMPARE(w->Text2->text(), QStringLiteral("506"));
    QCOMPARE(w->Text3->text(), QStringLiteral("5"));
    QCOMPARE(w->Text4->text(), QStringLiteral("6")); // (500 x 5 + 506) / 501
}

void TestAlarms::statisticsClampsSegments()
{
    Trend::Ring ring{};
    ring.fill(2.0f);
    const auto whole = Alarms::statistics(ring, 100000, 1200);
    QVERIFY(whole);
    QCOMPARE(whole->mean, 2.0f);
    const auto none = Alarms::statistics(ring, -5, 1200); // entry 0 only
    QVERIFY(none);
    QCOMPARE(none->maximum, 2.0f);
    QCOMPARE(none->minimum, 2.0f);
}

QTEST_MAIN(TestAlarms)
#include "tst_alarms.moc"
