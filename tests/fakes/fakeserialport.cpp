#include "fakes/fakeserialport.h"

#include <utility>

void FakeSerialPort::deliver(const QByteArray &bytes)
{
    if (!m_open)
        return;
    m_inBuffer += bytes;
    emit bytesArrived(m_inBuffer.size());
    // A delivered chunk is a whole burst: the line is quiet after it, when the rule looks again.
    if (ReplyFraming::thresholdReached(m_inBuffer.size(), m_threshold)) {
        m_commEvent = EventReceive;
        emit OnComm();
        m_commEvent = EventNone;
    }
}

void FakeSerialPort::forceOpen(int port)
{
    m_commPort = port;
    m_open = true;
}

void FakeSerialPort::resetRecords()
{
    written.clear();
    thresholds.clear();
    openedPorts.clear();
    clearInCount = 0;
    clearOutCount = 0;
}

SerialPort::OpenResult FakeSerialPort::openPort()
{
    m_open = false;
    openedPorts.append(m_commPort);
    OpenResult result = Opened;
    if (onlyPort != 0 && m_commPort != onlyPort)
        result = NoSuchPort;
    result = openResults.value(m_commPort, result);
    m_open = result == Opened;
    m_inBuffer.clear();
    return result;
}

void FakeSerialPort::setRThreshold(int t)
{
    m_threshold = t;
    thresholds.append(t);
}

void FakeSerialPort::output(const QByteArray &bytes)
{
    if (!m_open)
        return;
    written += bytes;
    m_inBuffer += std::exchange(arrivingDuringOutput, QByteArray());
}

QByteArray FakeSerialPort::input()
{
    return std::exchange(m_inBuffer, std::exchange(arrivingDuringInput, QByteArray()));
}

void FakeSerialPort::clearInBuffer()
{
    ++clearInCount;
    m_inBuffer.clear();
}
