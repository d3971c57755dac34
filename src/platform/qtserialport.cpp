#include "platform/qtserialport.h"

#include "core/linkprofile.h"
#include "platform/posixdescriptor.h"
#include "platform/systemserialport.h"

#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <utility>

namespace {
// Bytes the driver gathers before waking the port while the threshold is further off than that
// (33 ms at 9600 baud), and how often bytes short of a batch are looked for meanwhile, so that
// arrivals are still reported when the line stops in the middle of a batch.
constexpr int kWakeBatch = 32;
constexpr int kSweepMs = 50;
} // namespace

QtSerialPort::QtSerialPort(PortMap map, QObject *parent)
    : FramedSerialPort(std::move(map), parent)
    , m_port(this)
{
    // A child, so diagnostics and tests can watch the device's own signals.
    m_port.setObjectName(QStringLiteral("MSComm1Device"));
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialPort::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onErrorOccurred);
    m_sweepTimer.setInterval(kSweepMs);
    connect(&m_sweepTimer, &QTimer::timeout, this, &QtSerialPort::onSweep);
}

QtSerialPort::~QtSerialPort()
{
    closePort();
}

bool QtSerialPort::portOpen() const
{
    return m_port.isOpen();
}

void QtSerialPort::closeDevice()
{
    m_sweepTimer.stop();
    if (!m_port.isOpen())
        return;
    constexpr qint64 settle = LinkProfile::kLineSettleMs;
    if (m_lastOutput.isValid() && m_lastOutput.elapsed() < settle)
        QThread::msleep(quint64(settle - m_lastOutput.elapsed()));
    // The driver's close waits for its transmit queue to leave, on serial ports for up to 30 s.
    // A queue still there after the settling time belongs to a device that does not drain: it
    // would never arrive, so it goes rather than freezing the window. (A pseudo-terminal reports
    // no queue here, so nothing the other side has still to read is lost.)
    if (PosixDescriptor::bytesToWrite(m_port.handle()) > 0)
        m_port.clear(QSerialPort::Output);
    m_port.close();
}

QString QtSerialPort::deviceGroup() const
{
    const QString path = devicePath();
    if (path.isEmpty())
        return {};
    const QFileInfo node(path);
    return node.exists() ? node.group() : QString();
}

SerialPort::OpenResult QtSerialPort::classifyOpenError(int systemError)
{
    switch (systemError) {
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
    case EIO: // a node without its device, as /dev/ttyS* are where the machine has no UART
        return NoSuchPort;
    case EACCES:
    case EPERM:
        return NoPermission;
    case EBUSY: // held exclusively by another program
        return InUse;
    default:
        return OtherFailure;
    }
}

SerialPort::OpenResult QtSerialPort::openPort()
{
    closePort();
    const QString device = devicePath();
    if (device.isEmpty())
        return NoSuchPort;

    static_assert(!LinkProfile::kParity && LinkProfile::kStopBits == 1);
    m_port.setPortName(device);
    m_port.setBaudRate(LinkProfile::kBaudRate);
    m_port.setDataBits(QSerialPort::DataBits(LinkProfile::kDataBits));
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (m_port.open(QIODevice::ReadWrite)) {
        m_port.clearError();
        m_wakeSize = 0; // QSerialPort opens the line with VMIN 0: every byte wakes the port
        return Opened;
    }
    const QSerialPort::SerialPortError qtError = m_port.error();
    m_port.clearError();
    if (m_port.isOpen()) // a half-done open (settings refused): no port stays open after failure
        m_port.close();
    // QSerialPort keeps no errno, and its error merges the cases told apart here: opening the
    // node once more says what it refuses.
    if (const int refusal = PosixDescriptor::probeOpen(device))
        return classifyOpenError(refusal);
    // The node opens: QSerialPort refused on its own account, either for the lock another
    // program holds on the port or for a device that is not a serial port.
    switch (qtError) {
    case QSerialPort::PermissionError:
        return InUse;
    case QSerialPort::DeviceNotFoundError:
        return NoSuchPort;
    default:
        return OtherFailure;
    }
}

void QtSerialPort::output(const QByteArray &bytes)
{
    if (!m_port.isOpen() || bytes.isEmpty())
        return;
    m_lastOutput.start();
    // Straight to the driver, so the byte is on its way before anything else can happen to the
    // port. Only while no earlier byte still waits for the driver: the order of the commands
    // counts.
    qint64 handed = 0;
    if (m_port.bytesToWrite() == 0)
        handed = PosixDescriptor::writeAvailable(m_port.handle(), bytes.constData(), bytes.size());
    // What the driver did not take leaves from the event loop as it drains.
    if (handed < bytes.size())
        m_port.write(bytes.constData() + handed, bytes.size() - handed);
}

qint64 QtSerialPort::takeFromDevice()
{
    // Reading QSerialPort dry also starts its read notification again, should it have stopped
    // it (see onErrorOccurred).
    qint64 taken = 0;
    char chunk[4096];
    for (;;) {
        const qint64 n = m_port.read(chunk, sizeof chunk);
        if (n <= 0)
            break;
        takeIn(chunk, n);
        taken += n;
    }
    return taken;
}

qint64 QtSerialPort::takeFromDriver()
{
    // QSerialPort reads the device only when the event loop tells it to; bytes the driver holds
    // already have arrived too. Read here, after QSerialPort's own, they keep their order.
    QByteArray bytes;
    const qint64 taken = PosixDescriptor::readAvailable(m_port.handle(), bytes);
    takeIn(bytes.constData(), bytes.size());
    return taken;
}

void QtSerialPort::takeWaiting()
{
    takeFromDevice();
    takeFromDriver();
}

bool QtSerialPort::systemHoldsBytes()
{
    // Bytes the driver holds have arrived, though QSerialPort has not read them yet.
    return PosixDescriptor::bytesToRead(m_port.handle()) > 0;
}

void QtSerialPort::waitingChanged()
{
    // With a wake size the terminal driver reports the device readable only once that many
    // bytes wait. Asked for while the threshold is further off than a batch, so the wake-up that
    // meets the threshold, and every byte after it, comes one byte at a time as before.
    if (!m_port.isOpen())
        return;
    const int threshold = rThreshold();
    const bool far = threshold > 0 && threshold - waitingBytes() > kWakeBatch;
    const int wake = far ? kWakeBatch : 0;
    if (wake == m_wakeSize || !PosixDescriptor::setWakeSize(m_port.handle(), wake))
        return;
    m_wakeSize = wake;
    if (wake > 0)
        m_sweepTimer.start();
    else
        m_sweepTimer.stop();
}

void QtSerialPort::discardWaiting()
{
    m_port.clear(QSerialPort::Input);
}

void QtSerialPort::onReadyRead()
{
    // QSerialPort announces bytes from the event loop only (this class never asks it to wait for
    // them), so the arrival can be told at once.
    if (const qint64 count = takeFromDevice(); count > 0)
        announce(count);
}

void QtSerialPort::onSweep()
{
    if (!m_port.isOpen())
        return;
    if (const qint64 count = takeFromDriver(); count > 0)
        announce(count);
}

void QtSerialPort::onErrorOccurred(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError
        && error != QSerialPort::WriteError)
        return;
    m_port.clearError();
    if (!m_port.isOpen())
        return;
    // A healthy device reports these too. The port reads with VMIN = VTIME = 0, so a read
    // notification whose bytes are gone when it is handled (a command emptied the receive queue
    // between the poll and the read) reads 0 bytes without an error. QSerialPort still takes
    // errno for the cause; left at EAGAIN by an earlier call, it becomes ResourceError, and
    // QSerialPort stops reading the device. A write the full driver queue refuses is EAGAIN,
    // ResourceError, too. Such a device is fine: read on, keep it open.
    if (!PosixDescriptor::hungUp(m_port.handle())) {
        // Reading the device starts its read notification again. This may run inside a call
        // (a failed flush in clearInBuffer): bytes found count at once, but are told from the
        // event loop.
        if (const qint64 count = takeFromDevice(); count > 0)
            announce(count, false);
        return;
    }
    // The device vanished (an adapter pulled out, the other end of a pty closed). Qt would
    // report the same error over and over while the port stays open: close at the first.
    forgetInput();
    m_sweepTimer.stop();
    m_port.close();
}

std::unique_ptr<SerialPort> makeSystemSerialPort(PortMap map)
{
    return std::make_unique<QtSerialPort>(std::move(map));
}
