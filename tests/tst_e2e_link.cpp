// End to end over pseudo-terminals: finding the instrument, losing it and finding it again,
// ports in use or missing, and the end-of-link byte.
#include "tst_e2e_window.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QtTest>

using namespace E2e;

class TestE2eLink : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { m_rig.reset(); }

    void discoveryAndHandshake();
    void unpluggedDuringRealtimeIsFoundAgain();
    void vanishedDeviceIsFoundAgain();
    void garbageInsteadOfHandshakeDoesNotConnect();
    void portInUseIsSkipped();
    void missingPortIsSkipped();
    void closingSendsEndOfLink();

private:
    Rig &rig()
    {
        if (!m_rig)
            m_rig = std::make_unique<Rig>();
        return *m_rig;
    }
    // Starts with the instrument at `comPort` and waits for the link.
    bool connectAt(int comPort)
    {
        if (!rig().plugIn(comPort))
            return false;
        rig().sim.setPaced(false);
        rig().start();
        return waitFor([this] { return rig().link() == kConnected; }, 1000 * comPort + 2000);
    }

    std::unique_ptr<Rig> m_rig;
};

void TestE2eLink::discoveryAndHandshake()
{
    Rig &r = rig();
    QVERIFY(r.plugIn(3)); // COM1 and COM2 do not exist
    r.start();
    QTRY_COMPARE_WITH_TIMEOUT(r.link(), kConnected, 4000);
    QCOMPARE(r.opened(), QStringLiteral("COM3 open success"));
    QVERIFY(r.form->link().connected());
    // The handshake byte was the first thing the instrument heard.
    QVERIFY(!r.sim.received().isEmpty());
    QCOMPARE(quint8(r.sim.received().at(0)), quint8(5));

    // The next discovery tick ends the search: polling on, start and pause enabled.
    QTRY_VERIFY_WITH_TIMEOUT(!r.form->link().searchTimer()->isActive(), 1500);
    QVERIFY(r.form->link().pollTimer()->isActive());
    QVERIFY(r.form->ui().Command1->isEnabled());
    QVERIFY(r.form->ui().Command2->isEnabled());
    QCOMPARE(r.form->link().scanPort(), qint16(4));
    QCOMPARE(r.form->MSComm1().commPort(), 3);

    // Running in realtime mode: reading requests follow, and their replies are taken.
    r.sim.clearReceived();
    QTRY_VERIFY_WITH_TIMEOUT(r.sim.received().contains(char(35)), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(r.status(), QStringLiteral("receive data"), 2000);
    QCOMPARE(r.link(), kConnected);
}

void TestE2eLink::unpluggedDuringRealtimeIsFoundAgain()
{
    QVERIFY(connectAt(1));
    Rig &r = rig();
    QTRY_COMPARE_WITH_TIMEOUT(r.status(), QStringLiteral("receive data"), 2000);

    r.sim.setSilent(true);
    QTRY_COMPARE_WITH_TIMEOUT(r.link(), kFailed, kLossMs);
    QVERIFY(!r.form->link().connected());
    // Discovery moves on to the ports after the one that fell silent.
    QTRY_COMPARE_WITH_TIMEOUT(r.opened(), QStringLiteral("COM2 null"), 1500);

    r.sim.setSilent(false);
    r.sim.clearReceived();
    QTRY_COMPARE_WITH_TIMEOUT(r.link(), kConnected, kRecoveryMs);
    QCOMPARE(r.opened(), QStringLiteral("COM1 open success"));
    // Polling resumed on the found port.
    QTRY_VERIFY_WITH_TIMEOUT(r.sim.received().contains(char(35)), 2000);
}

void TestE2eLink::vanishedDeviceIsFoundAgain()
{
    QVERIFY(connectAt(1));
    Rig &r = rig();
    QTRY_COMPARE_WITH_TIMEOUT(r.status(), QStringLiteral("receive data"), 2000);

    // The adapter is pulled out: the device disappears under the open port.
    r.sim.vanish();
    QTRY_VERIFY_WITH_TIMEOUT(!r.form->MSComm1().portOpen(), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(r.link(), kFailed, kLossMs);

    // Plugged in again, it comes back as a new device at the same port number.
    QVERIFY(r.plugIn(1));
    QTRY_COMPARE_WITH_TIMEOUT(r.link(), kConnected, kRecoveryMs);
    QTRY_COMPARE_WITH_TIMEOUT(r.status(), QStringLiteral("receive data"), 2000);
}

void TestE2eLink::garbageInsteadOfHandshakeDoesNotConnect()
{
    Rig &r = rig();
    QVERIFY(r.plugIn(1));
    r.sim.setPaced(false);
    r.sim.faults().garbage = true;
    r.start();
    // Noise answers every request, so the supervision is fed, but noise is no handshake: the
    // search takes the noise and moves on to the next port.
    QVERIFY(waitFor([&] { return r.sim.repliesSent() > 0 && r.opened() == "COM2 null"; },
                    2 * 1000));
    QVERIFY(!r.form->link().connected());
    QVERIFY(r.link() != kConnected);
    QVERIFY(r.sim.repliesSent() > 0);

    r.sim.faults().garbage = false;
    QTRY_COMPARE_WITH_TIMEOUT(r.link(), kConnected, kRecoveryMs);
}

void TestE2eLink::portInUseIsSkipped()
{
    Rig &r = rig();
    // Another program holds the first port.
    InstrumentSim other;
    QVERIFY(other.open());
    QSerialPort holder(other.slavePath());
    QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
    r.ports->append(other.slavePath());
    QVERIFY(r.plugIn(2));
    r.sim.setPaced(false);
    r.start();

    QTRY_COMPARE_WITH_TIMEOUT(r.opened(), QStringLiteral("COM1 be occupied"), 1500);
    QTRY_COMPARE_WITH_TIMEOUT(r.link(), kConnected, 3000);
    QCOMPARE(r.opened(), QStringLiteral("COM2 open success"));
    QCOMPARE(r.form->MSComm1().commPort(), 2);
    // Nothing reached the other program's port, and it still has it. Once the instrument has
    // heard a poll after the handshake, a byte sent to the first port before would be in.
    r.sim.clearReceived();
    QTRY_VERIFY_WITH_TIMEOUT(!r.sim.received().isEmpty(), 2 * 1000);
    QCOMPARE(other.received(), QByteArray());
    QVERIFY(holder.isOpen());
}

void TestE2eLink::missingPortIsSkipped()
{
    Rig &r = rig();
    QVERIFY(r.plugIn(2)); // COM1 is a path that cannot exist
    r.sim.setPaced(false);
    r.start();
    QTRY_COMPARE_WITH_TIMEOUT(r.opened(), QStringLiteral("COM1 null"), 1500);
    QTRY_COMPARE_WITH_TIMEOUT(r.link(), kConnected, 3000);
    QCOMPARE(r.opened(), QStringLiteral("COM2 open success"));
}

void TestE2eLink::closingSendsEndOfLink()
{
    QVERIFY(connectAt(1));
    Rig &r = rig();
    QSignalSpy ended(&r.sim, &InstrumentSim::sessionEnded);
    QTRY_COMPARE_WITH_TIMEOUT(r.status(), QStringLiteral("receive data"), 2000);
    r.sim.clearReceived();

    r.form->close();
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 2000);
    QVERIFY(r.sim.received().endsWith(QByteArray(1, '\0')));
}

QTEST_MAIN(TestE2eLink)
#include "tst_e2e_link.moc"
