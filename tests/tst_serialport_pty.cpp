// The real port over a pseudo-terminal: the test plays the instrument on the master side.
#include "fakes/ptypair.h"
#include "platform/qtserialport.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {
// Collects what an OnComm handler would see: the event kind and the bytes taken.
struct Receiver
{
    QList<int> kinds;
    QList<QByteArray> inputs;
};

void spin(int ms)
{
    QTest::qWait(ms);
}
} // namespace

class TestSerialPortPty : public QObject
{
    Q_OBJECT

private slots:
    void opensAsCom1WithFixedSettings();
    void replyByteByByteRaisesOneNotification();
    void burstAboveThresholdIsTakenWhole();
    void thresholdZeroRaisesNothing();
    void bytesBelowThresholdAreReported();
    void notificationNeverInsideACall();
    void commandByteSurvivesEmptyingBuffers_data();
    void commandByteSurvivesEmptyingBuffers();
    void emptyingInputDiscardsOldReply();
    void openFailures_data();
    void openFailures();
    void portHeldElsewhereIsInUse();
    void vanishingDeviceClosesWithoutFlood();
    void closeSendsNothing();
};

void TestSerialPortPty::opensAsCom1WithFixedSettings()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    QtSerialPort port(PortMap(QStringList{pty.slavePath()}));
    port.setCommPort(1);
    QCOMPARE(port.openPort(), SerialPort::Opened);
    QVERIFY(port.portOpen());
    QCOMPARE(port.commPort(), 1);

    // The line settings live with the terminal: look at them through a second descriptor.
    const int fd = ::open(pty.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    termios tio{};
    QCOMPARE(::tcgetattr(fd, &tio), 0);
    ::close(fd);
    QCOMPARE(::cfgetospeed(&tio), speed_t(B9600));
    QCOMPARE(::cfgetispeed(&tio), speed_t(B9600));
    QCOMPARE(tio.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));
    QCOMPARE(tio.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP), tcflag_t(0));
    QCOMPARE(tio.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0));
    QCOMPARE(tio.c_oflag & OPOST, tcflag_t(0));

    port.closePort();
    QVERIFY(!port.portOpen());
}

void TestSerialPortPty::replyByteByByteRaisesOneNotification()
{
    PtyPair pty;
    QtSerialPort port(PortMap(QStringList{pty.slavePath()}));
    QCOMPARE(port.openPort(), SerialPort::Opened);
    port.setRThreshold(7);
    Receiver got;
    connect(&port, &SerialPort::OnComm, this, [&] {
        got.kinds.append(port.commEvent());
        got.inputs.append(port.input());
    });
    const QByteArray reply = QByteArray::fromHex("01020A030B04FF");
    for (qsizetype i = 0; i < reply.size(); ++i) {
        QCOMPARE(got.inputs.size(), 0); // nothing before the seventh byte
        QVERIFY(pty.write(reply.mid(i, 1)));
        spin(15);
    }
    QTRY_COMPARE_WITH_TIMEOUT(got.inputs.size(), 1, 2000);
    spin(100);
    QCOMPARE(got.inputs.size(), 1);
    QCOMPARE(got.kinds, QList<int>{SerialPort::EventReceive});
    QCOMPARE(got.inputs.first(), reply);
    QCOMPARE(port.commEvent(), int(SerialPort::EventNone)); // only while being delivered
}

void TestSerialPortPty::burstAboveThresholdIsTakenWhole()
{
    PtyPair pty;
    QtSerialPort port(PortMap(QStringList{pty.slavePath()}));
    QCOMPARE(port.openPort(), SerialPort::Opened);
    port.setRThreshold(7);
    Receiver got;
    connect(&port, &SerialPort::OnComm, this, [&] { got.inputs.append(port.input()); });
    const QByteArray burst = QByteArray::fromHex("010203040506070809");
    QVERIFY(pty.write(burst));
    QTRY_COMPARE_WITH_TIMEOUT(got.inputs.size(), 1, 2000);
    spin(100);
    QCOMPARE(got.inputs.size(), 1);
    QCOMPARE(got.inputs.first(), burst);
    QVERIFY(port.input().isEmpty()); // taken and removed
}

void TestSerialPortPty::thresholdZeroRaisesNothing()
{
    PtyPair pty;
    QtSerialPort port(PortMap(QStringList{pty.slavePath()}));
    QCOMPARE(port.openPort(), SerialPort::Opened);
    port.setRThreshold(0);
    QSignalSpy notified(&port, &SerialPort::OnComm);
    QSignalSpy arrived(&port, &SerialPort::bytesArrived);
    QVERIFY(pty.write(QByteArray(21, '\x01')));
    QTRY_VERIFY_WITH_TIMEOUT(!arrived.isEmpty(), 2000);
    spin(200);
    QCOMPARE(notified.size(), 0);
    QCOMPARE(port.input(), QByteArray(21, '\x01')); // the bytes are there all the same
}

void TestSerialPortPty::bytesBelowThresholdAreReported()
{
    PtyPair pty;
    QtSerialPort port(PortMap(QStringList{pty.slavePath()}));
    QCOMPARE(port.openPort(), SerialPort::Opened);
    port.setRThreshold(700);
    QSignalSpy notified(&port, &SerialPort::OnComm);
    QSignalSpy arrived(&port, &SerialPort::bytesArrived);
    QVERIFY(pty.write(QByteArray(3, '\x07')));
    QTRY_VERIFY_WITH_TIMEOUT(!arrived.isEmpty(), 2000);
    QCOMPARE(arrived.last().at(0).toLongLong(), qint64(3));
    QCOMPARE(notified.size(), 0);
}

void TestSerialPortPty::notificationNeverInsideACall()
{
    // The reply is already on the line when the next command goes out: QSerialPort reads it
    // while waiting for the write, but the handlers only hear of it from the event loop.
    PtyPair pty;
    QtSerialPort port(PortMap(QStringList{pty.slavePath()}));
    QCOMPARE(port.openPort(), SerialPort::Opened);
    QSignalSpy notified(&port, &SerialPort::OnComm);
    QSignalSpy arrived(&port, &SerialPort::bytesArrived);
    QVERIFY(pty.write(QByteArray::fromHex("D55555")));
    QThread::msleep(20);
    port.setRThreshold(3);
    port.output(QByteArray(1, '\x05'));
    port.clearOutBuffer();
    QCOMPARE(notified.size(), 0);
    QCOMPARE(arrived.size(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(notified.size(), 1, 2000);
    QCOMPARE(port.input(), QByteArray::fromHex("D55555"));
}

void TestSerialPortPty::commandByteSurvivesEmptyingBuffers_data()
{
    QTest::addColumn<int>("command");
    QTest::newRow("end of link") << 0;
    QTest::newRow("handshake") << 5;
    QTest::newRow("count") << 15;
    QTest::newRow("block") << 25;
    QTest::newRow("reading") << 35;
    QTest::newRow("mode switch") << 55;
}

void TestSerialPortPty::commandByteSurvivesEmptyingBuffers()
{
    QFETCH(int, command);
    PtyPair pty;
    QtSerialPort port(PortMap(QStringList{pty.slavePath()}));
    QCOMPARE(port.openPort(), SerialPort::Opened);
    // As the program sends a command: write, then empty the receive buffer and the transmit
    // queue. The test does not read until afterwards.
    port.output(QByteArray(1, char(command)));
    port.clearInBuffer();
    port.clearOutBuffer();
    QCOMPARE(pty.readAtLeast(1, 2000), QByteArray(1, char(command)));
    // Twice in a row ("》" sends 55 then 35): both arrive, in order.
    port.output(QByteArray(1, '\x37'));
    port.clearInBuffer();
    port.clearOutBuffer();
    port.output(QByteArray(1, '\x23'));
    port.clearInBuffer();
    port.clearOutBuffer();
    QCOMPARE(pty.readAtLeast(2, 2000), QByteArray::fromHex("3723"));
}

void TestSerialPortPty::emptyingInputDiscardsOldReply()
{
    PtyPair pty;
    QtSerialPort port(PortMap(QStringList{pty.slavePath()}));
    QCOMPARE(port.openPort(), SerialPort::Opened);
    port.setRThreshold(0);
    QSignalSpy arrived(&port, &SerialPort::bytesArrived);
    QVERIFY(pty.write(QByteArray(5, '\x09')));
    QTRY_VERIFY_WITH_TIMEOUT(!arrived.isEmpty(), 2000);
    port.clearInBuffer();
    QVERIFY(port.input().isEmpty());
    QVERIFY(pty.write(QByteArray::fromHex("0102")));
    QByteArray taken;
    QTRY_VERIFY_WITH_TIMEOUT((taken += port.input()).size() >= 2, 2000);
    QCOMPARE(taken, QByteArray::fromHex("0102"));
}

void TestSerialPortPty::openFailures_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("portNumber");
    QTest::addColumn<int>("expected");
    QTest::newRow("device path that does not exist")
            << "/nonexistent/dir/ttyUSB0" << 1 << int(SerialPort::NoSuchPort);
    QTest::newRow("port number beyond the devices present")
            << "/dev/null" << 2 << int(SerialPort::NoSuchPort);
    QTest::newRow("not a serial device") << "/dev/null" << 1 << int(SerialPort::OtherFailure);
}

void TestSerialPortPty::openFailures()
{
    QFETCH(QString, device);
    QFETCH(int, portNumber);
    QFETCH(int, expected);
    QtSerialPort port(PortMap(QStringList{device}));
    port.setCommPort(portNumber);
    QCOMPARE(int(port.openPort()), expected);
    QVERIFY(!port.portOpen());
    QSignalSpy arrived(&port, &SerialPort::bytesArrived);
    port.output(QByteArray(1, '\x05')); // on a closed port: nothing, no crash
    port.clearInBuffer();
    port.clearOutBuffer();
    QVERIFY(port.input().isEmpty());
}

void TestSerialPortPty::portHeldElsewhereIsInUse()
{
    PtyPair pty;
    const PortMap map(QStringList{pty.slavePath()});
    QtSerialPort holder(map);
    QCOMPARE(holder.openPort(), SerialPort::Opened);
    QtSerialPort port(map);
    QCOMPARE(port.openPort(), SerialPort::InUse);
    QVERIFY(!port.portOpen());
    QVERIFY(holder.portOpen()); // the holder keeps it
    holder.closePort();
    QCOMPARE(port.openPort(), SerialPort::Opened); // free again once let go
}

void TestSerialPortPty::vanishingDeviceClosesWithoutFlood()
{
    PtyPair pty;
    QtSerialPort port(PortMap(QStringList{pty.slavePath()}));
    QCOMPARE(port.openPort(), SerialPort::Opened);
    port.setRThreshold(3);
    auto *device = port.findChild<QSerialPort *>();
    QVERIFY(device);
    QSignalSpy errors(device, &QSerialPort::errorOccurred);
    QSignalSpy readies(device, &QSerialPort::readyRead);
    QSignalSpy notified(&port, &SerialPort::OnComm);

    pty.closeMaster(); // the adapter is pulled out
    QTRY_VERIFY_WITH_TIMEOUT(!port.portOpen(), 2000);
    spin(300);
    QVERIFY2(errors.size() < 10, qPrintable(QString::number(errors.size())));
    QVERIFY2(readies.size() < 10, qPrintable(QString::number(readies.size())));
    QCOMPARE(notified.size(), 0);
    // Later commands on the vanished port are skipped quietly.
    port.output(QByteArray(1, '\x05'));
    port.clearInBuffer();
    port.clearOutBuffer();
    QVERIFY(port.input().isEmpty());
    QVERIFY(port.openPort() != SerialPort::Opened);
    QVERIFY(!port.portOpen());
}

void TestSerialPortPty::closeSendsNothing()
{
    PtyPair pty;
    QtSerialPort port(PortMap(QStringList{pty.slavePath()}));
    QCOMPARE(port.openPort(), SerialPort::Opened);
    port.closePort();
    QVERIFY(!port.portOpen());
    spin(50);
    QVERIFY(pty.readAvailable().isEmpty());
}

QTEST_MAIN(TestSerialPortPty)
#include "tst_serialport_pty.moc"
