// Commands on the wire, polling, the run controls and the reply dispatch, on a fake port.
#include "fakes/testwindow.h"
#include "core/protocol.h"
#include "app/shapeindicator.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QtTest>

class TestLink : public QObject
{
    Q_OBJECT

private slots:
    void sendCommand_data();
    void sendCommand();
    void sendCommandBlockRequestKeepsThreshold();
    void sendCommandWithPortClosedSendsNothing();
    void countRequestStopsPolling();
    void polling_data();
    void polling();
    void timer4RequestsOnlyWhenRunningInRealtime_data();
    void timer4RequestsOnlyWhenRunningInRealtime();
    void timer3SendsBlockRequestOnce();
    void runControls();
    void stopClearsTrendButKeepsLastEntry();
    void stopKeepsSecondReadoutWhenSingleValue();
    void modeSwitchSendsTwoBytes();
    void readOnlyInStoredMode();
    void modeMenuInStoredModeSendsOnly55();
    void handshake_data();
    void handshake();
    void countReply_data();
    void countReply();
    void countZeroTakesEmptyBlockAtOnce();
    void largeCountKeepsWholeThreshold();
    void blockReplyResumesPolling();
    void realtimeBurstOfNineDecodedOnce();
    void anyBurstResetsSilence_data();
    void anyBurstResetsSilence();
    void otherEventKindsIgnored();
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
    TestWindow w;
    w.connectOn();
    w->SendCommand(qint16(command));
    QCOMPARE(w.port->written, QByteArray(1, char(command)));
    QCOMPARE(w.port->thresholds, QList<int>{threshold});
    QCOMPARE(w->lastCommand, qint16(command));
    // Both buffers emptied after the write.
    QCOMPARE(w.port->clearInCount, 1);
    QCOMPARE(w.port->clearOutCount, 1);
}

void TestLink::sendCommandBlockRequestKeepsThreshold()
{
    TestWindow w;
    w.connectOn();
    w.port->setRThreshold(84); // as the count reply of 12 records left it
    w.port->resetRecords();
    w->SendCommand(25);
    QCOMPARE(w.port->written, QByteArray::fromHex("19"));
    QVERIFY(w.port->thresholds.isEmpty());
    QCOMPARE(w.port->rThreshold(), 84);
    QCOMPARE(w->lastCommand, qint16(25));
}

void TestLink::sendCommandWithPortClosedSendsNothing()
{
    TestWindow w;
    w.connectOn();
    w->SendCommand(35);
    w.port->closePort();
    w.port->resetRecords();
    w->SendCommand(5);
    w->Command1_Click();
    QVERIFY(w.port->written.isEmpty());
    QVERIFY(w.port->thresholds.isEmpty());
    QCOMPARE(w->lastCommand, qint16(35));
    QCOMPARE(w->runState, qint16(1));
    QVERIFY(w->traceEnabled);
}

void TestLink::countRequestStopsPolling()
{
    TestWindow w;
    w.connectOn();
    w->comunication->start();
    w->Option2_Click();
    w->Command4_Click();
    QCOMPARE(w.port->written, QByteArray::fromHex("0f"));
    QVERIFY(!w->comunication->isActive());
    // Nothing answers: the polling stays off until a block or a new discovery.
    w->comunication_Timer(); // a tick already queued still sends its keep-alive
    QVERIFY(!w->comunication->isActive());
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
    TestWindow w;
    w.connectOn();
    w->connected = connected;
    w->operatingMode = qint16(mode);
    w->runState = qint16(runState);
    w->comunication_Timer();
    QCOMPARE(w.port->written, sent);
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
    TestWindow w;
    w.connectOn();
    w->connected = false; // Timer4 does not look at the link state
    w->operatingMode = qint16(mode);
    w->runState = qint16(runState);
    w->Timer4_Timer();
    QCOMPARE(w.port->written, sent);
}

void TestLink::timer3SendsBlockRequestOnce()
{
    TestWindow w;
    w.connectOn();
    w->recordCount = 12;
    w->Timer3->start();
    w->Timer3_Timer();
    QCOMPARE(w.port->written, QByteArray::fromHex("19"));
    QVERIFY(!w->Timer3->isActive());
    QVERIFY(!w->transferProgress->isHidden());
    QCOMPARE(w->transferProgress->maximum(), 84);
}

// ---- Run controls ----

void TestLink::runControls()
{
    TestWindow w;
    w.connectOn();
    w->Command2_Click(); // pause
    QCOMPARE(w->runState, qint16(0));
    QVERIFY(w->traceEnabled);
    w->comunication_Timer();
    QCOMPARE(w.port->written, QByteArray::fromHex("05")); // keep-alive, not a reading

    w.port->resetRecords();
    w->Command1_Click(); // start: a reading at once
    QCOMPARE(w->runState, qint16(1));
    QVERIFY(w->traceEnabled);
    QCOMPARE(w.port->written, QByteArray::fromHex("23"));

    w->Command3_Click(); // stop
    QCOMPARE(w->runState, qint16(0));
    QVERIFY(!w->traceEnabled);
    QCOMPARE(w->Label7->text(), QStringLiteral("STOP"));
    QCOMPARE(w->Label25->text(), QStringLiteral("STOP"));

    // The run menu items call the buttons' handlers.
    w->mnurun1->trigger();
    QCOMPARE(w->runState, qint16(1));
    w->mnupause->trigger();
    QCOMPARE(w->runState, qint16(0));
    QVERIFY(w->traceEnabled);
    w->mnustop->trigger();
    QVERIFY(!w->traceEnabled);
}

void TestLink::stopClearsTrendButKeepsLastEntry()
{
    TestWindow w;
    w->trendSamples.fill(7.0f);
    w->sampleIndex = 42;
    w->Command3_Click();
    QCOMPARE(w->sampleIndex, qint16(0));
    QCOMPARE(w->trendSamples[0], 0.0f);
    QCOMPARE(w->trendSamples[499], 0.0f);
    QCOMPARE(w->trendSamples[500], 7.0f);
}

void TestLink::stopKeepsSecondReadoutWhenSingleValue()
{
    TestWindow w;
    w->singleValue = 1;
    w->Label25->setText(QStringLiteral(" 4.5mA"));
    w->Label7->setText(QStringLiteral(" 12.3Ω"));
    w->Command3_Click();
    QCOMPARE(w->Label7->text(), QStringLiteral("STOP"));
    QCOMPARE(w->Label25->text(), QStringLiteral(" 4.5mA"));
}

void TestLink::modeSwitchSendsTwoBytes()
{
    TestWindow w;
    w.connectOn();
    w->Command2_Click();
    w->Command9_Click();
    QCOMPARE(w.port->written, QByteArray::fromHex("3723"));
    QCOMPARE(w->lastCommand, qint16(35));
    QCOMPARE(w.port->rThreshold(), 7);
    QCOMPARE(w->runState, qint16(1));
    QVERIFY(w->traceEnabled);
}

void TestLink::readOnlyInStoredMode()
{
    TestWindow w;
    w.connectOn();
    w->StartStoredRead(); // realtime mode: nothing
    QVERIFY(w.port->written.isEmpty());
    w->Option2_Click();
    w->Command4_Click();
    QCOMPARE(w.port->written, QByteArray::fromHex("0f"));
    QCOMPARE(w.port->rThreshold(), 4);
}

void TestLink::modeMenuInStoredModeSendsOnly55()
{
    TestWindow w;
    w.connectOn();
    w->Option2_Click();
    QVERIFY(w->mnuchangemode->isEnabled());
    w->mnuchangemode->trigger();
    QCOMPARE(w.port->written, QByteArray::fromHex("37"));
    QCOMPARE(w->runState, qint16(1));
    QVERIFY(w->traceEnabled);
}

// ---- Reply dispatch ----

void TestLink::handshake_data()
{
    QTest::addColumn<bool>("connectedBefore");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("connectedAfter");
    QTest::addColumn<QString>("label2");
    QTest::newRow("good") << false << QByteArray::fromHex("d55555") << true
                          << QStringLiteral("connection success");
    QTest::newRow("last byte wrong")
            << false << QByteArray::fromHex("d55554") << false << QStringLiteral("Tester unlink");
    QTest::newRow("first byte wrong")
            << false << QByteArray::fromHex("d45555") << false << QStringLiteral("Tester unlink");
    QTest::newRow("good with trailing byte") << false << QByteArray::fromHex("d5555500") << true
                                             << QStringLiteral("connection success");
    QTest::newRow("keep-alive answer once connected")
            << true << QByteArray::fromHex("d55555") << true << QStringLiteral("Tester unlink");
}

void TestLink::handshake()
{
    QFETCH(bool, connectedBefore);
    QFETCH(QByteArray, reply);
    QFETCH(bool, connectedAfter);
    QFETCH(QString, label2);
    TestWindow w;
    w.connectOn();
    w->connected = connectedBefore;
    w->SendCommand(5);
    w->silentTicks = 3;
    w.port->deliver(reply);
    QCOMPARE(w->connected, connectedAfter);
    QCOMPARE(w->Label2->text(), label2);
    // The link lamp lights with the handshake that connects.
    QCOMPARE(w->Shape1->fillColor() == Form1::kLinkUpColor, connectedAfter && !connectedBefore);
    QCOMPARE(w->replyBuffer, reply);
    QCOMPARE(w->silentTicks, qint16(0));
}

void TestLink::countReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("label6");
    QTest::addColumn<int>("threshold");
    QTest::addColumn<bool>("blockArmed");
    QTest::newRow("12 records") << QByteArray::fromHex("0505000c") << 12
                                << QStringLiteral("Save num:12") << 84 << true;
    QTest::newRow("hundreds and units, 307") << QByteArray::fromHex("05050307") << 307
                                             << QStringLiteral("Save num:307") << 2149 << true;
    QTest::newRow("bad marker") << QByteArray::fromHex("0504000c") << 0
                                << QStringLiteral("receive error") << 4 << false;
    QTest::newRow("bad first byte") << QByteArray::fromHex("0605000c") << 0
                                    << QStringLiteral("receive error") << 4 << false;
}

void TestLink::countReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, count);
    QFETCH(QString, label6);
    QFETCH(int, threshold);
    QFETCH(bool, blockArmed);
    TestWindow w;
    w.connectOn();
    w->Option2_Click();
    w->Command4_Click();
    w.port->resetRecords();
    w.port->deliver(reply);
    QCOMPARE(w->recordCount, qint16(count));
    QCOMPARE(w->Label6->text(), label6);
    QCOMPARE(w.port->rThreshold(), threshold);
    QCOMPARE(w->Timer3->isActive(), blockArmed);
    QVERIFY(!w->comunication->isActive()); // polling stays off either way
    QVERIFY(w.port->written.isEmpty());    // 25 waits for Timer3
}

void TestLink::countZeroTakesEmptyBlockAtOnce()
{
    TestWindow w;
    w.connectOn();
    w->Option2_Click();
    w->Command4_Click();
    w.port->resetRecords();
    w.port->deliver(QByteArray::fromHex("05050000"));
    QCOMPARE(w->recordCount, qint16(0));
    QVERIFY(w.port->written.isEmpty()); // no block request for nothing
    QVERIFY(!w->Timer3->isActive());
    QCOMPARE(w->Label6->text(), QStringLiteral("receive old data"));
    QCOMPARE(w.port->rThreshold(), 3);
    QVERIFY(w->comunication->isActive());
}

void TestLink::largeCountKeepsWholeThreshold()
{
    TestWindow w;
    w.connectOn();
    w->Option2_Click();
    w->Command4_Click();
    w.port->deliver(QByteArray::fromHex("05056363")); // 99 x 100 + 99 = 9999 records
    QCOMPARE(w->recordCount, qint16(9999));
    QCOMPARE(w.port->rThreshold(), 69993);
    w->Timer3_Timer();
    QCOMPARE(w->lastCommand, qint16(25));
    // Nothing is decoded before the whole block is in.
    w.port->deliver(QByteArray(69992, '\x01'));
    QVERIFY(w->Label6->text() != QStringLiteral("receive old data"));
    w.port->deliver(QByteArray(1, '\x01'));
    QCOMPARE(w->Label6->text(), QStringLiteral("receive old data"));
    QCOMPARE(w->replyBuffer.size(), 69993);
}

void TestLink::blockReplyResumesPolling()
{
    TestWindow w;
    w.connectOn();
    w->Option2_Click();
    w->Command4_Click();
    w.port->deliver(QByteArray::fromHex("05050002"));
    w->Timer3_Timer();
    QVERIFY(!w->transferProgress->isHidden());
    w.port->deliver(QByteArray::fromHex("01007b01002d04"));
    QCOMPARE(w->transferProgress->value(), 7); // progress follows the bytes
    w.port->deliver(QByteArray::fromHex("02012c0200051e"));
    QCOMPARE(w->replyBuffer.size(), 14);
    QCOMPARE(w->Label6->text(), QStringLiteral("receive old data"));
    QCOMPARE(w.port->rThreshold(), 3);
    QVERIFY(w->comunication->isActive());
    QVERIFY(w->transferProgress->isHidden());
}

void TestLink::realtimeBurstOfNineDecodedOnce()
{
    TestWindow w;
    w.connectOn();
    w->recordCount = 12;
    w->SendCommand(35);
    w->Label6->setText(QStringLiteral("input error"));
    QSignalSpy spy(w.port, &SerialPort::OnComm);
    w.port->deliver(QByteArray::fromHex("020001010005ff0102"));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(w->replyBuffer.size(), 9);
    QCOMPARE(w->recordCount, qint16(1));
    QCOMPARE(w->Label6->text(), QStringLiteral("receive data"));
}

void TestLink::anyBurstResetsSilence_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QByteArray>("burst");
    QTest::newRow("after 5, below threshold") << 5 << QByteArray::fromHex("d5");
    QTest::newRow("after 35, below threshold") << 35 << QByteArray::fromHex("0200");
    QTest::newRow("after 55") << 55 << QByteArray::fromHex("00000000");
    QTest::newRow("after 0") << 0 << QByteArray::fromHex("01020304");
}

void TestLink::anyBurstResetsSilence()
{
    QFETCH(int, command);
    QFETCH(QByteArray, burst);
    TestWindow w;
    w.connectOn();
    w->SendCommand(qint16(command));
    w->silentTicks = 4;
    w.port->deliver(burst);
    QCOMPARE(w->silentTicks, qint16(0));
}

void TestLink::otherEventKindsIgnored()
{
    TestWindow w;
    w.connectOn();
    w->connected = false;
    w->SendCommand(5);
    w->silentTicks = 2;
    // An OnComm with no receive event (commEvent 0) is not a reply.
    emit w.port->OnComm();
    QCOMPARE(w->silentTicks, qint16(2));
    QVERIFY(!w->connected);
}

QTEST_MAIN(TestLink)
#include "tst_link.moc"
