#include "platform/qtserialport.h"

#include <QTimer>

#ifdef Q_OS_UNIX
#include <termios.h>
#endif

namespace {
// How long a command byte may take to leave before the transmit queue is emptied anyway.
// One byte at 9600 baud takes about 1 ms; a stuck device must not freeze the window.
constexpr int kWriteWaitMs = 50;
} // namespace

QtSerialPort::QtSerialPort(PortMap map, QObject *parent)
    : SerialPort(parent)
    , m_map(std::move(map))
{
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialPort::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onErrorOccurred);
}

QtSerialPort::~QtSerialPort()
{
    if (m_port.isOpen())
        m_port.close();
}

bool QtSerialPort::portOpen() const
{
    return m_port.isOpen();
}

void QtSerialPort::closePort()
{
    if (m_port.isOpen())
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
    const QString device = m_map.devicePath(m_commPort);
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
    if (m_port.isOpen())
        m_port.write(bytes);
}

QByteArray QtSerialPort::input()
{
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
    // The command byte was written just before: let it reach the line first, so that emptying
    // the transmit queue never drops it. At 9600 baud this takes about a millisecond.
    if (m_port.bytesToWrite() > 0)
        m_port.waitForBytesWritten(kWriteWaitMs);
    if (!m_port.isOpen())
        return;
#ifdef Q_OS_UNIX
    if (m_port.bytesToWrite() == 0) {
        // Written to the driver is not yet sent: wait for the UART too, then nothing is left
        // to discard.
        ::tcdrain(int(m_port.handle()));
        return;
    }
#endif
    m_port.clear(QSerialPort::Output);
}

int QtSerialPort::commEvent() const
{
    return m_commEvent;
}

void QtSerialPort::onReadyRead()
{
    emit bytesArrived(m_port.bytesAvailable());
    deliverIfDue();
}

void QtSerialPort::deliverIfDue()
{
    if (m_deliveryQueued || m_threshold <= 0 || !m_port.isOpen()
        || m_port.bytesAvailable() < m_threshold)
        return;
    // readyRead may come from inside waitForBytesWritten, that is from inside a handler that is
    // sending a command: deliver from the event loop instead, once that handler has returned.
    m_deliveryQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_deliveryQueued = false;
        if (m_threshold <= 0 || !m_port.isOpen() || m_port.bytesAvailable() < m_threshold)
            return;
        m_commEvent = EventReceive;
        emit OnComm();
        m_commEvent = EventNone;
    });
}

void QtSerialPort::onErrorOccurred(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) {
        // The device vanished (an adapter pulled out, the other end of a pty closed). Qt would
        // report the same error over and over while the port stays open: close at the first.
        if (m_port.isOpen())
            m_port.close();
        m_port.clearError();
    }
}
