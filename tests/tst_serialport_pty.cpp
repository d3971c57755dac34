// The real port over a pseudo-terminal: the test plays the instrument on the master side.
#include "fakes/ptypair.h"
#include "fakes/waitfor.h"
#include "instrument-sim/instrumentsim.h"
#include "platform/qtserialport.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <sys/stat.h>
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

// A command as the program sends one: threshold, the byte, then both buffers emptied.
void send(SerialPort &port, int command, int threshold)
{
    port.setRThreshold(threshold);
    port.output(QByteArray(1, char(command)));
    port.clearInBuffer();
    port.clearOutBuffer();
}
} // namespace

class TestSerialPortPty : public QObject
{
    Q_OBJECT

private slots:
    void opensAsCom1WithFixedSettings();
    void replyByteByByteRaisesOneNotification();
    void burstAboveThresholdIsTakenWhole();
    void pacedBurstIsTakenWhole_data();
    void pacedBurstIsTakenWhole();
    void answersComeInTurn_data();
    void answersComeInTurn();
    void thresholdZeroRaisesNothing();
    void bytesBelowThresholdAreReported();
    void notificationNeverInsideACall();
    void commandByteSurvivesEmptyingBuffers_data();
    void commandByteSurvivesEmptyingBuffers();
    void commandSurvivesLineThatDoesNotDrain();
    void emptyingInputDiscardsOldReply();
    void openErrorsByErrno_data();
    void openErrorsByErrno();
    void openFailures_data();
    void openFailures();
    void nodeWithoutDeviceIsNoSuchPort();
    void portHeldElsewhereIsInUse();
    void deviceGroup_data();
    void deviceGroup();
    void readFindingNothingKeepsPortOpen();
    void vanishingDeviceClosesWithoutFlood();
    void unplugCutsBlockMidway();
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

void TestSerialPortPty::pacedBurstIsTakenWhole_data()
{
    QTest::addColumn<bool>("burst9");
    QTest::newRow("seven-byte reply") << false;
    QTest::newRow("nine-byte burst") << true;
}

void TestSerialPortPty::pacedBurstIsTakenWhole()
{
    // At 9600 baud a reply trickles in a byte per millisecond: the threshold of 7 is met two
    // bytes before the end of a nine-byte burst, and its one notification must bring all nine.
    QFETCH(bool, burst9);
    InstrumentSim sim;
    QVERIFY(sim.open());
    sim.faults().burst9 = burst9;
    const QByteArray reply = Sim::makeRecord(1, 1234, 2, 567, 3);
    sim.realtime().setScript({reply});
    const QByteArray burst = burst9 ? reply + reply.left(2) : reply;

    QtSerialPort port(PortMap(QStringList{sim.slavePath()}));
    QCOMPARE(port.openPort(), SerialPort::Opened);
    QList<QByteArray> taken;
    connect(&port, &SerialPort::OnComm, this, [&] { taken.append(port.input()); });
    // A burst the simulator itself paused in (this process not run in time on a busy machine)
    // may have ended on the line, and be rightly taken in two: only bursts whose bytes left at
    // their pace count.
    constexpr int kBursts = 5;
    int even = 0;
    int requests = 0;
    while (even < kBursts && requests < 10 * kBursts) {
        ++requests;
        send(port, 35, 7);
        QVERIFY(waitFor([&] { return sim.repliesSent() == requests && taken.size() == requests; },
                        2000));
        if (sim.lastReplyLongestGapNs() > InstrumentSim::kByteNs * 3 / 2)
            continue;
        QCOMPARE(taken.last(), burst);
        ++even;
    }
    if (even < kBursts)
        QSKIP("the machine is too busy to pace the line evenly");
    waitFor([] { return false; }, 50);
    QCOMPARE(taken.size(), requests); // one notification per burst, none for a remainder
}

void TestSerialPortPty::answersComeInTurn_data()
{
    QTest::addColumn<int>("lateMs");
    QTest::addColumn<int>("apartMs"); // between the three commands
    QTest::newRow("at once") << 0 << 0;
    QTest::newRow("80 ms late, commands together") << 80 << 0;
    QTest::newRow("80 ms late, commands 30 ms apart") << 80 << 30;
}

void TestSerialPortPty::answersComeInTurn()
{
    // A tester answers its commands in turn, as the simulator does when told to be late: each
    // answer whole, in the order of the commands, none before `late` after its own command.
    QFETCH(int, lateMs);
    QFETCH(int, apartMs);
    InstrumentSim sim;
    QVERIFY(sim.open());
    sim.faults().lateMs = lateMs;
    const QByteArray reading = Sim::makeRecord(1, 1234, 2, 567, 3);
    sim.realtime().setScript({reading});
    sim.setRecordCount(3);
    const QList<QByteArray> answers{Sim::handshakeReply(), reading, Sim::countReply(3)};

    QtSerialPort port(PortMap(QStringList{sim.slavePath()}));
    QCOMPARE(port.openPort(), SerialPort::Opened);
    QElapsedTimer clock;
    QList<std::pair<qint64, qint64>> arrivals; // when, bytes waiting
    connect(&port, &SerialPort::bytesArrived, this, [&](qint64 waiting) {
        arrivals.append({clock.elapsed(), waiting});
    });
    QList<qint64> sentAt;
    clock.start();
    for (const int command : {5, 35, 15}) {
        if (!sentAt.isEmpty() && apartMs > 0)
            waitFor([] { return false; }, apartMs);
        sentAt.append(clock.elapsed());
        port.output(QByteArray(1, char(command)));
    }
    QVERIFY(waitFor([&] { return sim.repliesSent() == 3; }, 2 * (lateMs + 2 * apartMs) + 1000));
    QVERIFY(waitFor([&] { return !arrivals.isEmpty() && arrivals.last().second == 14; }, 1000));
    QCOMPARE(port.input(), answers.at(0) + answers.at(1) + answers.at(2));
    qint64 before = 0; // bytes of the answers before this one
    for (qsizetype i = 0; i < answers.size(); ++i) {
        const auto first = std::find_if(arrivals.cbegin(), arrivals.cend(), [&](const auto &a) {
            return a.second > before;
        });
        QVERIFY(first != arrivals.cend());
        QVERIFY2(first->first >= sentAt.at(i) + lateMs,
                 qPrintable(QStringLiteral("answer %1 came %2 ms after its command")
                                    .arg(i + 1)
                                    .arg(first->first - sentAt.at(i))));
        before += answers.at(i).size();
    }
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
    // Taken out of the device at once: left inside QSerialPort, every small arrival of a long
    // block kept a read chunk of its own until the threshold.
    auto *device = port.findChild<QSerialPort *>();
    QVERIFY(device);
    QCOMPARE(device->bytesAvailable(), qint64(0));
    QCOMPARE(port.input(), QByteArray(3, '\x07'));
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

void TestSerialPortPty::commandSurvivesLineThatDoesNotDrain()
{
    // The instrument's side reads nothing for a while: the line fills and stops draining. A
    // command written then is neither waited for nor thrown away; it arrives, last and whole,
    // once the other side reads again.
    PtyPair pty;
    QtSerialPort port(PortMap(QStringList{pty.slavePath()}));
    QCOMPARE(port.openPort(), SerialPort::Opened);
    const QByteArray filler(64 * 1024, '\x11'); // more than a pseudo-terminal holds
    port.output(filler);
    port.clearOutBuffer();
    send(port, 35, 7);
    const QByteArray got = pty.readAtLeast(int(filler.size()) + 1, 10000);
    QCOMPARE(got.size(), filler.size() + 1);
    QCOMPARE(got.back(), '\x23');
    QVERIFY(port.portOpen());
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

void TestSerialPortPty::openErrorsByErrno_data()
{
    QTest::addColumn<int>("systemError");
    QTest::addColumn<int>("expected");
    QTest::newRow("ENOENT: no such node") << ENOENT << int(SerialPort::NoSuchPort);
    QTest::newRow("ENOTDIR: path through a file") << ENOTDIR << int(SerialPort::NoSuchPort);
    QTest::newRow("EIO: ttyS without a UART") << EIO << int(SerialPort::NoSuchPort);
    QTest::newRow("ENXIO: device not configured") << ENXIO << int(SerialPort::NoSuchPort);
    QTest::newRow("ENODEV: no driver") << ENODEV << int(SerialPort::NoSuchPort);
    QTest::newRow("EACCES: not in the device's group") << EACCES << int(SerialPort::NoPermission);
    QTest::newRow("EPERM: refused by policy") << EPERM << int(SerialPort::NoPermission);
    QTest::newRow("EBUSY: held exclusively") << EBUSY << int(SerialPort::InUse);
    QTest::newRow("ENOMEM: anything else") << ENOMEM << int(SerialPort::OtherFailure);
}

void TestSerialPortPty::openErrorsByErrno()
{
    QFETCH(int, systemError);
    QFETCH(int, expected);
    QCOMPARE(int(QtSerialPort::classifyOpenError(systemError)), expected);
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

void TestSerialPortPty::nodeWithoutDeviceIsNoSuchPort()
{
    // A device node whose device is gone opens with EIO, as /dev/ttyS* do on a machine without
    // those UARTs: a pseudo-terminal whose master has closed, reached through its descriptor.
    int master = -1;
    int slave = -1;
    QCOMPARE(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    ::close(master);
    const QString node = QStringLiteral("/proc/self/fd/%1").arg(slave);
    QtSerialPort port(PortMap(QStringList{node}));
    const SerialPort::OpenResult result = port.openPort();
    ::close(slave);
    QCOMPARE(int(result), int(SerialPort::NoSuchPort));
    QVERIFY(!port.portOpen());
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

void TestSerialPortPty::deviceGroup_data()
{
    QTest::addColumn<bool>("throughLink");
    QTest::addColumn<bool>("exists");
    QTest::newRow("device node") << false << true;
    QTest::newRow("link to the node, as /dev/ttyUSB0 may be") << true << true;
    QTest::newRow("no such node") << false << false;
}

void TestSerialPortPty::deviceGroup()
{
    QFETCH(bool, throughLink);
    QFETCH(bool, exists);
    PtyPair pty;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString path = exists ? pty.slavePath() : QStringLiteral("/nonexistent/dir/ttyUSB0");
    if (throughLink) {
        const QString link = dir.filePath(QStringLiteral("ttyUSB0"));
        QVERIFY(QFile::link(path, link));
        path = link;
    }
    QString expected;
    struct stat st
    {};
    if (exists) {
        QCOMPARE(::stat(pty.slavePath().toLocal8Bit().constData(), &st), 0);
        const group *owner = ::getgrgid(st.st_gid);
        QVERIFY(owner);
        expected = QString::fromLocal8Bit(owner->gr_name);
    }
    QtSerialPort port(PortMap(QStringList{path}));
    QCOMPARE(port.deviceGroup(), expected);
    port.setCommPort(2); // beyond the devices present
    QCOMPARE(port.deviceGroup(), QString());
}

void TestSerialPortPty::readFindingNothingKeepsPortOpen()
{
    // A read notification whose bytes were emptied (by a command sent between the poll and the
    // read) reads 0 bytes, and QSerialPort reports ResourceError from an errno left at EAGAIN.
    // Replayed exactly: the device's read notification is delivered with nothing waiting.
    PtyPair pty;
    QtSerialPort port(PortMap(QStringList{pty.slavePath()}));
    QCOMPARE(port.openPort(), SerialPort::Opened);
    port.setRThreshold(3);
    auto *device = port.findChild<QSerialPort *>();
    QVERIFY(device);
    QSocketNotifier *readNotifier = nullptr;
    for (QSocketNotifier *notifier : device->findChildren<QSocketNotifier *>()) {
        if (notifier->type() == QSocketNotifier::Read)
            readNotifier = notifier;
    }
    QVERIFY(readNotifier);
    QSignalSpy errors(device, &QSerialPort::errorOccurred);
    QSignalSpy closing(device, &QIODevice::aboutToClose);

    QEvent activation(QEvent::SockAct);
    errno = EAGAIN;
    QCoreApplication::sendEvent(readNotifier, &activation);
    const bool resourceError = std::any_of(errors.cbegin(), errors.cend(), [](const auto &args) {
        return args.at(0).template value<QSerialPort::SerialPortError>()
               == QSerialPort::ResourceError;
    });
    QVERIFY(resourceError); // the replay took Qt's path

    // Kept open (a close drops DTR, which resets some instruments), and reading goes on.
    QVERIFY(port.portOpen());
    QCOMPARE(closing.size(), 0);
    QSignalSpy notified(&port, &SerialPort::OnComm);
    QVERIFY(pty.write(QByteArray::fromHex("D55555")));
    QTRY_COMPARE_WITH_TIMEOUT(notified.size(), 1, 2000);
    QCOMPARE(port.input(), QByteArray::fromHex("D55555"));
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

void TestSerialPortPty::unplugCutsBlockMidway()
{
    // Unplugged while a block of records is on its way, the instrument sends nothing more of it;
    // plugged in again, it answers afresh with no rest of the old block in front.
    InstrumentSim sim;
    QVERIFY(sim.open());
    sim.setRecordCount(300); // 2100 bytes: over 2 s at 9600 baud
    QtSerialPort port(PortMap(QStringList{sim.slavePath()}));
    QCOMPARE(port.openPort(), SerialPort::Opened);
    QByteArray taken;
    connect(&port, &SerialPort::bytesArrived, this, [&] { taken += port.input(); });
    send(port, 25, 0);
    QTRY_VERIFY_WITH_TIMEOUT(taken.size() >= 70, 2000);

    sim.setSilent(true);
    QCOMPARE(sim.bytesQueued(), qint64(0));
    const qint64 sent = sim.bytesWritten();
    QVERIFY2(sent < 2100, qPrintable(QString::number(sent)));
    QTRY_COMPARE_WITH_TIMEOUT(qint64(taken.size()), sent, 2000);

    sim.setSilent(false);
    port.output(QByteArray(1, '\x05'));
    QTRY_VERIFY_WITH_TIMEOUT(qint64(taken.size()) >= sent + 3, 2000);
    spin(20);
    QCOMPARE(qint64(taken.size()), sent + 3);
    QCOMPARE(taken.right(3), QByteArray::fromHex("D55555"));
    QCOMPARE(sim.bytesWritten(), sent + 3);
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
