// --ports end to end: the devices listed become COM1, COM2, ... of the real serial port, in
// their order, and the simulated instrument answers the handshake on the one it sits on.
#include "app/commandline.h"
#include "fakes/ptypair.h"
#include "instrument-sim/instrumentsim.h"
#include "platform/serialport.h"

#include <QSignalSpy>
#include <QTest>

namespace {
const QByteArray kHandshake(1, char(5));
const QByteArray kHandshakeReply = QByteArray::fromHex("D55555");
} // namespace

class CommandLinePtyTest : public QObject
{
    Q_OBJECT

private slots:
    void portsBecomeComPortsInOrder()
    {
        PtyPair other; // a serial device that is not the instrument
        InstrumentSim sim;
        QVERIFY(other.isValid());
        QVERIFY(sim.open());
        const CommandLine::Options options = CommandLine::parse(
                {"quillobarent",
                 "--ports",
                 "/nonexistent/dir/ttyUSB9," + other.slavePath() + ',' + sim.slavePath()});
        QCOMPARE(options.action, CommandLine::Options::Action::Run);
        const std::unique_ptr<SerialPort> port = CommandLine::makePort(options);

        // COM1 is the first entry, which is not there; COM4 is past the list.
        for (int missing : {1, 4}) {
            port->setCommPort(missing);
            QCOMPARE(port->openPort(), SerialPort::NoSuchPort);
        }

        // COM2 is the second device: the handshake reaches it, not the instrument.
        port->setCommPort(2);
        QCOMPARE(port->openPort(), SerialPort::Opened);
        port->output(kHandshake);
        QCOMPARE(other.readAtLeast(1, 2000), kHandshake);
        port->closePort();
        QVERIFY(sim.received().isEmpty());

        // COM3 is the instrument, which answers.
        port->setCommPort(3);
        QCOMPARE(port->openPort(), SerialPort::Opened);
        port->setRThreshold(kHandshakeReply.size());
        QSignalSpy onComm(port.get(), &SerialPort::OnComm);
        port->output(kHandshake);
        QVERIFY(onComm.wait(2000));
        QCOMPARE(port->input(), kHandshakeReply);
        QCOMPARE(sim.received(), kHandshake);
        port->closePort();
    }
};

QTEST_GUILESS_MAIN(CommandLinePtyTest)
#include "tst_commandline_pty.moc"
