#pragma once

#include "core/replyframing.h"
#include "platform/serialport.h"

#include <QHash>
#include <QList>

// A serial port for tests: records every byte written and every threshold set, answers opens
// as told per port number, and delivers bytes on demand the way the real port does.
class FakeSerialPort final : public SerialPort
{
    Q_OBJECT

public:
    using SerialPort::SerialPort;

    // ---- What the program did ----
    QByteArray written;     // every byte output, in order, across opens
    QList<int> thresholds;  // every threshold set, in order
    QList<int> openedPorts; // every port number an open was tried on
    int clearInCount = 0;
    int clearOutCount = 0;

    // ---- How the fake behaves ----
    // Result of opening each port number; ports not listed open fine.
    QHash<int, OpenResult> openResults;
    // What devicePath() and deviceGroup() say of the selected port.
    QString group;
    // When set, only this port opens; every other one is "no such port".
    int onlyPort = 0;
    // Bytes that arrive inside the next output(), before it returns, as a quick instrument's reply
    // does on a busy machine, or inside the next input(), just after what waited was taken, as
    // the next reply close behind does. They wait and are told with the next deliver().
    QByteArray arrivingDuringOutput;
    QByteArray arrivingDuringInput;

    // Delivers bytes as if they had arrived on the line as one burst: bytesArrived always, then
    // OnComm (kind 2) by the port's receive rule. Nothing arrives on a closed port.
    void deliver(const QByteArray &bytes);
    // Bytes waiting in the receive buffer.
    const QByteArray &waiting() const { return m_inBuffer; }
    // Puts the fake into an open state on a port without going through the window.
    void forceOpen(int port);
    void resetRecords();

    bool portOpen() const override { return m_open; }
    void closePort() override { m_open = false; }
    void setCommPort(int n) override { m_commPort = n; }
    int commPort() const override { return m_commPort; }
    OpenResult openPort() override;
    void setRThreshold(int t) override;
    int rThreshold() const override { return m_threshold; }
    void output(const QByteArray &bytes) override;
    QByteArray input() override;
    void clearInBuffer() override;
    void clearOutBuffer() override { ++clearOutCount; }
    QString devicePath() const override { return QStringLiteral("/dev/ttyFAKE%1").arg(m_commPort); }
    QString deviceGroup() const override { return group; }
    int commEvent() const override { return m_commEvent; }

private:
    bool m_open = false;
    int m_commPort = 1;
    int m_threshold = 0;
    int m_commEvent = EventNone;
    QByteArray m_inBuffer;
};
