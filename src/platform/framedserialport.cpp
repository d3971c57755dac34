#include "platform/framedserialport.h"

#include <utility>

FramedSerialPort::FramedSerialPort(PortMap map, QObject *parent)
    : SerialPort(parent)
    , m_map(std::move(map))
{
    m_clock.start();
    m_lookTimer.setSingleShot(true);
    m_lookTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_lookTimer, &QTimer::timeout, this, &FramedSerialPort::onLook);
}

void FramedSerialPort::closePort()
{
    forgetInput();
    closeDevice();
}

void FramedSerialPort::setCommPort(int n)
{
    m_commPort = n;
}

int FramedSerialPort::commPort() const
{
    return m_commPort;
}

QString FramedSerialPort::devicePath() const
{
    return m_map.devicePath(m_commPort);
}

void FramedSerialPort::setRThreshold(int t)
{
    m_framing.setThreshold(t);
    waitingChanged();
}

int FramedSerialPort::rThreshold() const
{
    return m_framing.threshold();
}

QByteArray FramedSerialPort::input()
{
    if (!portOpen())
        return {};
    takeWaiting();
    QByteArray taken = std::exchange(m_inBuffer, QByteArray());
    forgetInput();
    waitingChanged();
    return taken;
}

void FramedSerialPort::forgetInput()
{
    m_inBuffer.clear();
    m_framing.reset();
    follow({});
}

void FramedSerialPort::clearInBuffer()
{
    forgetInput();
    if (!portOpen())
        return;
    discardWaiting();
    waitingChanged();
}

void FramedSerialPort::clearOutBuffer()
{
    // Nothing to do, on purpose. Every byte ever queued by a port is a command the program has
    // just written: those the driver took are on the line already (flushing them would even
    // discard, on a pseudo-terminal, what the other side has not read yet), and those a driver
    // that does not drain refused leave from the event loop once it drains. Waiting for either
    // could freeze the window for as long as the device likes; dropping either would lose a
    // command, and pair the next reply with a command the instrument never got. A device that
    // never drains loses its queue when the supervision closes the port.
}

int FramedSerialPort::commEvent() const
{
    return m_commEvent;
}

void FramedSerialPort::announce(qint64 count, bool tellNow)
{
    follow(m_framing.arrived(count, now())); // never a notification
    waitingChanged();
    if (tellNow) {
        emit bytesArrived(m_inBuffer.size());
        return;
    }
    QTimer::singleShot(0, this, [this] {
        if (portOpen())
            emit bytesArrived(m_inBuffer.size());
    });
}

void FramedSerialPort::onLook()
{
    m_lookDue.reset();
    if (!portOpen())
        return;
    follow(m_framing.tick(now(), systemHoldsBytes()));
}

void FramedSerialPort::follow(const ReplyFraming::Step &step)
{
    if (step.lookAgainAt != m_lookDue) {
        m_lookDue = step.lookAgainAt;
        if (m_lookDue)
            m_lookTimer.start(int(qMax<qint64>(0, *m_lookDue - now())));
        else
            m_lookTimer.stop();
    }
    // A handler of bytesArrived may have taken the bytes or closed the port meanwhile.
    if (!step.notify || !portOpen() || m_inBuffer.isEmpty())
        return;
    m_commEvent = EventReceive;
    emit OnComm();
    m_commEvent = EventNone;
}
