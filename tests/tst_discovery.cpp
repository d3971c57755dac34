// Finding the instrument on ports 1..16 and declaring the link lost after a silence, driven tick
// by tick on the fake port.
#include "fakes/testwindow.h"
#include "core/protocol.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
const QByteArray kHandshakeReply = QByteArray::fromHex("D55555");

// One half second of the running program: the discovery tick, then the supervision tick.
void halfSecond(TestWindow &w)
{
    if (w->findcom->isActive())
        w->findcom_Timer();
    w->COMtimout_Timer();
}
} // namespace

class TestDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void noPortAnswers();
    void openOutcomeTexts_data();
    void openOutcomeTexts();
    void instrumentOnCom5_data();
    void instrumentOnCom5();
    void wrongHandshakeGoesOn();
    void silenceAfterConnecting();
    void lostInstrumentRetriedAfterTheOther15();
    void after16Comes1();
    void anyByteResetsSilence_data();
    void anyByteResetsSilence();
    void longBlockIsNotCutOff();
    void keepAliveRepliesKeepLinkUp();
};

void TestDiscovery::noPortAnswers()
{
    TestWindow w;
    w.stopTimers();
    w->findcom->start(); // as after start-up; stopped again only by a connection
    QStringList label1;
    QList<int> failTicks;
    for (int tick = 1; tick <= 40; ++tick) {
        w->Label2->setText(QStringLiteral("-"));
        halfSecond(w);
        label1.append(w->Label1->text());
        if (w->Label2->text() == QLatin1String("connection fail"))
            failTicks.append(tick);
        QVERIFY(!w->connected);
        QVERIFY(w->findcom->isActive());
    }
    for (int tick = 0; tick < 40; ++tick)
        QCOMPARE(label1.at(tick), QStringLiteral("COM%1 open success").arg(tick % 16 + 1));
    QCOMPARE(failTicks, (QList<int>{5, 10, 15, 20, 25, 30, 35, 40}));
    // Every opened port heard the handshake byte, threshold 3.
    QCOMPARE(w.port->written, QByteArray(40, '\x05'));
    QCOMPARE(w.port->thresholds, QList<int>(40, 3));
    QCOMPARE(w.port->openedPorts.size(), 40);
    QCOMPARE(w.port->openedPorts.at(16), 1);
}

void TestDiscovery::openOutcomeTexts_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("label1");
    QTest::addColumn<bool>("handshakeSent");

    QTest::newRow("3 opens") << 3 << int(SerialPort::Opened) << "COM3 open success" << true;
    QTest::newRow("3 in use") << 3 << int(SerialPort::InUse) << "COM3 be occupied" << false;
    QTest::newRow("3 missing") << 3 << int(SerialPort::NoSuchPort) << "COM3 null" << false;
    QTest::newRow("3 other failure")
            << 3 << int(SerialPort::OtherFailure) << "COM3 open fail" << false;
    QTest::newRow("12 in use") << 12 << int(SerialPort::InUse) << "COM12 be occupied" << false;
    QTest::newRow("16 missing") << 16 << int(SerialPort::NoSuchPort) << "COM16 null" << false;
    QTest::newRow("16 other failure")
            << 16 << int(SerialPort::OtherFailure) << "COM16 open fail" << false;
}

void TestDiscovery::openOutcomeTexts()
{
    QFETCH(int, port);
    QFETCH(int, result);
    QFETCH(QString, label1);
    QFETCH(bool, handshakeSent);

    TestWindow w;
    w.stopTimers();
    w.port->forceOpen(1); // a port left open from before: comopen must let it go first
    w.port->openResults.insert(port, SerialPort::OpenResult(result));
    w->scanPort = qint16(port);
    const qint16 lastBefore = w->lastCommand;
    w->findcom_Timer();

    QCOMPARE(w->Label1->text(), label1);
    QCOMPARE(w.port->openedPorts, QList<int>{port});
    QCOMPARE(w.port->commPort(), port);
    // A port that failed to open is not held and hears nothing.
    QCOMPARE(w.port->portOpen(), handshakeSent);
    QCOMPARE(w.port->written, handshakeSent ? QByteArray(1, '\x05') : QByteArray());
    QCOMPARE(w->lastCommand, handshakeSent ? qint16(5) : lastBefore);
    QCOMPARE(w->scanPort, qint16(port == 16 ? 1 : port + 1));
}

void TestDiscovery::instrumentOnCom5_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("realtime sampling") << 1;
    QTest::newRow("read old data") << 2;
}

void TestDiscovery::instrumentOnCom5()
{
    QFETCH(int, mode);
    TestWindow w;
    w.stopTimers();
    w->findcom->start();
    if (mode == 2)
        w->Option2_Click(); // disables the run buttons; discovery enables two of them again
    w.port->onlyPort = 5;

    for (int port = 1; port <= 4; ++port) {
        halfSecond(w);
        QCOMPARE(w->Label1->text(), QStringLiteral("COM%1 null").arg(port));
    }
    QVERIFY(w.port->written.isEmpty());

    w->findcom_Timer(); // tries 5
    QCOMPARE(w->Label1->text(), QStringLiteral("COM5 open success"));
    QCOMPARE(w.port->written, QByteArray(1, '\x05'));
    QCOMPARE(w.port->rThreshold(), 3);
    QCOMPARE(w->scanPort, qint16(6));
    w.port->deliver(kHandshakeReply); // the answer comes between two ticks
    QVERIFY(w->connected);
    QCOMPARE(w->Label2->text(), QStringLiteral("connection success"));
    QCOMPARE(w->silentTicks, qint16(0));
    w->COMtimout_Timer();
    QVERIFY(w->findcom->isActive());
    QVERIFY(!w->comunication->isActive());

    w->findcom_Timer(); // the next tick ends discovery
    QVERIFY(!w->findcom->isActive());
    QVERIFY(w->comunication->isActive());
    QVERIFY(w->Command1->isEnabled());
    QVERIFY(w->Command2->isEnabled());
    QCOMPARE(w->Command3->isEnabled(), mode == 1);
    QCOMPARE(w->Command9->isEnabled(), mode == 1);
    QCOMPARE(w->scanPort, qint16(6));
    // The port that answered stays open and that tick sent nothing more.
    QVERIFY(w.port->portOpen());
    QCOMPARE(w.port->commPort(), 5);
    QCOMPARE(w.port->openedPorts, (QList<int>{1, 2, 3, 4, 5}));
    QCOMPARE(w.port->written, QByteArray(1, '\x05'));
}

void TestDiscovery::wrongHandshakeGoesOn()
{
    TestWindow w;
    w.stopTimers();
    w->findcom->start();
    w->findcom_Timer(); // COM1
    w.port->deliver(QByteArray::fromHex("D55554"));
    QVERIFY(!w->connected);
    QCOMPARE(w->Label2->text(), QStringLiteral("Tester unlink"));
    w->findcom_Timer();
    QVERIFY(w->findcom->isActive());
    QCOMPARE(w->Label1->text(), QStringLiteral("COM2 open success"));
}

void TestDiscovery::silenceAfterConnecting()
{
    TestWindow w;
    w.stopTimers();
    w->findcom->start();
    w.port->onlyPort = 5;
    w->scanPort = 5;
    w->findcom_Timer();
    w.port->deliver(kHandshakeReply);
    w->findcom_Timer();
    QVERIFY(!w->findcom->isActive());

    // The instrument falls silent: four ticks are tolerated, the fifth declares the link lost.
    for (int tick = 1; tick <= 4; ++tick) {
        w->COMtimout_Timer();
        QCOMPARE(w->Label2->text(), QStringLiteral("connection success"));
        QVERIFY(w->connected);
        QCOMPARE(w->silentTicks, qint16(tick));
    }
    w->COMtimout_Timer();
    QCOMPARE(w->Label2->text(), QStringLiteral("connection fail"));
    QVERIFY(!w->connected);
    QCOMPARE(w->silentTicks, qint16(0));
    QVERIFY(w->findcom->isActive());
    // The supervision neither closes the port nor stops polling.
    QVERIFY(w.port->portOpen());
    QVERIFY(w->comunication->isActive());

    w->findcom_Timer();
    QCOMPARE(w.port->openedPorts.last(), 6);
    QCOMPARE(w->Label1->text(), QStringLiteral("COM6 null"));
    QVERIFY(!w.port->portOpen());
}

void TestDiscovery::lostInstrumentRetriedAfterTheOther15()
{
    TestWindow w;
    w.stopTimers();
    w.connectOn(5);
    w->scanPort = 6;
    for (int tick = 0; tick < 5; ++tick)
        w->COMtimout_Timer();
    QVERIFY(w->findcom->isActive());
    w.port->resetRecords();
    for (int tick = 0; tick < 16; ++tick)
        w->findcom_Timer();
    QCOMPARE(w.port->openedPorts,
             (QList<int>{6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 1, 2, 3, 4, 5}));
}

void TestDiscovery::after16Comes1()
{
    TestWindow w;
    w.stopTimers();
    w->scanPort = 16;
    w->findcom_Timer();
    QCOMPARE(w->Label1->text(), QStringLiteral("COM16 open success"));
    QCOMPARE(w->scanPort, qint16(1));
    w->findcom_Timer();
    QCOMPARE(w->Label1->text(), QStringLiteral("COM1 open success"));
    QCOMPARE(w->scanPort, qint16(2));
}

void TestDiscovery::anyByteResetsSilence_data()
{
    QTest::addColumn<int>("lastCommand");
    QTest::addColumn<int>("threshold");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("notified");

    QTest::newRow("one byte below a reading's threshold")
            << 35 << 7 << QByteArray::fromHex("01") << false;
    QTest::newRow("part of a block") << 25 << 700 << QByteArray(100, '\x01') << false;
    QTest::newRow("byte with notifications off") << 25 << 0 << QByteArray(1, '\x01') << false;
    QTest::newRow("keep-alive answer") << 5 << 3 << kHandshakeReply << true;
    QTest::newRow("after the mode switch") << 55 << 4 << QByteArray(4, '\x00') << true;
}

void TestDiscovery::anyByteResetsSilence()
{
    QFETCH(int, lastCommand);
    QFETCH(int, threshold);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, notified);

    TestWindow w;
    w.stopTimers();
    w.connectOn(1);
    w->lastCommand = qint16(lastCommand);
    w.port->setRThreshold(threshold);
    w->replyBuffer = "previous";
    w->silentTicks = 4;
    w.port->deliver(bytes);
    QCOMPARE(w->silentTicks, qint16(0));
    QCOMPARE(w->replyBuffer, notified ? bytes : QByteArray("previous"));
    w->COMtimout_Timer(); // the next tick counts from the byte, not from the last reply
    QVERIFY(w->connected);
    QCOMPARE(w->silentTicks, qint16(1));
}

void TestDiscovery::longBlockIsNotCutOff()
{
    // 1000 records at 9600 baud take about 7.3 s: the block's single notification comes only at
    // its end, but bytes keep coming all the while.
    TestWindow w;
    w.stopTimers();
    w.connectOn(1);
    w->Option2_Click();
    w->Command4_Click();
    QCOMPARE(w.port->written, QByteArray(1, '\x0f'));
    w.port->deliver(QByteArray::fromHex("05050A00")); // 1000 records
    QCOMPARE(w->recordCount, qint16(1000));
    QCOMPARE(w.port->rThreshold(), 7000);
    w->Timer3_Timer();
    QCOMPARE(w->lastCommand, qint16(25));
    // About 480 bytes per half second, for 14 ticks (7 s) before the last 280.
    for (int tick = 0; tick < 14; ++tick) {
        w.port->deliver(QByteArray(480, '\x01'));
        w->COMtimout_Timer();
        QVERIFY2(w->connected, qPrintable(QStringLiteral("lost at tick %1").arg(tick)));
    }
    QVERIFY(!w->findcom->isActive());
    QCOMPARE(w->Label6->text(), QStringLiteral("Save num:1000"));
    w.port->deliver(QByteArray(7000 - 14 * 480, '\x01'));
    QCOMPARE(w->replyBuffer.size(), 7000); // the whole block reached the handler
    QCOMPARE(w->Label6->text(), QStringLiteral("receive old data"));
    QVERIFY(w->connected);
}

void TestDiscovery::keepAliveRepliesKeepLinkUp()
{
    TestWindow w;
    w.stopTimers();
    w.connectOn(1);
    w->Command2_Click(); // paused: polling sends the keep-alive
    for (int tick = 0; tick < 20; ++tick) {
        w->comunication_Timer();
        QCOMPARE(w.port->written.back(), '\x05');
        w.port->deliver(kHandshakeReply);
        w->COMtimout_Timer();
        QVERIFY(w->connected);
    }
    QCOMPARE(w->Label2->text(), QStringLiteral("Tester unlink")); // never rewritten
}

QTEST_MAIN(TestDiscovery)
#include "tst_discovery.moc"
