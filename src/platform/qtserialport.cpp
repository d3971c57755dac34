#include "platform/qtserialport.h"

#include "platform/systemserialport.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <utility>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {
// Closing puts back the line settings found at open at once. A byte handed on just before may
// still be in the UART or the adapter (about 1 ms at 9600 baud): give it that time to leave.
constexpr qint64 kLineSettleMs = 3;
// A line that never falls quiet (noise) must not hold a met threshold back for ever.
constexpr qint64 kLongestQuietWaitMs = 50;
// A quiet wait that ends this much late was not watched: the event loop was held up.
constexpr qint64 kHeldUpNs = 1'000'000;
// Bytes the driver gathers before waking the port while the threshold is further off than that
// (33 ms at 9600 baud), and how often bytes short of a batch are looked for meanwhile, so that
// arrivals are still reported when the line stops in the middle of a batch.
constexpr int kWakeBatch = 32;
constexpr int kSweepMs = 50;
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
    m_quietTimer.setSingleShot(true);
    m_quietTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_quietTimer, &QTimer::timeout, this, &QtSerialPort::onQuietTimeout);
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

void QtSerialPort::closePort()
{
    forgetInput();
    m_sweepTimer.stop();
    if (!m_port.isOpen())
        return;
    if (m_lastOutput.isValid() && m_lastOutput.elapsed() < kLineSettleMs)
        QThread::msleep(quint64(kLineSettleMs - m_lastOutput.elapsed()));
#ifdef Q_OS_UNIX
    // The driver's close waits for its transmit queue to leave, on serial ports for up to 30 s.
    // A queue still there after the settling time belongs to a device that does not drain: it
    // would never arrive, so it goes rather than freezing the window. (A pseudo-terminal reports
    // no queue here, so nothing the other side has still to read is lost.)
    int queued = 0;
    if (::ioctl(int(m_port.handle()), TIOCOUTQ, &queued) == 0 && queued > 0)
        m_port.clear(QSerialPort::Output);
#endif
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

    m_port.setPortName(device);
    m_port.setBaudRate(QSerialPort::Baud9600);
    m_port.setDataBits(QSerialPort::Data8);
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
#ifdef Q_OS_UNIX
    // QSerialPort keeps no errno, and its error merges the cases told apart here: opening the
    // node once more says what it refuses.
    const int probe = ::open(QFile::encodeName(device).constData(),
                             O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (probe < 0)
        return classifyOpenError(errno);
    ::close(probe);
#endif
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

void QtSerialPort::setRThreshold(int t)
{
    m_threshold = t;
    updateWakeSize();
}

int QtSerialPort::rThreshold() const
{
    return m_threshold;
}

void QtSerialPort::output(const QByteArray &bytes)
{
    if (!m_port.isOpen() || bytes.isEmpty())
        return;
    m_lastOutput.start();
    qsizetype handed = 0;
#ifdef Q_OS_UNIX
    // Straight to the driver (the descriptor is non-blocking), so the byte is on its way before
    // anything else can happen to the port. Only while no earlier byte still waits for the
    // driver: the order of the commands counts.
    if (m_port.bytesToWrite() == 0) {
        const int fd = int(m_port.handle());
        while (handed < bytes.size()) {
            const ssize_t n
                    = ::write(fd, bytes.constData() + handed, size_t(bytes.size() - handed));
            if (n > 0)
                handed += n;
            else if (n < 0 && errno == EINTR)
                continue;
            else
                break; // a full queue waits below; a dead device reports through QSerialPort
        }
    }
#endif
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
        m_inBuffer.append(chunk, qsizetype(n));
        taken += n;
    }
    return taken;
}

qint64 QtSerialPort::bytesInDriver() const
{
#ifdef Q_OS_UNIX
    int pending = 0;
    if (::ioctl(int(m_port.handle()), FIONREAD, &pending) == 0)
        return pending;
#endif
    return 0;
}

qint64 QtSerialPort::takeFromDriver()
{
    // QSerialPort reads the device only when the event loop tells it to; bytes the driver holds
    // already have arrived too. Read here, after QSerialPort's own, they keep their order.
    qint64 taken = 0;
#ifdef Q_OS_UNIX
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(int(m_port.handle()), chunk, sizeof chunk);
        if (n > 0) {
            m_inBuffer.append(chunk, qsizetype(n));
            taken += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break; // nothing more; a device gone reports through QSerialPort
        }
    }
#endif
    return taken;
}

void QtSerialPort::updateWakeSize()
{
#ifdef Q_OS_UNIX
    // With VMIN > 0 and VTIME 0 the terminal driver reports the device readable only once that
    // many bytes wait. Asked for while the threshold is further off than a batch, so the wake-up
    // that meets the threshold, and every byte after it, comes one byte at a time as before.
    if (!m_port.isOpen())
        return;
    const bool far = m_threshold > 0 && m_threshold - m_inBuffer.size() > kWakeBatch;
    const int wake = far ? kWakeBatch : 0;
    if (wake == m_wakeSize)
        return;
    termios tio{};
    const int fd = int(m_port.handle());
    if (::tcgetattr(fd, &tio) != 0)
        return;
    tio.c_cc[VMIN] = cc_t(wake);
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0)
        return;
    m_wakeSize = wake;
    if (wake > 0)
        m_sweepTimer.start();
    else
        m_sweepTimer.stop();
#endif
}

QByteArray QtSerialPort::input()
{
    if (!m_port.isOpen())
        return {};
    takeFromDevice();
    takeFromDriver();
    m_quietTimer.stop();
    m_thresholdMetAt.invalidate();
    QByteArray taken = std::exchange(m_inBuffer, QByteArray());
    updateWakeSize();
    return taken;
}

void QtSerialPort::forgetInput()
{
    m_inBuffer.clear();
    m_quietTimer.stop();
    m_thresholdMetAt.invalidate();
}

void QtSerialPort::clearInBuffer()
{
    forgetInput();
    if (!m_port.isOpen())
        return;
    m_port.clear(QSerialPort::Input);
    updateWakeSize();
}

void QtSerialPort::clearOutBuffer()
{
    // Nothing to do, on purpose. Every byte ever queued here is a command the program has just
    // written: those the driver took are on the line already (flushing them would even discard,
    // on a pseudo-terminal, what the other side has not read yet), and those a driver that does
    // not drain refused leave from the event loop once it drains. Waiting for either could
    // freeze the window for as long as the device likes; dropping either would lose a command.
    // A device that never drains loses its queue when the supervision closes the port.
}

int QtSerialPort::commEvent() const
{
    return m_commEvent;
}

void QtSerialPort::onReadyRead()
{
    // QSerialPort announces bytes from the event loop only (this class never asks it to wait for
    // them), so the arrival can be told at once.
    if (takeFromDevice() > 0)
        noteArrival();
}

void QtSerialPort::onSweep()
{
    if (m_port.isOpen() && takeFromDriver() > 0)
        noteArrival();
}

void QtSerialPort::noteArrival()
{
    // The quiet wait counts from the latest arrival: each one restarts it.
    if (thresholdReached(m_inBuffer.size(), m_threshold)) {
        if (!m_thresholdMetAt.isValid())
            m_thresholdMetAt.start();
        watchLine(kQuietLineMs);
    }
    updateWakeSize();
    emit bytesArrived(m_inBuffer.size());
}

void QtSerialPort::watchLine(int ms)
{
    m_quietTimer.start(ms);
    m_watchMs = ms;
    m_watchStarted.start();
}

void QtSerialPort::onQuietTimeout()
{
    if (!m_port.isOpen() || !thresholdReached(m_inBuffer.size(), m_threshold))
        return;
    const bool tooLong = m_thresholdMetAt.elapsed() >= kLongestQuietWaitMs;
    // Held up past the end of the wait (another handler ran long, or the process was not
    // scheduled), the loop did not watch the line: bytes that came meanwhile may still be on their
    // way through the driver's buffers. Watch a moment more before calling the line quiet.
    if (!tooLong && m_watchStarted.nsecsElapsed() > qint64(m_watchMs) * 1'000'000 + kHeldUpNs) {
        watchLine(1);
        return;
    }
    // Bytes the driver holds have arrived, though QSerialPort has not read them yet: the line is
    // not quiet, and their arrival will start the wait again.
    const bool quiet = tooLong || bytesInDriver() == 0;
    if (!receiveDue(m_inBuffer.size(), m_threshold, quiet)) {
        watchLine(kQuietLineMs);
        return;
    }
    m_thresholdMetAt.invalidate();
    m_commEvent = EventReceive;
    emit OnComm();
    m_commEvent = EventNone;
}

void QtSerialPort::onErrorOccurred(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError
        && error != QSerialPort::WriteError)
        return;
    m_port.clearError();
    if (!m_port.isOpen())
        return;
#ifdef Q_OS_UNIX
    // A healthy device reports these too. The port reads with VMIN = VTIME = 0, so a read
    // notification whose bytes are gone when it is handled (a command emptied the receive queue
    // between the poll and the read) reads 0 bytes without an error. QSerialPort still takes
    // errno for the cause; left at EAGAIN by an earlier call, it becomes ResourceError, and
    // QSerialPort stops reading the device. A write the full driver queue refuses is EAGAIN,
    // ResourceError, too. Such a device is fine: read on, keep it open.
    pollfd pfd{int(m_port.handle()), POLLIN, 0};
    const bool hungUp = ::poll(&pfd, 1, 0) < 0 || (pfd.revents & (POLLHUP | POLLERR | POLLNVAL));
    if (!hungUp) {
        // Reading the device starts its read notification again. This may run inside a call
        // (a failed flush in clearInBuffer): bytes found are told from the event loop.
        if (takeFromDevice() > 0) {
            QTimer::singleShot(0, this, [this] {
                if (m_port.isOpen())
                    noteArrival();
            });
        }
        return;
    }
#endif
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
