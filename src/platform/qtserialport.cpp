#include "platform/qtserialport.h"

#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace {
// How long a command byte may take to leave before the transmit queue is emptied anyway.
// One byte at 9600 baud takes about 1 ms; a stuck device must not freeze the window.
constexpr int kWriteWaitMs = 50;
// Closing puts back the line settings found at open at once. A byte handed on just before may
// still be in the UART or the adapter (about 1 ms at 9600 baud): give it that time to leave.
constexpr qint64 kLineSettleMs = 3;
} // namespace

QtSerialPort::QtSerialPort(PortMap map, QObject *parent)
    : SerialPort(parent)
    , m_map(std::move(map))
    , m_port(this)
{
    // A child, so diagnostics and tests can watch the device's own signals.
    m_port.setObjectName(QStringLiteral("MSComm1Device"));
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialPort::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onErrorOccurred);
}

QtSerialPort::~QtSerialPort()
{
    closePort();
}

bool QtSerialPort::portOpen() const
{
    return m_port.isOpen();
}

void QtSerialPort::closePort()
{
    if (!m_port.isOpen())
        return;
    if (m_lastOutput.isValid() && m_lastOutput.elapsed() < kLineSettleMs)
        QThread::msleep(quint64(kLineSettleMs - m_lastOutput.elapsed()));
    m_port.close();
}

void QtSerialPort::setCommPort(int n)
{
    m_commPort = n;
}

int QtSerialPort::commPort() const
{
    return m_commPort;
}

QString QtSerialPort::devicePath() const
{
    return m_map.devicePath(m_commPort);
}

SerialPort::OpenResult QtSerialPort::classifyOpenError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError:
        return Opened;
    case QSerialPort::PermissionError: // locked by another program, or the device is busy
        return InUse;
    case QSerialPort::DeviceNotFoundError:
        return NoSuchPort;
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

    m_port.setPortName(device);
    m_port.setBaudRate(QSerialPort::Baud9600);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (m_port.open(QIODevice::ReadWrite)) {
        m_port.clearError();
        return Opened;
    }
    const OpenResult result = classifyOpenError(m_port.error());
    m_port.clearError();
    if (m_port.isOpen()) // a half-done open (settings refused): no port stays open after failure
        m_port.close();
    return result == Opened ? OtherFailure : result;
}

void QtSerialPort::setRThreshold(int t)
{
    m_threshold = t;
}

int QtSerialPort::rThreshold() const
{
    return m_threshold;
}

void QtSerialPort::output(const QByteArray &bytes)
{
    if (!m_port.isOpen())
        return;
    m_port.write(bytes);
    m_lastOutput.start();
}

void QtSerialPort::pullPendingBytes()
{
#ifdef Q_OS_UNIX
    // QSerialPort reads the device only when the event loop tells it to; bytes the driver holds
    // already are waiting too and belong to this Input. waitForReadyRead is only asked when there
    // is something to read, so it neither blocks nor reports a timeout.
    int pending = 0;
    if (::ioctl(int(m_port.handle()), FIONREAD, &pending) == 0 && pending > 0)
        m_port.waitForReadyRead(0);
#endif
}

QByteArray QtSerialPort::input()
{
    if (!m_port.isOpen())
        return {};
    pullPendingBytes();
    if (!m_port.isOpen())
        return {};
    return m_port.readAll();
}

void QtSerialPort::clearInBuffer()
{
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Input);
}

void QtSerialPort::clearOutBuffer()
{
    if (!m_port.isOpen())
        return;
    // The command byte was written just before and must not be thrown away: let it reach the
    // line first. At 9600 baud that takes about a millisecond; a stuck device is given up on.
    const QDeadlineTimer deadline(kWriteWaitMs);
    while (m_port.isOpen() && m_port.bytesToWrite() > 0 && !deadline.hasExpired())
        m_port.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime())));
    if (!m_port.isOpen())
        return;
#ifdef Q_OS_UNIX
    // Handed to the driver is not yet sent. Wait for the driver's queue to empty too; emptying it
    // then has nothing left to discard. (On a pseudo-terminal a flush would even discard what the
    // other side has not read yet, so it is only done for a queue that does not drain.)
    const int fd = int(m_port.handle());
    int queued = 0;
    while (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0 && !deadline.hasExpired())
        QThread::usleep(200);
    const bool drained = m_port.bytesToWrite() == 0 && queued == 0;
#else
    const bool drained = m_port.bytesToWrite() == 0;
#endif
    if (!drained)
        m_port.clear(QSerialPort::Output);
}

int QtSerialPort::commEvent() const
{
    return m_commEvent;
}

void QtSerialPort::onReadyRead()
{
    if (m_deliveryQueued)
        return;
    m_deliveryQueued = true;
    QTimer::singleShot(0, this, &QtSerialPort::deliverArrivals);
}

void QtSerialPort::deliverArrivals()
{
    m_deliveryQueued = false;
    if (!m_port.isOpen())
        return;
    // Bytes came even if a new command has emptied the buffer meanwhile: the line is alive.
    emit bytesArrived(m_port.bytesAvailable());
    if (m_threshold <= 0 || !m_port.isOpen() || m_port.bytesAvailable() < m_threshold)
        return;
    m_commEvent = EventReceive;
    emit OnComm();
    m_commEvent = EventNone;
}

void QtSerialPort::onErrorOccurred(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    m_port.clearError();
    if (!m_port.isOpen())
        return;
#ifdef Q_OS_UNIX
    // QSerialPort reports a read that finds nothing (the waiting bytes were just emptied by a
    // command sent meanwhile) like a vanished device, and stops reading. A device that has not
    // hung up is still there: open it again rather than lose the link over it.
    pollfd pfd{int(m_port.handle()), POLLIN, 0};
    const bool hungUp = ::poll(&pfd, 1, 0) < 0 || (pfd.revents & (POLLHUP | POLLERR | POLLNVAL));
    if (!hungUp) {
        m_port.close();
        if (m_port.open(QIODevice::ReadWrite))
            return;
        m_port.clearError();
    }
#endif
    // The device vanished (an adapter pulled out, the other end of a pty closed). Qt would
    // report the same error over and over while the port stays open: close at the first.
    if (m_port.isOpen())
        m_port.close();
}
