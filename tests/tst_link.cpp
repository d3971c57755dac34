// The link on its own: a session on a fake port, with no window. Commands and thresholds on the
// wire, polling, the stored-record exchange and where replies go; then what the window does with
// what the session reports.
#include "app/shapeindicator.h"
#include "core/linkprofile.h"
#include "core/protocol.h"
#include "fakes/fakeserialport.h"
#include "fakes/sessionrig.h"
#include "fakes/testwindow.h"
#include "link/linksession.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTimer>
#include <QtTest>

namespace {
const QByteArray kHandshakeReply = QByteArray::fromHex("D55555");

// A session on a fake port, with the steps the link tests share.
struct Rig : SessionRig
{
    // The count request of the stored mode went out and `reply` came back.
    void countReply(const QByteArray &reply)
    {
        link.setOperatingMode(Protocol::StoredData);
        link.startStoredRead();
        QCOMPARE(port->written, QByteArray::fromHex("0f"));
        port->resetRecords();
        port->deliver(reply);
    }

    // Supervision ticks with nothing on the line, short of losing the link.
    void silentTicks(int ticks)
    {
        for (int tick = 0; tick < ticks; ++tick)
            link.supervisionTick();
        QCOMPARE(link.silentTicks(), qint16(ticks));
    }
};

QStringList texts(const QSignalSpy &spy)
{
    QStringList result;
    for (const QList<QVariant> &args : spy)
        result.append(args.at(0).toString());
    return result;
}
} // namespace

class TestLink : public QObject
{
    Q_OBJECT

private slots:
    // ---- The session ----
    void sendCommand_data();
    void sendCommand();
    void sendCommandBlockRequestKeepsThreshold();
    void sendCommandWithPortClosedSendsNothing();
    void countRequestStopsPolling();
    void polling_data();
    void polling();
    void timer4RequestsOnlyWhenRunningInRealtime_data();
    void timer4RequestsOnlyWhenRunningInRealtime();
    void storedReadOnlyInStoredMode();
    void modeSwitch_data();
    void modeSwitch();
    void handshake_data();
    void handshake();
    void countReply_data();
    void countReply();
    void countZeroTakesEmptyBlockAtOnce();
    void blockExchange();
    void largeCountKeepsWholeThreshold();
    void realtimeBurstOfNineDecodedOnce();
    void otherEventKindsIgnored();
    void readRightAfterConnectingCompletes();
    void interruptedReadEndsVisibly_data();
    void interruptedReadEndsVisibly();
    void secondRequestWaitsForTheFirstAnswer();
    void replyStartingDuringTheWriteIsKept_data();
    void replyStartingDuringTheWriteIsKept();
    void switchingOnARunningTimerKeepsItsTick();

    // ---- The window ----
    void runControls();
    void stopClearsTrendButKeepsLastEntry();
    void modeMenuInStoredModeSendsOnly55();
    void windowFollowsTheStoredExchange();
    void windowFollowsTheLinkState();
};

// ---- SendCommand ----

void TestLink::sendCommand_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("threshold");
    QTest::newRow("end of link 0") << 0 << 4;
    QTest::newRow("handshake 5") << 5 << 3;
    QTest::newRow("count 15") << 15 << 4;
    QTest::newRow("reading 35") << 35 << 7;
    QTest::newRow("mode 55") << 55 << 4;
    QTest::newRow("unknown 99") << 99 << 4;
}

void TestLink::sendCommand()
{
    QFETCH(int, command);
    QFETCH(int, threshold);
    Rig r;
    r.connect();
    r.link.send(qint16(command));
    QCOMPARE(r.port->written, QByteArray(1, char(command)));
    QCOMPARE(r.port->thresholds, QList<int>{threshold});
    QCOMPARE(r.link.lastCommand(), qint16(command));
    // Both buffers emptied, before the write (replyStartingDuringTheWriteIsKept).
    QCOMPARE(r.port->clearInCount, 1);
    QCOMPARE(r.port->clearOutCount, 1);
}

void TestLink::sendCommandBlockRequestKeepsThreshold()
{
    Rig r;
    r.connect();
    r.countReply(QByteArray::fromHex("0505000c")); // the count of 12 records sets 84
    r.port->resetRecords();
    r.link.send(25);
    QCOMPARE(r.port->written, QByteArray::fromHex("19"));
    QVERIFY(r.port->thresholds.isEmpty());
    QCOMPARE(r.port->rThreshold(), 84);
    QCOMPARE(r.link.lastCommand(), qint16(25));
}

void TestLink::sendCommandWithPortClosedSendsNothing()
{
    Rig r;
    r.connect();
    r.link.setOperatingMode(Protocol::RealtimeSampling);
    r.link.send(35);
    r.port->closePort();
    r.port->resetRecords();
    r.link.send(5);
    r.link.startSampling();
    QVERIFY(r.port->written.isEmpty());
    QVERIFY(r.port->thresholds.isEmpty());
    QCOMPARE(r.port->clearInCount, 0);
    QCOMPARE(r.link.lastCommand(), qint16(35));
    QCOMPARE(r.link.runState(), qint16(1)); // sampling is on even though nothing could go out
}

void TestLink::countRequestStopsPolling()
{
    Rig r;
    r.connect();
    r.link.pollTimer()->start();
    r.link.setOperatingMode(Protocol::StoredData);
    r.link.startStoredRead();
    QCOMPARE(r.port->written, QByteArray::fromHex("0f"));
    QVERIFY(!r.link.pollTimer()->isActive());
    // Nothing answers: the polling stays off until a block or a new search. A tick already
    // due sends nothing either: its keep-alive would take the count reply's place.
    r.link.pollTick();
    QCOMPARE(r.port->written, QByteArray::fromHex("0f"));
    QVERIFY(!r.link.pollTimer()->isActive());
    QVERIFY(r.link.readUnderWay());
}

// ---- Polling ----

void TestLink::polling_data()
{
    QTest::addColumn<bool>("connected");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("runState");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("unconnected, halted") << false << 1 << 0 << QByteArray::fromHex("05");
    QTest::newRow("unconnected, halted, stored mode")
            << false << 2 << 0 << QByteArray::fromHex("05");
    QTest::newRow("unconnected, running") << false << 1 << 1 << QByteArray();
    QTest::newRow("unconnected, running, stored mode") << false << 2 << 1 << QByteArray();
    QTest::newRow("connected, stored mode, running") << true << 2 << 1 << QByteArray::fromHex("05");
    QTest::newRow("connected, stored mode, halted") << true << 2 << 0 << QByteArray::fromHex("05");
    QTest::newRow("connected, realtime, halted") << true << 1 << 0 << QByteArray::fromHex("05");
    QTest::newRow("connected, realtime, running") << true << 1 << 1 << QByteArray::fromHex("23");
}

void TestLink::polling()
{
    QFETCH(bool, connected);
    QFETCH(int, mode);
    QFETCH(int, runState);
    QFETCH(QByteArray, sent);

    const std::optional<Protocol::Command> command = Protocol::pollCommand(
            connected, Protocol::OperatingMode(mode), Protocol::RunState(runState));
    QCOMPARE(command ? QByteArray(1, char(*command)) : QByteArray(), sent);

    // The session's polling tick sends exactly that, from the state its own handlers left.
    Rig r;
    if (connected)
        r.connect();
    else
        r.port->forceOpen(1);
    r.link.setOperatingMode(Protocol::OperatingMode(mode));
    if (runState == 1)
        r.link.startSampling(); // "→"; in stored mode it is "》" that leaves sampling on
    else
        r.link.haltSampling();
    QCOMPARE(r.link.runState(), qint16(runState));
    r.advance(1000); // nothing answers what went out so far
    r.port->resetRecords();
    r.link.pollTick();
    QCOMPARE(r.port->written, sent);
}

void TestLink::timer4RequestsOnlyWhenRunningInRealtime_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("runState");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("realtime running") << 1 << 1 << QByteArray::fromHex("23");
    QTest::newRow("realtime paused") << 1 << 0 << QByteArray();
    QTest::newRow("stored mode running") << 2 << 1 << QByteArray();
}

void TestLink::timer4RequestsOnlyWhenRunningInRealtime()
{
    QFETCH(int, mode);
    QFETCH(int, runState);
    QFETCH(QByteArray, sent);
    Rig r;
    r.port->forceOpen(1); // not connected: Timer4 does not look at the link state
    r.link.setOperatingMode(Protocol::OperatingMode(mode));
    if (runState == 1)
        r.link.startSampling();
    r.advance(1000); // nothing answers what went out so far
    r.port->resetRecords();
    r.link.readingTick();
    QCOMPARE(r.port->written, sent);
}

void TestLink::storedReadOnlyInStoredMode()
{
    Rig r;
    r.connect();
    r.link.setOperatingMode(Protocol::RealtimeSampling);
    r.link.startStoredRead();
    QVERIFY(r.port->written.isEmpty());
    r.link.setOperatingMode(Protocol::StoredData);
    r.link.startStoredRead();
    QCOMPARE(r.port->written, QByteArray::fromHex("0f"));
    QCOMPARE(r.port->rThreshold(), 4);
}

void TestLink::modeSwitch_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<int>("lastCommand");
    QTest::addColumn<int>("threshold");
    // In realtime a reading is asked for at once after the switch.
    QTest::newRow("realtime") << 1 << QByteArray::fromHex("3723") << 35 << 7;
    QTest::newRow("stored mode") << 2 << QByteArray::fromHex("37") << 55 << 4;
}

void TestLink::modeSwitch()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, sent);
    QFETCH(int, lastCommand);
    QFETCH(int, threshold);
    Rig r;
    r.connect();
    r.link.setOperatingMode(Protocol::OperatingMode(mode));
    r.link.haltSampling();
    r.link.switchInstrumentMode();
    // The reading waits for whatever the instrument may say to the switch.
    r.advance(LinkProfile::kLongestTurnaroundMs + 6);
    QCOMPARE(r.port->written, sent);
    QCOMPARE(r.link.lastCommand(), qint16(lastCommand));
    QCOMPARE(r.port->rThreshold(), threshold);
    QCOMPARE(r.link.runState(), qint16(1));
}

// ---- Where replies go ----

void TestLink::handshake_data()
{
    QTest::addColumn<bool>("connectedBefore");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("connectedAfter");
    QTest::addColumn<int>("linkUps");
    QTest::newRow("good") << false << kHandshakeReply << true << 1;
    QTest::newRow("last byte wrong") << false << QByteArray::fromHex("d55554") << false << 0;
    QTest::newRow("good with trailing byte")
            << false << QByteArray::fromHex("d5555500") << true << 1;
    // The answer to a keep-alive does not announce the link again.
    QTest::newRow("keep-alive answer once connected") << true << kHandshakeReply << true << 0;
}

void TestLink::handshake()
{
    QFETCH(bool, connectedBefore);
    QFETCH(QByteArray, reply);
    QFETCH(bool, connectedAfter);
    QFETCH(int, linkUps);
    Rig r;
    if (connectedBefore)
        r.connect();
    else
        r.port->forceOpen(1);
    r.link.send(5);
    r.silentTicks(3);
    QSignalSpy up(&r.link, &LinkSession::linkUp);
    QSignalSpy readings(&r.link, &LinkSession::readingReceived);
    r.port->deliver(reply);
    QCOMPARE(r.link.connected(), connectedAfter);
    QCOMPARE(up.count(), linkUps);
    QVERIFY(readings.isEmpty());
    QCOMPARE(r.link.silentTicks(), qint16(0));
    QVERIFY(r.port->waiting().isEmpty()); // the reply was taken off the line
}

// ---- The stored-record exchange ----

void TestLink::countReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("count"); // -1: no count announced
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("threshold");
    QTest::addColumn<bool>("blockArmed");
    QTest::newRow("12 records") << QByteArray::fromHex("0505000c") << 12
                                << QStringLiteral("Save num:12") << 84 << true;
    QTest::newRow("hundreds and units, 307") << QByteArray::fromHex("05050307") << 307
                                             << QStringLiteral("Save num:307") << 2149 << true;
    QTest::newRow("bad marker") << QByteArray::fromHex("0504000c") << -1
                                << QStringLiteral("receive error") << 4 << false;
    QTest::newRow("bad first byte") << QByteArray::fromHex("0605000c") << -1
                                    << QStringLiteral("receive error") << 4 << false;
}

void TestLink::countReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, count);
    QFETCH(QString, status);
    QFETCH(int, threshold);
    QFETCH(bool, blockArmed);
    Rig r;
    r.connect();
    QSignalSpy counts(&r.link, &LinkSession::countReceived);
    QSignalSpy statuses(&r.link, &LinkSession::status);
    QSignalSpy blocks(&r.link, &LinkSession::blockReceived);
    r.countReply(reply);
    QCOMPARE(counts.count(), count < 0 ? 0 : 1);
    if (count >= 0)
        QCOMPARE(counts.first().at(0).value<qint16>(), qint16(count));
    QCOMPARE(r.link.recordCount(), qint16(qMax(count, 0)));
    QCOMPARE(texts(statuses), QStringList{status});
    QVERIFY(blocks.isEmpty());
    QCOMPARE(r.port->rThreshold(), threshold);
    QCOMPARE(r.link.blockRequestTimer()->isActive(), blockArmed);
    QVERIFY(!r.link.pollTimer()->isActive()); // polling stays off either way
    QVERIFY(r.port->written.isEmpty());          // 25 waits for Timer3
}

void TestLink::countZeroTakesEmptyBlockAtOnce()
{
    Rig r;
    r.connect();
    QSignalSpy statuses(&r.link, &LinkSession::status);
    QSignalSpy blocks(&r.link, &LinkSession::blockReceived);
    r.countReply(QByteArray::fromHex("05050000"));
    QCOMPARE(r.link.recordCount(), qint16(0));
    QVERIFY(r.port->written.isEmpty()); // no block request for nothing
    QVERIFY(!r.link.blockRequestTimer()->isActive());
    QCOMPARE(blocks.count(), 1);
    QCOMPARE(blocks.first().at(0).toByteArray(), QByteArray());
    QCOMPARE(blocks.first().at(1).value<qint16>(), qint16(0));
    QCOMPARE(texts(statuses), (QStringList{"Save num:0", "receive old data"}));
    QCOMPARE(r.port->rThreshold(), 3);
    QVERIFY(r.link.pollTimer()->isActive());
}

void TestLink::blockExchange()
{
    Rig r;
    r.connect();
    r.countReply(QByteArray::fromHex("05050002"));
    QVERIFY(r.link.blockRequestTimer()->isActive());
    QSignalSpy started(&r.link, &LinkSession::transferStarted);
    QSignalSpy progress(&r.link, &LinkSession::transferProgress);
    QSignalSpy statuses(&r.link, &LinkSession::status);
    QSignalSpy blocks(&r.link, &LinkSession::blockReceived);

    r.link.blockRequestTick();
    QCOMPARE(r.port->written, QByteArray::fromHex("19")); // once: Timer3 stops itself
    QVERIFY(!r.link.blockRequestTimer()->isActive());
    QCOMPARE(started.count(), 1);
    QCOMPARE(started.first().at(0).toInt(), 14);

    const QByteArray first = QByteArray::fromHex("01007b01002d04");
    const QByteArray second = QByteArray::fromHex("02012c0200051e");
    r.port->deliver(first);
    QVERIFY(blocks.isEmpty());
    QVERIFY(!r.link.pollTimer()->isActive());
    r.port->deliver(second);
    QCOMPARE(progress.count(), 2); // every burst reports the bytes waiting so far
    QCOMPARE(progress.at(0).at(0).toLongLong(), 7);
    QCOMPARE(progress.at(1).at(0).toLongLong(), 14);
    QCOMPARE(blocks.count(), 1);
    QCOMPARE(blocks.first().at(0).toByteArray(), first + second);
    QCOMPARE(blocks.first().at(1).value<qint16>(), qint16(2));
    QCOMPARE(texts(statuses), QStringList{"receive old data"});
    QCOMPARE(r.port->rThreshold(), 3);
    QVERIFY(r.link.pollTimer()->isActive());
    QCOMPARE(r.port->written, QByteArray::fromHex("19")); // nothing more
}

void TestLink::readRightAfterConnectingCompletes()
{
    // "Read" pressed between "connection success" and the search's last tick: that tick hands
    // over to polling, and a keep-alive then would take the count reply's place.
    Rig r;
    r.port->onlyPort = 1;
    r.link.beginSearch();
    r.link.searchTick(); // COM1 opened, handshake sent
    r.port->deliver(kHandshakeReply);
    QVERIFY(r.link.connected());
    QSignalSpy blocks(&r.link, &LinkSession::blockReceived);
    r.link.setOperatingMode(Protocol::StoredData);
    r.link.startStoredRead();
    r.link.searchTick(); // the search's last tick
    QVERIFY(!r.link.pollTimer()->isActive());
    r.link.pollTick(); // a poll already due
    QCOMPARE(r.port->written.right(1), QByteArray::fromHex("0f"));
    r.port->deliver(QByteArray::fromHex("05050001"));
    r.link.blockRequestTick();
    r.port->deliver(QByteArray::fromHex("01007b01002d04"));
    QCOMPARE(blocks.count(), 1);
    QVERIFY(r.link.pollTimer()->isActive());
}

void TestLink::interruptedReadEndsVisibly_data()
{
    // How far the exchange got before "→" (after "Realtime Sampling") asked for a reading.
    QTest::addColumn<int>("blockBytesBefore"); // -1: still waiting for the count
    QTest::newRow("waiting for the count") << -1;
    QTest::newRow("block requested, nothing in yet") << 0;
    QTest::newRow("block half in") << 7;
    QTest::newRow("block all but one byte in") << 13;
}

void TestLink::interruptedReadEndsVisibly()
{
    QFETCH(int, blockBytesBefore);
    Rig r;
    r.connect();
    const QByteArray block = QByteArray::fromHex("01007b01002d04"
                                                 "02012c0200051e");
    if (blockBytesBefore < 0) {
        r.link.setOperatingMode(Protocol::StoredData);
        r.link.startStoredRead();
    } else {
        r.countReply(QByteArray::fromHex("05050002"));
        r.link.blockRequestTick();
        r.port->deliver(block.left(blockBytesBefore));
    }
    r.port->resetRecords();
    QSignalSpy statuses(&r.link, &LinkSession::status);
    QSignalSpy ended(&r.link, &LinkSession::transferEnded);
    QSignalSpy readings(&r.link, &LinkSession::readingReceived);
    QSignalSpy blocks(&r.link, &LinkSession::blockReceived);

    r.link.setOperatingMode(Protocol::RealtimeSampling);
    r.link.startSampling();
    QCOMPARE(texts(statuses), QStringList{"receive error"});
    QCOMPARE(ended.count(), 1);
    QVERIFY(!r.link.readUnderWay());
    QVERIFY(r.link.pollTimer()->isActive());

    if (blockBytesBefore >= 0) {
        // The instrument is still sending the block: a request now would queue behind it, so
        // none goes out until the tail has passed, byte by byte.
        QVERIFY(r.port->written.isEmpty());
        r.link.pollTick();
        QVERIFY(r.port->written.isEmpty());
        for (char byte : block.mid(blockBytesBefore))
            r.port->deliver(QByteArray(1, byte));
        r.link.readingTick();
    } else {
        r.advance(LinkProfile::kLongestTurnaroundMs + 6); // the count's answer is not coming
    }
    QCOMPARE(r.port->written.right(1), QByteArray::fromHex("23"));
    QVERIFY(readings.isEmpty());
    const QByteArray reading = QByteArray::fromHex("0400fa0100051e");
    r.port->deliver(reading);
    QCOMPARE(readings.count(), 1);
    QCOMPARE(readings.first().at(0).toByteArray(), reading);
    QVERIFY(blocks.isEmpty());
}

void TestLink::secondRequestWaitsForTheFirstAnswer()
{
    // The polling and Timer4 each ask for a reading; out of step, the second request comes while
    // the first answer is half in. It goes out once that answer is in: each reply is one answer.
    Rig r;
    r.connect();
    r.link.setOperatingMode(Protocol::RealtimeSampling);
    r.link.startSampling();
    QSignalSpy readings(&r.link, &LinkSession::readingReceived);
    const QByteArray first = QByteArray::fromHex("0400fa0100051e");
    const QByteArray second = QByteArray::fromHex("02017b0100051e");
    r.port->deliver(first.left(3));
    r.link.readingTick();
    QCOMPARE(r.port->written, QByteArray::fromHex("23"));
    r.port->deliver(first.mid(3));
    QCOMPARE(r.port->written, QByteArray::fromHex("2323"));
    r.port->deliver(second);
    QCOMPARE(readings.count(), 2);
    QCOMPARE(readings.at(0).at(0).toByteArray(), first);
    QCOMPARE(readings.at(1).at(0).toByteArray(), second);
}

void TestLink::replyStartingDuringTheWriteIsKept_data()
{
    QTest::addColumn<int>("duringWrite"); // bytes of the reply in before output() returns
    QTest::newRow("whole reply") << 7;
    QTest::newRow("first byte") << 1;
}

void TestLink::replyStartingDuringTheWriteIsKept()
{
    // A quick instrument answers while the command is still being written; emptying the buffer
    // after the write would drop the start of the reply, and the rest would never reach 7.
    QFETCH(int, duringWrite);
    Rig r;
    r.connect();
    r.link.setOperatingMode(Protocol::RealtimeSampling);
    QSignalSpy readings(&r.link, &LinkSession::readingReceived);
    const QByteArray reply = QByteArray::fromHex("0400fa0100051e");
    r.port->arrivingDuringOutput = reply.left(duringWrite);
    r.link.startSampling();
    r.port->deliver(reply.mid(duringWrite));
    QCOMPARE(readings.count(), 1);
    QCOMPARE(readings.first().at(0).toByteArray(), reply);
}

void TestLink::switchingOnARunningTimerKeepsItsTick()
{
    // The found tick and the end of an exchange switch polling on; a restart would postpone the
    // poll that was due. A long interval makes "restarted" unmistakable.
    Rig r;
    r.connect();
    QTimer *poll = r.link.pollTimer();
    poll->setInterval(60000);
    poll->start();
    QTRY_VERIFY_WITH_TIMEOUT(poll->remainingTime() < 59990, 5000);
    r.link.searchTimer()->start();
    r.link.searchTick(); // connected: hands over to polling
    QVERIFY(poll->isActive());
    QVERIFY(poll->remainingTime() < 59990);
}

void TestLink::largeCountKeepsWholeThreshold()
{
    Rig r;
    r.connect();
    QSignalSpy blocks(&r.link, &LinkSession::blockReceived);
    r.countReply(QByteArray::fromHex("05056363")); // 99 x 100 + 99 = 9999 records
    QCOMPARE(r.link.recordCount(), qint16(9999));
    QCOMPARE(r.port->rThreshold(), 69993);
    r.link.blockRequestTick();
    QCOMPARE(r.link.lastCommand(), qint16(25));
    // Nothing is handed on before the whole block is in.
    r.port->deliver(QByteArray(69992, '\x01'));
    QVERIFY(blocks.isEmpty());
    r.port->deliver(QByteArray(1, '\x01'));
    QCOMPARE(blocks.count(), 1);
    QCOMPARE(blocks.first().at(0).toByteArray().size(), 69993);
    QCOMPARE(blocks.first().at(1).value<qint16>(), qint16(9999));
}

// ---- Readings and other bursts ----

void TestLink::realtimeBurstOfNineDecodedOnce()
{
    Rig r;
    r.connect();
    r.countReply(QByteArray::fromHex("0505000c"));
    QCOMPARE(r.link.recordCount(), qint16(12));
    r.link.setOperatingMode(Protocol::RealtimeSampling);
    r.link.send(35);
    QSignalSpy readings(&r.link, &LinkSession::readingReceived);
    QSignalSpy statuses(&r.link, &LinkSession::status);
    const QByteArray burst = QByteArray::fromHex("020001010005ff0102");
    r.port->deliver(burst);
    QCOMPARE(readings.count(), 1);
    QCOMPARE(readings.first().at(0).toByteArray(), burst); // the whole burst, extra bytes too
    QCOMPARE(r.link.recordCount(), qint16(1));
    QCOMPARE(texts(statuses), QStringList{"receive data"});
}

void TestLink::otherEventKindsIgnored()
{
    Rig r;
    r.port->forceOpen(1);
    r.link.send(5);
    r.port->deliver(QByteArray::fromHex("d555")); // waiting, below the threshold
    r.silentTicks(2);
    QSignalSpy up(&r.link, &LinkSession::linkUp);
    // An OnComm with no receive event (commEvent 0) is not a reply.
    emit r.port->OnComm();
    QCOMPARE(r.link.silentTicks(), qint16(2));
    QVERIFY(!r.link.connected());
    QVERIFY(up.isEmpty());
    QCOMPARE(r.port->waiting(), QByteArray::fromHex("d555")); // nothing was taken
}

// ---- The window ----

void TestLink::runControls()
{
    TestWindow w;
    w.connectOn();
    w->Command2_Click(); // pause
    QCOMPARE(w->link().runState(), qint16(0));
    QVERIFY(w->traceEnabled());
    w->comunication_Timer();
    QCOMPARE(w.port->written, QByteArray::fromHex("05")); // keep-alive, not a reading
    w.port->deliver(QByteArray::fromHex("D55555"));

    w.port->resetRecords();
    w->Command1_Click(); // start: a reading at once
    QCOMPARE(w->link().runState(), qint16(1));
    QVERIFY(w->traceEnabled());
    QCOMPARE(w.port->written, QByteArray::fromHex("23"));

    w->Command3_Click(); // stop
    QCOMPARE(w->link().runState(), qint16(0));
    QVERIFY(!w->traceEnabled());
    QCOMPARE(w->ui().Label7->text(), QStringLiteral("STOP"));
    QCOMPARE(w->ui().Label25->text(), QStringLiteral("STOP"));

    // The run menu items call the buttons' handlers.
    w->ui().mnurun1->trigger();
    QCOMPARE(w->link().runState(), qint16(1));
    w->ui().mnupause->trigger();
    QCOMPARE(w->link().runState(), qint16(0));
    QVERIFY(w->traceEnabled());
    w->ui().mnustop->trigger();
    QVERIFY(!w->traceEnabled());

    // "Mode" after a stop: the switch, a reading, and the trace on again.
    w.advance(1000); // the readings asked for are not coming
    w.port->resetRecords();
    w->ui().mnuchangemode->trigger();
    w.advance(1000);
    QCOMPARE(w.port->written, QByteArray::fromHex("3723"));
    QCOMPARE(w->link().runState(), qint16(1));
    QVERIFY(w->traceEnabled());
}

void TestLink::stopClearsTrendButKeepsLastEntry()
{
    TestWindow w;
    w.stopTimers();
    w->ui().Slider2->setValue(4); // 500 segments: the samples go to entries 1..500
    for (int n = 0; n < 500; ++n)
        w->AppendTrendSample(1.0f, 2.0f, 7.0f);
    QCOMPARE(w->trend().sampleIndex(), qint16(500));
    QCOMPARE(w->trend().trendSamples()[1], 7.0f);
    w->Command3_Click();
    QCOMPARE(w->trend().sampleIndex(), qint16(0));
    QCOMPARE(w->trend().trendSamples()[1], 0.0f);
    QCOMPARE(w->trend().trendSamples()[499], 0.0f);
    // Entry 500 stays: it is the last point of the longest window.
    QCOMPARE(w->trend().trendSamples()[500], 7.0f);
}

void TestLink::modeMenuInStoredModeSendsOnly55()
{
    TestWindow w;
    w.connectOn();
    w->Option2_Click();
    w->Command3_Click(); // trace off, so the menu has something to switch on
    QVERIFY(w->ui().mnuchangemode->isEnabled());
    w->ui().mnuchangemode->trigger();
    QCOMPARE(w.port->written, QByteArray::fromHex("37"));
    QCOMPARE(w->link().runState(), qint16(1));
    QVERIFY(w->traceEnabled());
}

void TestLink::windowFollowsTheStoredExchange()
{
    TestWindow w;
    w.stopTimers();
    w->show();
    w.connectOn();
    w->Option2_Click();
    const QString listingBefore = w->ui().RichTextBox1->toPlainText();
    QTest::mouseClick(w->ui().Command4, Qt::LeftButton);
    QCOMPARE(w.port->written, QByteArray::fromHex("0f"));
    w.port->deliver(QByteArray::fromHex("05050002"));
    QCOMPARE(w->ui().Label6->text(), QStringLiteral("Save num:2"));
    QVERIFY(w->ui().transferProgress->isHidden());

    w->Timer3_Timer();
    QVERIFY(!w->ui().transferProgress->isHidden());
    QCOMPARE(w->ui().transferProgress->maximum(), 14);
    QCOMPARE(w->ui().transferProgress->value(), 0);
    w.port->deliver(QByteArray::fromHex("01007b01002d04"));
    QCOMPARE(w->ui().transferProgress->value(), 7); // progress follows the bytes
    w.port->deliver(QByteArray::fromHex("02012c0200051e"));
    QVERIFY(w->ui().transferProgress->isHidden());
    QCOMPARE(w->ui().Label6->text(), QStringLiteral("receive old data"));
    // The block reached the listing: both records, the first one's value as sent.
    const QString listing = w->ui().RichTextBox1->toPlainText();
    QVERIFY(listing.startsWith(listingBefore));
    QVERIFY(listing.contains(QStringLiteral("12.3 Ohm")));
    QVERIFY(listing.contains(QStringLiteral("002")));
}

void TestLink::windowFollowsTheLinkState()
{
    TestWindow w;
    w.stopTimers();
    QCOMPARE(w->ui().Label2->text(), QStringLiteral("Tester unlink"));
    QVERIFY(w->ui().Shape1->fillColor() != LinkLamp::kUp);
    w.connectOn();
    QCOMPARE(w->ui().Label2->text(), QStringLiteral("connection success"));
    QCOMPARE(w->ui().Shape1->fillColor(), LinkLamp::kUp);

    // The link falls silent in the middle of a block: the lamp goes out and the bar goes away.
    w->Option2_Click();
    w->Command4_Click();
    w.port->deliver(QByteArray::fromHex("05050002"));
    w->Timer3_Timer();
    w.port->deliver(QByteArray::fromHex("01007b"));
    QVERIFY(!w->ui().transferProgress->isHidden());
    for (int tick = 0; tick < 5; ++tick)
        w->COMtimout_Timer();
    QCOMPARE(w->ui().Label2->text(), QStringLiteral("connection fail"));
    QCOMPARE(w->ui().Shape1->fillColor(), LinkLamp::kDown);
    QVERIFY(w->ui().transferProgress->isHidden());
}

QTEST_MAIN(TestLink)
#include "tst_link.moc"
