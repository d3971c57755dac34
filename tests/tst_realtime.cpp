// Realtime replies: from the seven bytes to the readouts, working values, control enables,
// alarm calls, magnification captions, plot value and value rings.
#include "core/readout.h"
#include "core/record.h"
#include "core/trendbuffer.h"
#include "fakes/testwindow.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace {

const QString kOhm = QStringLiteral("\u03A9");

QByteArray reply(int kind, int v1High, int v1Low, int range1, int v2High, int v2Low, int byte6)
{
    QByteArray bytes;
    for (int b : {kind, v1High, v1Low, range1, v2High, v2Low, byte6})
        bytes.append(char(quint8(b)));
    return bytes;
}

// "E" enabled, "D" disabled, "-" left as it is; one letter per control of the enable table.
QString enablesCode(const Realtime::KindEnables &e)
{
    QString code;
    for (const Realtime::Enable &x : {e.resistanceScale,
                                      e.currentScale,
                                      e.resistanceAlarm,
                                      e.currentAlarm,
                                      e.resistanceStatistics,
                                      e.currentStatistics})
        code += !x ? QLatin1Char('-') : (*x ? QLatin1Char('E') : QLatin1Char('D'));
    return code;
}

QString callsCode(const QList<Realtime::AlarmCall> &calls)
{
    QStringList parts;
    for (const Realtime::AlarmCall &c : calls) {
        if (c.which == Realtime::AlarmCall::Resistance)
            parts << QStringLiteral("R(%1)").arg(double(c.reading));
        else
            parts << QStringLiteral("C(%1,%2,%3)")
                             .arg(double(c.reading))
                             .arg(c.rangeCode)
                             .arg(c.message);
    }
    return parts.join(QLatin1Char(' '));
}

// Feeds a reply straight to the window's decoder, as the reply handler does.
void decode(TestWindow &w, const QByteArray &bytes)
{
    w->DecodeRealtimeReply(bytes);
}

} // namespace

class TestRealtime : public QObject
{
    Q_OBJECT

private slots:
    void readouts_data();
    void readouts();
    void bytesAfterTheSeventhAreIgnored();
    void shortBufferIsNoReading();
    void enables_data();
    void enables();
    void alarmCalls_data();
    void alarmCalls();
    void magnification_data();
    void magnification();
    void plotValue_data();
    void plotValue();
    void drop_data();
    void drop();
    void carryOver_data();
    void carryOver();

    void windowEnables_data();
    void windowEnables();
    void kind2DoesNotRestartRunningResetTimer();
    void substitutesReachAlarmsAndRings_data();
    void substitutesReachAlarmsAndRings();
    void kindZeroStoresRawValues();
    void kind1With255();
    void first255InKind2EmptiesSecondReadoutForGood();
    void bothErrorLeavesEverything();
    void trendAppend_data();
    void trendAppend();
    void workedExampleThroughThePort();
    void shortBurstThroughThePort();

    void fuzzPureDecoder();
    void fuzzWindow();
};

void TestRealtime::readouts_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("singleBefore");
    QTest::addColumn<QString>("secondBefore");
    QTest::addColumn<QString>("mainText");
    QTest::addColumn<QString>("secondText");
    QTest::addColumn<float>("value1");
    QTest::addColumn<float>("value2");
    QTest::addColumn<int>("singleAfter");

    const QString old = QStringLiteral("old");
    const QString pair = QStringLiteral(" 05:30");
    // Resistance (kind 2, pair 0 5 30).
    QTest::newRow("R1 123 -> 12.3") << reply(2, 1, 23, 1, 0, 5, 30) << 0 << old << " 12.3" + kOhm
                                    << pair << 12.3f << 5.0f << 0;
    QTest::newRow("R1 0") << reply(2, 0, 0, 1, 0, 5, 30) << 0 << old << " 0" + kOhm << pair << 0.0f
                          << 5.0f << 0;
    QTest::newRow("R2 1234 -> 12.34") << reply(2, 12, 34, 2, 0, 5, 30) << 0 << old
                                      << " 12.34" + kOhm << pair << 12.34f << 5.0f << 0;
    QTest::newRow("R3 13 -> L0.01") << reply(2, 0, 13, 3, 0, 5, 30) << 0 << old
                                    << "L0.01                    " << pair << 0.0f << 5.0f << 0;
    QTest::newRow("R3 0 -> L0.01") << reply(2, 0, 0, 3, 0, 5, 30) << 0 << old
                                   << "L0.01                    " << pair << 0.0f << 5.0f << 0;
    QTest::newRow("R3 14 -> 0.014") << reply(2, 0, 14, 3, 0, 5, 30) << 0 << old << " 0.014" + kOhm
                                    << pair << 0.014f << 5.0f << 0;
    QTest::newRow("R3 25755") << reply(2, 255, 255, 3, 0, 5, 30) << 0 << old << " 25.755" + kOhm
                              << pair << 25.755f << 5.0f << 0;
    QTest::newRow("R4 1499") << reply(2, 14, 99, 4, 0, 5, 30) << 0 << old << " 1499" + kOhm << pair
                             << 1499.0f << 5.0f << 0;
    QTest::newRow("R4 1500 -> 0L")
            << reply(2, 15, 0, 4, 0, 5, 30) << 0 << old << " 0L" << pair << 1250.0f << 5.0f << 0;
    QTest::newRow("R4 25755 -> 0L")
            << reply(2, 255, 255, 4, 0, 5, 30) << 0 << old << " 0L" << pair << 1250.0f << 5.0f << 0;
    QTest::newRow("R0 error raw") << reply(2, 1, 23, 0, 0, 5, 30) << 0 << old << " ERROR" << pair
                                  << 123.0f << 5.0f << 0;
    QTest::newRow("R5 error raw") << reply(2, 1, 23, 5, 0, 5, 30) << 0 << old << " ERROR" << pair
                                  << 123.0f << 5.0f << 0;
    QTest::newRow("R255 error raw") << reply(2, 1, 23, 255, 0, 5, 30) << 0 << old << " ERROR"
                                    << pair << 123.0f << 5.0f << 0;
    // Current as main readout (kind 3).
    QTest::newRow("C3/1 405 -> 40.5A")
            << reply(3, 4, 5, 1, 0, 5, 30) << 0 << old << " 40.5A" << pair << 40.5f << 5.0f << 0;
    QTest::newRow("C3/1 406 -> 0L")
            << reply(3, 4, 6, 1, 0, 5, 30) << 0 << old << "0L" << pair << 450.0f << 5.0f << 0;
    QTest::newRow("C3/1 0") << reply(3, 0, 0, 1, 0, 5, 30) << 0 << old << " 0A" << pair << 0.0f
                            << 5.0f << 0;
    QTest::newRow("C3/2 1234 -> 12.34A") << reply(3, 12, 34, 2, 0, 5, 30) << 0 << old << " 12.34A"
                                         << pair << 12.34f << 5.0f << 0;
    QTest::newRow("C3/3 7 -> 7mA")
            << reply(3, 0, 7, 3, 0, 5, 30) << 0 << old << " 7mA" << pair << 7.0f << 5.0f << 0;
    QTest::newRow("C3/4 1234 -> 123.4mA") << reply(3, 12, 34, 4, 0, 5, 30) << 0 << old << " 123.4mA"
                                          << pair << 123.4f << 5.0f << 0;
    QTest::newRow("C3/5 1234 -> 12.34mA") << reply(3, 12, 34, 5, 0, 5, 30) << 0 << old << " 12.34mA"
                                          << pair << 12.34f << 5.0f << 0;
    QTest::newRow("C3/5 0 -> 0.00mA")
            << reply(3, 0, 0, 5, 0, 5, 30) << 0 << old << " 0.00mA" << pair << 0.0f << 5.0f << 0;
    QTest::newRow("C3/6 5 -> 0.005mA")
            << reply(3, 0, 5, 6, 0, 5, 30) << 0 << old << " 0.005mA" << pair << 0.005f << 5.0f << 0;
    QTest::newRow("C3/6 25755") << reply(3, 255, 255, 6, 0, 5, 30) << 0 << old << " 25.755mA"
                                << pair << 25.755f << 5.0f << 0;
    QTest::newRow("C3/7 error raw")
            << reply(3, 1, 23, 7, 0, 5, 30) << 0 << old << " ERROR" << pair << 123.0f << 5.0f << 0;
    QTest::newRow("C3/0 error raw")
            << reply(3, 1, 23, 0, 0, 5, 30) << 0 << old << " ERROR" << pair << 123.0f << 5.0f << 0;
    // Current as second readout (kind 1): range 1 divides by 100 here.
    QTest::newRow("C1/1 405 -> 4.05A") << reply(1, 1, 23, 1, 4, 5, 1) << 0 << old << " 12.3" + kOhm
                                       << " 4.05A" << 12.3f << 4.05f << 0;
    QTest::newRow("C1/1 406 -> 0L") << reply(1, 1, 23, 1, 4, 6, 1) << 0 << old << " 12.3" + kOhm
                                    << "0L" << 12.3f << 450.0f << 0;
    QTest::newRow("C1/2 60 -> 0.6A") << reply(1, 1, 23, 1, 0, 60, 2) << 0 << old << " 12.3" + kOhm
                                     << " 0.6A" << 12.3f << 0.6f << 0;
    QTest::newRow("C1/3 7 -> 7mA") << reply(1, 1, 23, 1, 0, 7, 3) << 0 << old << " 12.3" + kOhm
                                   << " 7mA" << 12.3f << 7.0f << 0;
    QTest::newRow("C1/4 4000 -> 400mA") << reply(1, 1, 23, 1, 40, 0, 4) << 0 << old
                                        << " 12.3" + kOhm << " 400mA" << 12.3f << 400.0f << 0;
    QTest::newRow("C1/5 1234 -> 12.34mA") << reply(1, 1, 23, 1, 12, 34, 5) << 0 << old
                                          << " 12.3" + kOhm << " 12.34mA" << 12.3f << 12.34f << 0;
    QTest::newRow("C1/6 5 -> 0.005mA") << reply(1, 1, 23, 1, 0, 5, 6) << 0 << old << " 12.3" + kOhm
                                       << " 0.005mA" << 12.3f << 0.005f << 0;
    QTest::newRow("C1/0 error raw") << reply(1, 1, 23, 1, 1, 23, 0) << 0 << old << " 12.3" + kOhm
                                    << " ERROR" << 12.3f << 123.0f << 0;
    QTest::newRow("C1/255 error, single set") << reply(1, 1, 23, 1, 1, 23, 255) << 0 << old
                                              << " 12.3" + kOhm << " ERROR" << 12.3f << 123.0f << 1;
    QTest::newRow("C1 writes the second readout when single")
            << reply(1, 1, 23, 1, 0, 7, 3) << 1 << " ERROR"
            << " 12.3" + kOhm << " 7mA" << 12.3f << 7.0f << 1;
    // Voltage (kind 4): range 1 is not looked at.
    QTest::newRow("V 2205 -> 220.5V")
            << reply(4, 22, 5, 1, 0, 5, 30) << 0 << old << " 220.5V" << pair << 220.5f << 5.0f << 0;
    QTest::newRow("V 220 -> 22.0V, range 9")
            << reply(4, 2, 20, 9, 0, 5, 30) << 0 << old << " 22.0V" << pair << 22.0f << 5.0f << 0;
    QTest::newRow("V 0 -> 0.0V") << reply(4, 0, 0, 255, 0, 5, 30) << 0 << old << " 0.0V" << pair
                                 << 0.0f << 5.0f << 0;
    QTest::newRow("V 25755") << reply(4, 255, 255, 0, 0, 5, 30) << 0 << old << " 2575.5V" << pair
                             << 2575.5f << 5.0f << 0;
    // Pair texts: value 2 undivided, ASCII colon.
    QTest::newRow("pair 1230:07") << reply(2, 1, 23, 1, 12, 30, 7) << 0 << old << " 12.3" + kOhm
                                  << " 1230:07" << 12.3f << 1230.0f << 0;
    QTest::newRow("pair 00:00") << reply(3, 0, 7, 3, 0, 0, 0) << 0 << old << " 7mA"
                                << " 00:00" << 7.0f << 0.0f << 0;
    QTest::newRow("pair 25755:254") << reply(4, 0, 7, 3, 255, 255, 254) << 0 << old << " 0.7V"
                                    << " 25755:254" << 0.7f << 25755.0f << 0;
    // Second value absent.
    QTest::newRow("kind 2 first 255 empties") << reply(2, 1, 23, 1, 0, 5, 255) << 0 << " 05:30"
                                              << " 12.3" + kOhm << "" << 12.3f << 5.0f << 1;
    QTest::newRow("kind 3 first 255 empties") << reply(3, 0, 7, 3, 0, 5, 255) << 0 << " 05:30"
                                              << " 7mA"
                                              << "" << 7.0f << 5.0f << 1;
    QTest::newRow("kind 4 single keeps text") << reply(4, 0, 7, 3, 0, 5, 30) << 1 << " ERROR"
                                              << " 0.7V"
                                              << " ERROR" << 0.7f << 5.0f << 1;
    QTest::newRow("kind 2 single keeps empty") << reply(2, 1, 23, 1, 0, 5, 30) << 1 << ""
                                               << " 12.3" + kOhm << "" << 12.3f << 5.0f << 1;
    // Other kinds: no readout, raw values.
    QTest::newRow("kind 0") << reply(0, 1, 23, 9, 2, 50, 7) << 0 << old << ""
                            << "" << 123.0f << 250.0f << 0;
    QTest::newRow("kind 5") << reply(5, 1, 23, 1, 2, 50, 1) << 0 << old << ""
                            << "" << 123.0f << 250.0f << 0;
    QTest::newRow("kind 255 single keeps") << reply(255, 255, 255, 255, 255, 255, 255) << 1 << old
                                           << "" << old << 25755.0f << 25755.0f << 1;
    QTest::newRow("kind 255 sets single") << reply(255, 0, 0, 0, 0, 0, 255) << 0 << old << ""
                                          << "" << 0.0f << 0.0f << 1;
}

void TestRealtime::readouts()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, singleBefore);
    QFETCH(QString, secondBefore);
    Realtime::ReadoutContext context;
    context.singleValue = quint8(singleBefore);
    context.secondText = secondBefore;
    const Realtime::Readout r = Realtime::decodeReply(bytes, context);
    QVERIFY(r.complete);
    QCOMPARE(r.measureKind, qint16(quint8(bytes.at(0))));
    QTEST(r.mainText, "mainText");
    QTEST(r.secondText, "secondText");
    QFETCH(float, value1);
    QFETCH(float, value2);
    // The working values are the exact single-precision results, not merely close to them.
    QVERIFY2(r.value1 == value1, qPrintable(QString::number(double(r.value1), 'g', 10)));
    QVERIFY2(r.value2 == value2, qPrintable(QString::number(double(r.value2), 'g', 10)));
    QTEST(int(r.singleValue), "singleAfter");
}

void TestRealtime::bytesAfterTheSeventhAreIgnored()
{
    const QByteArray seven = reply(1, 1, 23, 1, 4, 5, 1);
    const Realtime::Readout a = Realtime::decodeReply(seven, {});
    const Realtime::Readout b = Realtime::decodeReply(seven + QByteArray(20, char(255)), {});
    QCOMPARE(b.mainText, a.mainText);
    QCOMPARE(b.secondText, a.secondText);
    QCOMPARE(b.value1, a.value1);
    QCOMPARE(b.value2, a.value2);
    QCOMPARE(b.singleValue, quint8(0));
}

void TestRealtime::shortBufferIsNoReading()
{
    const QByteArray full = reply(1, 1, 23, 1, 4, 5, 255);
    for (int size = 0; size < Record::kBytes; ++size) {
        Realtime::ReadoutContext context;
        context.secondText = QStringLiteral(" 4.05A");
        const Realtime::Readout r = Realtime::decodeReply(full.left(size), context);
        QVERIFY(!r.complete);
        QCOMPARE(r.secondText, QStringLiteral(" 4.05A"));
        QCOMPARE(r.singleValue, quint8(0));
        QVERIFY(r.alarms.isEmpty());
    }
}

void TestRealtime::enables_data()
{
    QTest::addColumn<int>("kind");
    // Scale sliders of value 1 and 2, alarm boxes of resistance and current, statistics timers of
    // resistance and current (Slider1 Slider3 Check1 Check2 Timer6 Timer8).
    QTest::addColumn<QString>("code");
    QTest::newRow("1") << 1 << "EEEE--";
    QTest::newRow("2") << 2 << "EDEDED";
    QTest::newRow("3") << 3 << "DEDE--";
    QTest::newRow("4") << 4 << "DEDE--";
    QTest::newRow("0") << 0 << "------";
    QTest::newRow("5") << 5 << "------";
    QTest::newRow("255") << 255 << "------";
}

void TestRealtime::enables()
{
    QFETCH(int, kind);
    const Realtime::Readout r = Realtime::decodeReply(reply(kind, 1, 23, 1, 0, 5, 3), {});
    QTEST(enablesCode(r.enables), "code");
}

void TestRealtime::alarmCalls_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("calls");
    QTest::newRow("kind 1") << reply(1, 1, 23, 1, 4, 5, 1) << "R(12.3) C(4.05,1,input error)";
    QTest::newRow("kind 1 over range")
            << reply(1, 15, 0, 4, 4, 6, 1) << "R(1250) C(450,1,input error)";
    QTest::newRow("kind 1 no second value")
            << reply(1, 1, 23, 9, 1, 23, 255) << "R(123) C(123,255,input error)";
    QTest::newRow("kind 2") << reply(2, 0, 13, 3, 0, 5, 30) << "R(0)";
    QTest::newRow("kind 3") << reply(3, 4, 6, 1, 0, 5, 30) << "C(450,1,input error)";
    QTest::newRow("kind 3 range 6") << reply(3, 0, 5, 6, 0, 5, 30) << "C(0.005,6,input error)";
    QTest::newRow("kind 4 voltage") << reply(4, 22, 5, 2, 0, 5, 30) << "C(220.5,2,ERROR)";
    QTest::newRow("kind 0") << reply(0, 1, 23, 1, 0, 5, 30) << "";
    QTest::newRow("kind 9") << reply(9, 1, 23, 1, 0, 5, 30) << "";
}

void TestRealtime::alarmCalls()
{
    QFETCH(QByteArray, bytes);
    QTEST(callsCode(Realtime::decodeReply(bytes, {}).alarms), "calls");
}

void TestRealtime::magnification_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("resistanceCaption"); // "" = unchanged
    QTest::addColumn<QString>("currentCaption");
    QTest::newRow("1") << 1 << QStringLiteral("\u00D710R") << QStringLiteral("\u00D710mA");
    QTest::newRow("2") << 2 << QStringLiteral("\u00D71R") << QStringLiteral("\u00D71mA");
    QTest::newRow("3") << 3 << QStringLiteral("\u00D70.1R") << QStringLiteral("\u00D70.1mA");
    QTest::newRow("4") << 4 << QStringLiteral("\u00D70.01R") << QStringLiteral("\u00D70.01mA");
    QTest::newRow("5") << 5 << QStringLiteral("\u00D70.001R") << QStringLiteral("\u00D70.001mA");
    QTest::newRow("0") << 0 << ""
                       << "";
    QTest::newRow("6") << 6 << ""
                       << "";
    QTest::newRow("-1") << -1 << ""
                        << "";
}

void TestRealtime::magnification()
{
    QFETCH(int, position);
    QFETCH(QString, resistanceCaption);
    QFETCH(QString, currentCaption);
    // Whatever the kind: voltage readings set both captions too.
    Realtime::ReadoutContext context;
    context.resistanceScale = position;
    context.currentScale = position;
    const Realtime::Readout r = Realtime::decodeReply(reply(4, 1, 0, 0, 0, 0, 0), context);
    QCOMPARE(r.resistanceScaleCaption.value_or(QString()), resistanceCaption);
    QCOMPARE(r.currentScaleCaption.value_or(QString()), currentCaption);
}

void TestRealtime::plotValue_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("slider1");
    QTest::addColumn<int>("slider3");
    QTest::addColumn<float>("plot");
    const QByteArray r1230 = reply(2, 12, 30, 4, 0, 0, 0); // 1230 ohms
    QTest::newRow("x10 x10") << r1230 << 1 << 1 << 123000.0f;
    QTest::newRow("x1 x1") << r1230 << 2 << 2 << 1230.0f;
    QTest::newRow("/10 x1") << r1230 << 3 << 2 << 123.0f;
    QTest::newRow("/100 x1") << r1230 << 4 << 2 << 12.3f;
    QTest::newRow("x1 /1000") << r1230 << 2 << 5 << 1.23f;
    QTest::newRow("start positions") << r1230 << 5 << 5 << 0.00123f;
    QTest::newRow("out of range positions") << r1230 << 0 << 7 << 1230.0f;
    QTest::newRow("x10 /10") << r1230 << 1 << 3 << 1230.0f;
    QTest::newRow("over range substitute") << reply(2, 15, 0, 4, 0, 0, 0) << 2 << 2 << 1250.0f;
    QTest::newRow("divided readout") << reply(2, 1, 23, 1, 0, 0, 0) << 2 << 2 << 12.3f;
    QTest::newRow("kind 1 uses value 1") << reply(1, 1, 23, 1, 99, 99, 3) << 2 << 2 << 12.3f;
    QTest::newRow("kind 0 raw") << reply(0, 1, 23, 1, 0, 0, 0) << 1 << 2 << 1230.0f;
}

void TestRealtime::plotValue()
{
    QFETCH(QByteArray, bytes);
    Realtime::ReadoutContext context;
    QFETCH(int, slider1);
    QFETCH(int, slider3);
    context.resistanceScale = slider1;
    context.currentScale = slider3;
    const Realtime::Readout r = Realtime::decodeReply(bytes, context);
    QTEST(r.plotValue, "plot");
}

void TestRealtime::drop_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("singleBefore");
    QTest::addColumn<QString>("secondBefore");
    QTest::addColumn<bool>("dropped");
    QTest::newRow("kind 1 both ranges 9") << reply(1, 1, 23, 9, 1, 23, 9) << 0 << "" << true;
    QTest::newRow("kind 1 range 9, no second value")
            << reply(1, 1, 23, 9, 1, 23, 255) << 0 << "" << true;
    QTest::newRow("kind 1 only first error") << reply(1, 1, 23, 9, 0, 7, 3) << 0 << "" << false;
    QTest::newRow("kind 1 only second error") << reply(1, 1, 23, 1, 0, 7, 9) << 0 << "" << false;
    QTest::newRow("kind 2 error with pair") << reply(2, 1, 23, 9, 0, 5, 30) << 0 << "" << false;
    QTest::newRow("kind 2 error with old error kept")
            << reply(2, 1, 23, 9, 0, 5, 30) << 1 << " ERROR" << true;
    QTest::newRow("kind 3 error with old error kept")
            << reply(3, 1, 23, 0, 0, 5, 30) << 1 << " ERROR" << true;
    QTest::newRow("kind 4 never") << reply(4, 1, 23, 9, 0, 5, 30) << 1 << " ERROR" << false;
    QTest::newRow("kind 0 never") << reply(0, 1, 23, 9, 0, 5, 9) << 1 << " ERROR" << false;
    QTest::newRow("error with other text kept")
            << reply(2, 1, 23, 9, 0, 5, 30) << 1 << "ERROR" << false;
}

void TestRealtime::drop()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, singleBefore);
    QFETCH(QString, secondBefore);
    QFETCH(bool, dropped);
    Realtime::ReadoutContext context;
    context.singleValue = quint8(singleBefore);
    context.secondText = secondBefore;
    const Realtime::Readout r = Realtime::decodeReply(bytes, context);
    QCOMPARE(r.dropped, dropped);
    QCOMPARE(r.resistanceScaleCaption.has_value(), !dropped);
    QCOMPARE(r.currentScaleCaption.has_value(), !dropped);
    // The alarm checks run before the drop decision.
    if (quint8(bytes.at(0)) >= 1 && quint8(bytes.at(0)) <= 4)
        QVERIFY(!r.alarms.isEmpty());
}

// What the decoder carries from one reading to the next: the flag, and the second readout's
// text once the flag is set.
void TestRealtime::carryOver_data()
{
    // Steps: a reply in hex, "stop" ("■" or the stored-data mode), "absent" (a stored record
    // reported the second value absent).
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("mainText");
    QTest::addColumn<QString>("secondText");
    QTest::addColumn<int>("singleValue");
    const QString k1 = QStringLiteral("01011701040501");     // 12.3 Ω, 4.05 A
    const QString k1None = QStringLiteral("010117010405ff"); // second value absent
    const QString k2 = QStringLiteral("0201170100051e");     // 12.3 Ω, 05:30
    const QString ohms = " 12.3" + kOhm;
    const QString stop = QStringLiteral("STOP");
    const QString error = QStringLiteral(" ERROR");
    QTest::newRow("start") << QStringList{} << stop << stop << 0;
    QTest::newRow("a reading") << QStringList{k1} << ohms << QStringLiteral(" 4.05A") << 0;
    QTest::newRow("stop") << QStringList{k1, "stop"} << stop << stop << 0;
    QTest::newRow("absent: stop keeps the second readout")
            << QStringList{k1None, "stop"} << stop << error << 1;
    QTest::newRow("absent: kind 2 keeps the second readout")
            << QStringList{k1None, k2} << ohms << error << 1;
    QTest::newRow("absent in a stored record: STOP stays beside readings")
            << QStringList{"absent", k2, "stop", k2} << ohms << stop << 1;
    QTest::newRow("a short reply changes nothing")
            << QStringList{k1None, k2.left(12)} << ohms << error << 1;
}

void TestRealtime::carryOver()
{
    QFETCH(QStringList, steps);
    Realtime::Decoder decoder;
    for (const QString &step : steps) {
        if (step == QLatin1String("stop"))
            decoder.stop();
        else if (step == QLatin1String("absent"))
            decoder.markSecondValueAbsent();
        else
            decoder.decode(QByteArray::fromHex(step.toLatin1()));
    }
    QTEST(decoder.mainText(), "mainText");
    QTEST(decoder.secondText(), "secondText");
    QTEST(int(decoder.singleValue()), "singleValue");
}

// ---- Through the window ----

void TestRealtime::windowEnables_data()
{
    enables_data();
}

void TestRealtime::windowEnables()
{
    QFETCH(int, kind);
    QFETCH(QString, code);
    for (bool before : {true, false}) {
        TestWindow w;
        w.stopTimers();
        QWidget *controls[] = {w->ui().Slider1, w->ui().Slider3, w->ui().Check1, w->ui().Check2};
        for (QWidget *c : controls)
            c->setEnabled(before);
        for (QTimer *t : {w->ui().Timer6, w->ui().Timer8})
            before ? t->start() : t->stop();
        decode(w, reply(kind, 1, 23, 1, 0, 5, 3));
        const bool states[] = {w->ui().Slider1->isEnabled(),
                               w->ui().Slider3->isEnabled(),
                               w->ui().Check1->isEnabled(),
                               w->ui().Check2->isEnabled(),
                               w->ui().Timer6->isActive(),
                               w->ui().Timer8->isActive()};
        for (int i = 0; i < 6; ++i) {
            const QChar want = code.at(i);
            const bool expected = want == QLatin1Char('-') ? before : want == QLatin1Char('E');
            QVERIFY2(states[i] == expected,
                     qPrintable(QStringLiteral("control %1, before %2").arg(i).arg(before)));
        }
        w.stopTimers();
    }
}

void TestRealtime::kind2DoesNotRestartRunningResetTimer()
{
    // Readings come every 500 ms; restarting the 1000 ms reset on each would keep it from ticking.
    TestWindow w;
    w.stopTimers();
    w->ui().Timer6->setTimerType(Qt::PreciseTimer); // coarse timers round their remaining time
    w->ui().Timer6->start();
    // Let some of its interval pass (no tick is awaited), then a kind-2 reading enables it.
    QElapsedTimer spent;
    spent.start();
    while (spent.elapsed() < 60) {
    }
    decode(w, reply(2, 1, 23, 1, 0, 5, 30));
    QVERIFY(w->ui().Timer6->isActive());
    QVERIFY2(w->ui().Timer6->remainingTime() <= 960,
             qPrintable(QString::number(w->ui().Timer6->remainingTime())));
    w.stopTimers();
}

void TestRealtime::substitutesReachAlarmsAndRings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("limit1");
    QTest::addColumn<QString>("limit9");
    QTest::addColumn<float>("ring1");
    QTest::addColumn<float>("ring2");
    QTest::addColumn<bool>("blink7");
    QTest::addColumn<bool>("blink9");
    QTest::newRow("0L resistance alarms at the top limit")
            << reply(2, 15, 0, 4, 0, 5, 30) << "1200"
            << "0" << 1250.0f << 5.0f << true << false;
    QTest::newRow("L0.01 never alarms") << reply(2, 0, 13, 3, 0, 5, 30) << "0"
                                        << "0" << 0.0f << 5.0f << false << false;
    QTest::newRow("0L current kind 3 is 450 A") << reply(3, 4, 6, 1, 0, 5, 30) << "0"
                                                << "40000" << 450.0f << 5.0f << false << true;
    QTest::newRow("0L current kind 1 is 450 A") << reply(1, 0, 10, 1, 4, 6, 1) << "1200"
                                                << "40000" << 1.0f << 450.0f << false << true;
    QTest::newRow("kind 1 both over range") << reply(1, 15, 0, 4, 4, 6, 1) << "1200"
                                            << "40000" << 1250.0f << 450.0f << true << true;
    QTest::newRow("kind 1 below both limits") << reply(1, 0, 10, 1, 0, 50, 1) << "1.0"
                                              << "500" << 1.0f << 0.5f << false << false;
    QTest::newRow("error resistance compares undivided") << reply(2, 1, 23, 9, 0, 5, 30) << "122"
                                                         << "0" << 123.0f << 5.0f << true << false;
    QTest::newRow("kind 4 voltage against the current limit")
            << reply(4, 22, 5, 3, 0, 5, 30) << "0"
            << "220" << 220.5f << 5.0f << false << true;
}

void TestRealtime::substitutesReachAlarmsAndRings()
{
    QFETCH(QByteArray, bytes);
    TestWindow w;
    w.stopTimers();
    // Three readings first, with both alarms off, so this one is stored mid-ring.
    for (int i = 0; i < 3; ++i)
        decode(w, reply(1, 0, 1, 1, 0, 1, 3));
    w->ui().Check1->setChecked(true);
    w->ui().Check2->setChecked(true);
    QFETCH(QString, limit1);
    QFETCH(QString, limit9);
    w->ui().Text1->setText(limit1);
    w->ui().Text9->setText(limit9);
    decode(w, bytes);
    QCOMPARE(w->trend().sampleIndex(), qint16(4));
    QTEST(w->trend().value1Samples()[3], "ring1");
    QTEST(w->trend().value2Samples()[3], "ring2");
    QTEST(w->ui().Timer7->isActive(), "blink7");
    QTEST(w->ui().Timer9->isActive(), "blink9");
    w.stopTimers();
}

void TestRealtime::kindZeroStoresRawValues()
{
    TestWindow w;
    w.stopTimers();
    w->ui().Slider1->setValue(2);
    w->ui().Slider3->setValue(2);
    w->ui().Label7->setText(QStringLiteral(" 12.3") + kOhm);
    w->ui().Slider1->setEnabled(false);
    decode(w, reply(0, 1, 23, 9, 2, 50, 7));
    QCOMPARE(w->ui().Label7->text(), QString());
    QCOMPARE(w->ui().Label25->text(), QString());
    QCOMPARE(w->trend().sampleIndex(), qint16(1));
    QCOMPARE(w->trend().value1Samples()[0], 123.0f);
    QCOMPARE(w->trend().value2Samples()[0], 250.0f);
    QCOMPARE(w->trend().trendSamples()[1], 123.0f);
    QCOMPARE(w->ui().Label8->text(), QStringLiteral("\u00D71R"));
    QCOMPARE(w->ui().Label19->text(), QStringLiteral("\u00D71mA"));
    QVERIFY(!w->ui().Slider1->isEnabled()); // kind 0 changes no control
}

void TestRealtime::kind1With255()
{
    TestWindow w;
    w.stopTimers();
    decode(w, reply(1, 1, 23, 1, 4, 5, 255));
    QCOMPARE(w->measure().singleValue, quint8(1));
    QCOMPARE(w->ui().Label7->text(), QStringLiteral(" 12.3") + kOhm);
    QCOMPARE(w->ui().Label25->text(), QStringLiteral(" ERROR"));
    QCOMPARE(w->trend().value2Samples()[0], 405.0f); // undivided
    decode(w, reply(1, 1, 23, 1, 0, 7, 3));
    QCOMPARE(w->ui().Label25->text(), QStringLiteral(" 7mA"));
    QCOMPARE(w->measure().singleValue, quint8(1)); // never cleared
}

void TestRealtime::first255InKind2EmptiesSecondReadoutForGood()
{
    TestWindow w;
    w.stopTimers();
    decode(w, reply(2, 1, 23, 1, 0, 5, 30));
    QCOMPARE(w->ui().Label25->text(), QStringLiteral(" 05:30"));
    decode(w, reply(2, 1, 23, 1, 0, 5, 255));
    QCOMPARE(w->measure().singleValue, quint8(1));
    QCOMPARE(w->ui().Label25->text(), QString());
    QCOMPARE(w->ui().Label7->text(), QStringLiteral(" 12.3") + kOhm);
    const QByteArray later[] = {reply(2, 1, 23, 1, 12, 30, 7),
                                reply(3, 0, 7, 3, 0, 5, 30),
                                reply(4, 22, 5, 1, 0, 5, 30),
                                reply(2, 0, 14, 3, 0, 0, 0)};
    for (const QByteArray &bytes : later) {
        decode(w, bytes);
        QCOMPARE(w->ui().Label25->text(), QString());
        QVERIFY(!w->ui().Label7->text().isEmpty());
    }
}

void TestRealtime::bothErrorLeavesEverything()
{
    TestWindow w;
    w.stopTimers();
    w->ui().Slider1->setValue(2);
    w->ui().Slider3->setValue(2);
    decode(w, reply(1, 1, 23, 1, 0, 7, 3));
    QCOMPARE(w->trend().sampleIndex(), qint16(1));
    const Trend::Ring v1 = w->trend().value1Samples();
    const Trend::Ring v2 = w->trend().value2Samples();
    const Trend::Ring trend = w->trend().trendSamples();
    w->ui().Slider1->setValue(4);
    w->ui().Slider3->setValue(1);
    decode(w, reply(1, 1, 23, 9, 1, 23, 9));
    QCOMPARE(w->ui().Label7->text(), QStringLiteral(" ERROR"));
    QCOMPARE(w->ui().Label25->text(), QStringLiteral(" ERROR"));
    QCOMPARE(w->trend().sampleIndex(), qint16(1));
    QVERIFY(w->trend().value1Samples() == v1);
    QVERIFY(w->trend().value2Samples() == v2);
    QVERIFY(w->trend().trendSamples() == trend);
    QCOMPARE(w->ui().Label8->text(), QStringLiteral("\u00D71R"));
    QCOMPARE(w->ui().Label19->text(), QStringLiteral("\u00D71mA"));
    // The next good reply goes on where the last one stopped, with the new captions.
    decode(w, reply(1, 0, 50, 1, 0, 7, 3));
    QCOMPARE(w->trend().sampleIndex(), qint16(2));
    QCOMPARE(w->trend().value1Samples()[1], 5.0f);
    QCOMPARE(w->ui().Label8->text(), QStringLiteral("\u00D70.01R"));
    QCOMPARE(w->ui().Label19->text(), QStringLiteral("\u00D710mA"));
}

void TestRealtime::trendAppend_data()
{
    // `before` readings appended in a window of `segmentsBefore`, then one in `segments`.
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("segmentsBefore");
    QTest::addColumn<int>("segments");
    QTest::addColumn<int>("valueIndex"); // -1: no statistics entry
    QTest::addColumn<int>("chartIndex"); // -1: the chart value is dropped
    QTest::addColumn<int>("indexAfter");
    QTest::newRow("first") << 0 << 16 << 16 << 0 << 1 << 1;
    QTest::newRow("17th fills 16 segments") << 16 << 16 << 16 << 16 << 17 << 17;
    QTest::newRow("18th restarts without a value") << 17 << 16 << 16 << -1 << 0 << 0;
    QTest::newRow("after the restart, at 0") << 18 << 16 << 16 << 0 << 1 << 1;
    QTest::newRow("501st: chart value past the ring dropped")
            << 500 << 500 << 500 << 500 << -1 << 501;
    QTest::newRow("502nd restarts") << 501 << 500 << 500 << -1 << 0 << 0;
    QTest::newRow("smaller window restarts at once") << 100 << 166 << 16 << -1 << 0 << 0;
    QTest::newRow("window of 0 segments: the 2nd restarts") << 1 << 0 << 0 << -1 << 0 << 0;
}

void TestRealtime::trendAppend()
{
    QFETCH(int, before);
    QFETCH(int, segmentsBefore);
    QFETCH(int, segments);
    QFETCH(int, valueIndex);
    QFETCH(int, chartIndex);
    TrendBuffer buffer;
    for (int k = 1; k <= before; ++k)
        buffer.append(segmentsBefore, float(k), float(-k), float(k) / 2);
    Trend::Ring values1 = buffer.value1Samples();
    Trend::Ring values2 = buffer.value2Samples();
    Trend::Ring chart = buffer.trendSamples();

    const Trend::AppendResult result = buffer.append(segments, 1000.0f, 2000.0f, 3000.0f);
    QCOMPARE(result.storedValues, valueIndex >= 0);
    QCOMPARE(result.valueIndex, valueIndex);
    QCOMPARE(result.chartIndex, chartIndex);
    QTEST(int(buffer.sampleIndex()), "indexAfter");
    // Exactly those entries changed, and nothing was written outside the rings.
    if (valueIndex >= 0) {
        values1[std::size_t(valueIndex)] = 1000.0f;
        values2[std::size_t(valueIndex)] = 2000.0f;
    }
    if (chartIndex >= 0)
        chart[std::size_t(chartIndex)] = 3000.0f;
    QVERIFY(buffer.value1Samples() == values1);
    QVERIFY(buffer.value2Samples() == values2);
    QVERIFY(buffer.trendSamples() == chart);
}

void TestRealtime::workedExampleThroughThePort()
{
    TestWindow w;
    w.stopTimers();
    w.connectOn();
    w->SendCommand(35);
    QCOMPARE(w.port->written, QByteArray(1, char(0x23)));
    w.port->deliver(reply(2, 1, 23, 1, 0, 5, 30).left(4));
    QCOMPARE(w->ui().Label7->text(), QStringLiteral("STOP")); // not yet a whole reply
    w.port->deliver(reply(2, 1, 23, 1, 0, 5, 30).mid(4));
    QCOMPARE(w->ui().Label7->text(), QStringLiteral(" 12.3") + kOhm);
    QCOMPARE(w->ui().Label25->text(), QStringLiteral(" 05:30"));
    QCOMPARE(w->ui().Label6->text(), QStringLiteral("receive data"));
    QCOMPARE(w->trend().value1Samples()[0], 12.3f);
}

void TestRealtime::shortBurstThroughThePort()
{
    // Should a notification ever hand over fewer than seven bytes, the last reading stays.
    TestWindow w;
    w.stopTimers();
    w.connectOn();
    w->SendCommand(35);
    w.port->deliver(reply(1, 1, 23, 1, 4, 5, 1));
    QCOMPARE(w->trend().sampleIndex(), qint16(1));
    for (int size = 1; size < 7; ++size) {
        w.port->setRThreshold(size);
        w.port->deliver(QByteArray(size, char(255)));
        QCOMPARE(w->ui().Label7->text(), QStringLiteral(" 12.3") + kOhm);
        QCOMPARE(w->ui().Label25->text(), QStringLiteral(" 4.05A"));
        QCOMPARE(w->measure().singleValue, quint8(0));
        QCOMPARE(w->trend().sampleIndex(), qint16(1));
    }
    w->DecodeRealtimeReply(QByteArray());
    QCOMPARE(w->trend().sampleIndex(), qint16(1));
}

// ---- Robustness: every reply shape the line can produce ----

namespace {

QList<QByteArray> fuzzReplies()
{
    QList<QByteArray> replies;
    QRandomGenerator random(20261207);
    for (int i = 0; i < 400; ++i) {
        QByteArray bytes(7, '\0');
        for (char &b : bytes)
            b = char(random.bounded(256));
        replies << bytes;
    }
    // Every mix of the extreme bytes, and each byte through its boundary values.
    for (int mask = 0; mask < 128; ++mask) {
        QByteArray bytes(7, '\0');
        for (int k = 0; k < 7; ++k)
            bytes[k] = (mask >> k) & 1 ? char(255) : char(0);
        replies << bytes;
    }
    const int edges[] = {0, 1, 2, 3, 4, 5, 6, 7, 13, 14, 99, 100, 127, 128, 254, 255};
    for (int kind : {0, 1, 2, 3, 4, 5, 255})
        for (int k = 1; k < 7; ++k)
            for (int e : edges) {
                QByteArray bytes = reply(kind, 14, 99, 4, 4, 5, 1);
                bytes[k] = char(e);
                replies << bytes;
            }
    return replies;
}

} // namespace

void TestRealtime::fuzzPureDecoder()
{
    int checked = 0;
    for (const QByteArray &bytes : fuzzReplies()) {
        for (quint8 single : {quint8(0), quint8(1)}) {
            Realtime::ReadoutContext context;
            context.singleValue = single;
            context.secondText = QStringLiteral(" ERROR");
            context.resistanceScale = int(quint8(bytes.at(3))) % 7;
            context.currentScale = int(quint8(bytes.at(6))) % 7;
            const Realtime::Readout r = Realtime::decodeReply(bytes, context);
            QVERIFY(r.complete);
            QVERIFY(std::isfinite(r.value1) && std::isfinite(r.value2));
            QVERIFY(r.value1 >= 0 && r.value1 <= 25755 && r.value2 >= 0 && r.value2 <= 25755);
            const int kind = quint8(bytes.at(0));
            QCOMPARE(r.mainText.isEmpty(), kind < 1 || kind > 4);
            QVERIFY(!r.mainText.contains(QLatin1Char('e')));
            QCOMPARE(r.singleValue, quint8(single || quint8(bytes.at(6)) == 255));
            ++checked;
        }
    }
    const QByteArray all(7, char(255));
    for (int size = 0; size < 7; ++size) {
        const QByteArray shortBuffer = all.left(size);
        QVERIFY(!Realtime::decodeReply(shortBuffer, {}).complete);
        // A heap copy of exactly that size, so a read past it is caught by the sanitizers.
        const QByteArray exact(shortBuffer.constData(), size);
        QVERIFY(!Realtime::decodeReply(exact, {}).complete);
    }
    QVERIFY(checked > 1000);
}

void TestRealtime::fuzzWindow()
{
    TestWindow w;
    w.stopTimers();
    w.connectOn();
    w->ui().Check1->setChecked(true);
    w->ui().Check2->setChecked(true);
    const QStringList limits = {QStringLiteral("100"),
                                QStringLiteral("-1"),
                                QString(),
                                QStringLiteral("40000"),
                                QStringLiteral("1e9"),
                                QStringLiteral("12abc")};
    int n = 0;
    for (const QByteArray &bytes : fuzzReplies()) {
        w->ui().Text1->setText(limits.at(n % limits.size()));
        w->ui().Text9->setText(limits.at((n / 2) % limits.size()));
        w->ui().Slider2->setValue(n % 5);
        w->SendCommand(35);
        w.port->deliver(bytes);
        QCOMPARE(w->ui().Label6->text(), QStringLiteral("receive data"));
        QVERIFY(w->trend().sampleIndex() >= 0 && w->trend().sampleIndex() <= 501);
        if (n % 3 == 0) {
            w->Timer6_Timer();
            w->Timer7_Timer();
            w->Timer8_Timer();
            w->Timer9_Timer();
        }
        ++n;
    }
    const qint16 index = w->trend().sampleIndex();
    const QString shown = w->ui().Label7->text();
    for (int size = 1; size < 7; ++size) {
        w->SendCommand(35);
        w.port->setRThreshold(size);
        w.port->deliver(QByteArray(size, char(1)));
        QCOMPARE(w->trend().sampleIndex(), index);
        QCOMPARE(w->ui().Label7->text(), shown);
    }
    w.stopTimers();
}

QTEST_MAIN(TestRealtime)
#include "tst_realtime.moc"
