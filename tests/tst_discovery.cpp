// Finding the instrument on ports 1..16 and declaring the link lost after a silence, driven tick
// by tick: on a session with no window, then what the window shows of it.
#include "core/protocol.h"
#include "fakes/fakeserialport.h"
#include "fakes/sessionrig.h"
#include "fakes/testwindow.h"
#include "link/linksession.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {
const QByteArray kHandshakeReply = QByteArray::fromHex("D55555");

// A session on a fake port, with the steps of the search the tests share.
struct Rig : SessionRig
{
    // One half second of the running program: the search tick, then the supervision tick.
    void halfSecond()
    {
        if (link.searchTimer()->isActive())
            link.searchTick();
        link.supervisionTick();
    }

    // The search found the instrument on `portNumber` (the only port there) and handed over to
    // polling. The records of the fake start empty.
    void foundOn(int portNumber)
    {
        port->onlyPort = portNumber;
        link.beginSearch();
        for (int tick = 1; tick <= portNumber; ++tick)
            link.searchTick();
        port->deliver(kHandshakeReply);
        link.searchTick();
        QVERIFY(link.connected());
        QVERIFY(!link.searchTimer()->isActive());
        port->resetRecords();
    }
};

QStringList portTexts(const QSignalSpy &spy)
{
    QStringList result;
    for (const QList<QVariant> &args : spy)
        result.append(args.at(2).toString());
    return result;
}
} // namespace

class TestDiscovery : public QObject
{
    Q_OBJECT

private slots:
    // ---- The session ----
    void noPortAnswers();
    void openOutcomes_data();
    void openOutcomes();
    void nextScanPort_data();
    void nextScanPort();
    void wrongHandshakeGoesOn();
    void silenceAfterConnecting();
    void lossKeepsTheSearchOnTime();
    void lostInstrumentRetriedAfterTheOther15();
    void anyByteResetsSilence_data();
    void anyByteResetsSilence();
    void longBlockIsNotCutOff();
    void keepAliveRepliesKeepLinkUp();
    void permissionNoticeOnce_data();
    void permissionNoticeOnce();
    void noDeviceNoticeOnce_data();
    void noDeviceNoticeOnce();

    // ---- The window ----
    void noticeShownUntilLinkUp();
    void instrumentOnCom5_data();
    void instrumentOnCom5();
};

void TestDiscovery::noPortAnswers()
{
    Rig r;
    r.link.beginSearch(); // as at start-up; stopped again only by a connection
    QSignalSpy tried(&r.link, &LinkSession::portTried);
    QSignalSpy lost(&r.link, &LinkSession::linkLost);
    QList<int> lostTicks;
    for (int tick = 1; tick <= 40; ++tick) {
        const qsizetype lostBefore = lost.count();
        r.halfSecond();
        if (lost.count() > lostBefore)
            lostTicks.append(tick);
        QVERIFY(!r.link.connected());
        QVERIFY(r.link.searchTimer()->isActive());
    }
    const QStringList texts = portTexts(tried);
    QCOMPARE(texts.size(), 40);
    for (int tick = 0; tick < 40; ++tick)
        QCOMPARE(texts.at(tick), QStringLiteral("COM%1 open success").arg(tick % 16 + 1));
    QCOMPARE(lostTicks, (QList<int>{5, 10, 15, 20, 25, 30, 35, 40}));
    // Every opened port heard the handshake byte, threshold 3.
    QCOMPARE(r.port->written, QByteArray(40, '\x05'));
    QCOMPARE(r.port->thresholds, QList<int>(40, 3));
    QCOMPARE(r.port->openedPorts.size(), 40);
    QCOMPARE(r.port->openedPorts.at(16), 1);
}

void TestDiscovery::openOutcomes_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("handshakeSent");

    QTest::newRow("1 opens") << 1 << int(SerialPort::Opened) << "COM1 open success" << true;
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

void TestDiscovery::openOutcomes()
{
    QFETCH(int, port);
    QFETCH(int, result);
    QFETCH(QString, text);
    QFETCH(bool, handshakeSent);

    Rig r;
    // The search reaches `port` past ports that are not there.
    r.port->onlyPort = -1;
    r.link.beginSearch();
    for (int tick = 1; tick < port; ++tick)
        r.link.searchTick();
    QCOMPARE(r.link.scanPort(), qint16(port));

    r.port->resetRecords();
    r.port->forceOpen(1); // a port left open from before: the search must let it go first
    r.port->openResults.insert(port, SerialPort::OpenResult(result));
    r.link.send(Protocol::ModeSwitch);
    r.port->resetRecords();
    QSignalSpy tried(&r.link, &LinkSession::portTried);
    r.link.searchTick();

    QCOMPARE(tried.count(), 1);
    QCOMPARE(tried.first().at(0).value<qint16>(), qint16(port));
    QCOMPARE(tried.first().at(1).value<SerialPort::OpenResult>(), SerialPort::OpenResult(result));
    QCOMPARE(tried.first().at(2).toString(), text);
    QCOMPARE(LinkSession::openOutcomeText(qint16(port), SerialPort::OpenResult(result)), text);
    QCOMPARE(r.port->openedPorts, QList<int>{port});
    QCOMPARE(r.port->commPort(), port);
    // A port that failed to open is not held and hears nothing.
    QCOMPARE(r.port->portOpen(), handshakeSent);
    QCOMPARE(r.port->written, handshakeSent ? QByteArray(1, '\x05') : QByteArray());
    QCOMPARE(r.link.lastCommand(), qint16(handshakeSent ? 5 : 55));
    QCOMPARE(r.link.scanPort(), qint16(port == 16 ? 1 : port + 1));
}

void TestDiscovery::nextScanPort_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("next");
    QTest::newRow("1") << 1 << 2;
    QTest::newRow("15") << 15 << 16;
    QTest::newRow("16 wraps") << 16 << 1;
    QTest::newRow("past 16 wraps") << 17 << 1;
}

void TestDiscovery::nextScanPort()
{
    QFETCH(int, port);
    QFETCH(int, next);
    QCOMPARE(Protocol::nextScanPort(qint16(port)), qint16(next));
}

void TestDiscovery::wrongHandshakeGoesOn()
{
    Rig r;
    r.link.beginSearch();
    r.link.searchTick(); // COM1
    QSignalSpy up(&r.link, &LinkSession::linkUp);
    QSignalSpy tried(&r.link, &LinkSession::portTried);
    r.port->deliver(QByteArray::fromHex("D55554"));
    QVERIFY(!r.link.connected());
    QVERIFY(up.isEmpty());
    r.link.searchTick();
    QVERIFY(r.link.searchTimer()->isActive());
    QCOMPARE(portTexts(tried), QStringList{"COM2 open success"});
}

void TestDiscovery::silenceAfterConnecting()
{
    Rig r;
    r.foundOn(5);
    QVERIFY(r.link.pollTimer()->isActive());
    QSignalSpy lost(&r.link, &LinkSession::linkLost);

    // The instrument falls silent: four ticks are tolerated, the fifth declares the link lost.
    for (int tick = 1; tick <= 4; ++tick) {
        r.link.supervisionTick();
        QVERIFY(lost.isEmpty());
        QVERIFY(r.link.connected());
        QCOMPARE(r.link.silentTicks(), qint16(tick));
    }
    r.link.supervisionTick();
    QCOMPARE(lost.count(), 1);
    QVERIFY(!r.link.connected());
    QCOMPARE(r.link.silentTicks(), qint16(0));
    QVERIFY(r.link.searchTimer()->isActive());
    // The supervision neither closes the port nor stops polling.
    QVERIFY(r.port->portOpen());
    QVERIFY(r.link.pollTimer()->isActive());

    QSignalSpy tried(&r.link, &LinkSession::portTried);
    r.link.searchTick();
    QCOMPARE(r.port->openedPorts.last(), 6);
    QCOMPARE(portTexts(tried), QStringList{"COM6 null"});
    QVERIFY(!r.port->portOpen());
}

void TestDiscovery::lossKeepsTheSearchOnTime()
{
    // While nothing answers, every fifth supervision tick declares the link lost again. The
    // search tick under way must keep its time, or the round of 16 ports would stretch.
    Rig r;
    r.link.beginSearch();
    QTRY_VERIFY_WITH_TIMEOUT(r.link.searchTimer()->remainingTime() <= 400, 2000);
    QSignalSpy lost(&r.link, &LinkSession::linkLost);
    for (int tick = 0; tick < 5; ++tick)
        r.link.supervisionTick();
    QCOMPARE(lost.count(), 1);
    QVERIFY(r.link.searchTimer()->isActive());
    QVERIFY2(r.link.searchTimer()->remainingTime() <= 400,
             qPrintable(QString::number(r.link.searchTimer()->remainingTime())));
}

void TestDiscovery::lostInstrumentRetriedAfterTheOther15()
{
    Rig r;
    r.foundOn(5);
    QCOMPARE(r.link.scanPort(), qint16(6));
    for (int tick = 0; tick < 5; ++tick)
        r.link.supervisionTick();
    QVERIFY(r.link.searchTimer()->isActive());
    for (int tick = 0; tick < 16; ++tick)
        r.link.searchTick();
    QCOMPARE(r.port->openedPorts,
             (QList<int>{6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 1, 2, 3, 4, 5}));
}

void TestDiscovery::anyByteResetsSilence_data()
{
    QTest::addColumn<int>("lastCommand");
    QTest::addColumn<int>("threshold");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("notified");

    QTest::newRow("one byte below a reading's threshold")
            << 35 << 7 << QByteArray::fromHex("01") << false;
    QTest::newRow("two bytes below a reading's threshold")
            << 35 << 7 << QByteArray::fromHex("0200") << false;
    QTest::newRow("part of a block") << 25 << 700 << QByteArray(100, '\x01') << false;
    QTest::newRow("byte with notifications off") << 25 << 0 << QByteArray(1, '\x01') << false;
    QTest::newRow("one byte below a keep-alive's threshold")
            << 5 << 3 << QByteArray::fromHex("d5") << false;
    QTest::newRow("keep-alive answer") << 5 << 3 << kHandshakeReply << true;
    QTest::newRow("after the mode switch") << 55 << 4 << QByteArray(4, '\x00') << true;
    QTest::newRow("after the end of link") << 0 << 4 << QByteArray::fromHex("01020304") << true;
}

void TestDiscovery::anyByteResetsSilence()
{
    QFETCH(int, lastCommand);
    QFETCH(int, threshold);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, notified);

    Rig r;
    r.foundOn(1);
    r.link.send(qint16(lastCommand));
    r.port->setRThreshold(threshold);
    for (int tick = 0; tick < 4; ++tick)
        r.link.supervisionTick();
    QCOMPARE(r.link.silentTicks(), qint16(4));
    r.port->deliver(bytes);
    QCOMPARE(r.link.silentTicks(), qint16(0));
    // A notified burst is taken off the line; one below the threshold keeps waiting.
    QCOMPARE(r.port->waiting(), notified ? QByteArray() : bytes);
    r.link.supervisionTick(); // the next tick counts from the byte, not from the last reply
    QVERIFY(r.link.connected());
    QCOMPARE(r.link.silentTicks(), qint16(1));
}

void TestDiscovery::longBlockIsNotCutOff()
{
    // 1000 records at 9600 baud take about 7.3 s: the block's single notification comes only at
    // its end, but bytes keep coming all the while.
    Rig r;
    r.foundOn(1);
    r.link.setOperatingMode(Protocol::StoredData);
    r.link.startStoredRead();
    QCOMPARE(r.port->written, QByteArray(1, '\x0f'));
    QSignalSpy statuses(&r.link, &LinkSession::status);
    QSignalSpy blocks(&r.link, &LinkSession::blockReceived);
    QSignalSpy lost(&r.link, &LinkSession::linkLost);
    r.port->deliver(QByteArray::fromHex("05050A00")); // 1000 records
    QCOMPARE(r.link.recordCount(), qint16(1000));
    QCOMPARE(r.port->rThreshold(), 7000);
    r.link.blockRequestTick();
    QCOMPARE(r.link.lastCommand(), qint16(25));
    // About 480 bytes per half second, for 14 ticks (7 s) before the last 280.
    for (int tick = 0; tick < 14; ++tick) {
        r.port->deliver(QByteArray(480, '\x01'));
        r.link.supervisionTick();
        QVERIFY2(r.link.connected(), qPrintable(QStringLiteral("lost at tick %1").arg(tick)));
    }
    QVERIFY(lost.isEmpty());
    QVERIFY(!r.link.searchTimer()->isActive());
    QVERIFY(blocks.isEmpty());
    r.port->deliver(QByteArray(7000 - 14 * 480, '\x01'));
    QCOMPARE(blocks.count(), 1);
    QCOMPARE(blocks.first().at(0).toByteArray().size(), 7000); // the whole block handed on
    QCOMPARE(statuses.last().at(0).toString(), QStringLiteral("receive old data"));
    QCOMPARE(statuses.first().at(0).toString(), QStringLiteral("Save num:1000"));
    QVERIFY(r.link.connected());
}

void TestDiscovery::keepAliveRepliesKeepLinkUp()
{
    Rig r;
    r.foundOn(1);
    r.link.setOperatingMode(Protocol::RealtimeSampling);
    r.link.haltSampling(); // paused: polling sends the keep-alive
    QSignalSpy up(&r.link, &LinkSession::linkUp);
    QSignalSpy lost(&r.link, &LinkSession::linkLost);
    for (int tick = 0; tick < 20; ++tick) {
        r.link.pollTick();
        QCOMPARE(r.port->written.back(), '\x05');
        r.port->deliver(kHandshakeReply);
        r.link.supervisionTick();
        QVERIFY(r.link.connected());
    }
    QCOMPARE(r.port->written, QByteArray(20, '\x05'));
    QVERIFY(up.isEmpty()); // the link is not announced again
    QVERIFY(lost.isEmpty());
}

// ---- The window ----

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
    w->link().searchTimer()->start();
    if (mode == 2)
        w->Option2_Click(); // disables the run buttons; the search enables two of them again
    w.port->onlyPort = 5;

    for (int port = 1; port <= 4; ++port) {
        w->findcom_Timer();
        w->COMtimout_Timer();
        QCOMPARE(w->ui().Label1->text(), QStringLiteral("COM%1 null").arg(port));
    }
    QVERIFY(w.port->written.isEmpty());

    w->findcom_Timer(); // tries 5
    QCOMPARE(w->ui().Label1->text(), QStringLiteral("COM5 open success"));
    QCOMPARE(w.port->written, QByteArray(1, '\x05'));
    QCOMPARE(w.port->rThreshold(), 3);
    QCOMPARE(w->ui().Label2->text(), QStringLiteral("Tester unlink"));
    w.port->deliver(kHandshakeReply); // the answer comes between two ticks
    QVERIFY(w->link().connected());
    QCOMPARE(w->ui().Label2->text(), QStringLiteral("connection success"));
    w->COMtimout_Timer();
    QVERIFY(w->link().searchTimer()->isActive());
    QVERIFY(!w->link().pollTimer()->isActive());

    w->findcom_Timer(); // the next tick ends the search
    QVERIFY(!w->link().searchTimer()->isActive());
    QVERIFY(w->link().pollTimer()->isActive());
    QVERIFY(w->ui().Command1->isEnabled());
    QVERIFY(w->ui().Command2->isEnabled());
    QCOMPARE(w->ui().Command3->isEnabled(), mode == 1);
    QCOMPARE(w->ui().Command9->isEnabled(), mode == 1);
    QCOMPARE(w->ui().Label1->text(), QStringLiteral("COM5 open success"));
    // The port that answered stays open and that tick sent nothing more.
    QVERIFY(w.port->portOpen());
    QCOMPARE(w.port->commPort(), 5);
    QCOMPARE(w.port->openedPorts, (QList<int>{1, 2, 3, 4, 5}));
    QCOMPARE(w.port->written, QByteArray(1, '\x05'));
}

void TestDiscovery::permissionNoticeOnce_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("named"); // the group the notice tells the user to join
    QTest::newRow("group of the node") << "uucp"
                                       << "\"uucp\"";
    QTest::newRow("group unknown") << ""
                                   << "\"dialout\"";
}

void TestDiscovery::permissionNoticeOnce()
{
    QFETCH(QString, group);
    QFETCH(QString, named);
    Rig r;
    r.port->group = group;
    r.port->openResults[2] = SerialPort::NoPermission;
    r.port->openResults[5] = SerialPort::NoPermission;
    QSignalSpy notices(&r.link, &LinkSession::notice);
    QSignalSpy tried(&r.link, &LinkSession::portTried);
    r.link.beginSearch();
    for (int tick = 1; tick <= 32; ++tick) // two rounds, two refusing ports each
        r.link.searchTick();
    QCOMPARE(notices.count(), 1);
    const QString text = notices.first().at(0).toString();
    QVERIFY2(text.contains(QStringLiteral("/dev/ttyFAKE2")), qPrintable(text));
    QVERIFY2(text.contains(named), qPrintable(text));
    QCOMPARE(portTexts(tried).at(1), QStringLiteral("COM2 be occupied")); // as a locked port
    QCOMPARE(tried.count(), 32);                                          // the search went on
}

void TestDiscovery::noDeviceNoticeOnce_data()
{
    QTest::addColumn<int>("existingPort"); // 0: no serial device at all
    QTest::addColumn<int>("notices");
    QTest::newRow("no device at all") << 0 << 1;
    QTest::newRow("one device, not answering") << 9 << 0;
}

void TestDiscovery::noDeviceNoticeOnce()
{
    QFETCH(int, existingPort);
    Rig r;
    r.port->onlyPort = existingPort == 0 ? 99 : existingPort; // every other port is missing
    QSignalSpy notices(&r.link, &LinkSession::notice);
    r.link.beginSearch();
    for (int tick = 1; tick <= 15; ++tick)
        r.link.searchTick();
    QVERIFY(notices.isEmpty()); // not before a whole round
    for (int tick = 16; tick <= 48; ++tick)
        r.link.searchTick();
    QTEST(int(notices.count()), "notices");
    QCOMPARE(r.port->openedPorts.size(), 48); // the search went on
    if (!notices.isEmpty())
        QCOMPARE(notices.first().at(0).toString(), LinkSession::noDeviceNotice());
}

void TestDiscovery::noticeShownUntilLinkUp()
{
    TestWindow w;
    w.stopTimers();
    w.port->onlyPort = 99;
    for (int tick = 1; tick <= 16; ++tick)
        w->findcom_Timer();
    QVERIFY(!w->ui().Notice->isHidden());
    QCOMPARE(w->ui().Notice->text(), LinkSession::noDeviceNotice());
    QCOMPARE(w->ui().Label1->text(), QStringLiteral("COM16 null")); // the port texts go on
    w.connectOn(3);
    QVERIFY(w->ui().Notice->isHidden());
}

QTEST_MAIN(TestDiscovery)
#include "tst_discovery.moc"
