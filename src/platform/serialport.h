#pragma once

#include <QByteArray>
#include <QObject>

// The serial port as the program needs it: the operations of the port control and nothing more.
// One implementation drives a real device (QtSerialPort); tests use a fake that records writes.
class SerialPort : public QObject
{
    Q_OBJECT

public:
    // Outcome of opening a port. The two failures the program tells apart keep the codes the
    // instrument software has always used for them.
    enum OpenResult : int {
        Opened = 0,
        NoSuchPort = 8002,
        InUse = 8005,
        OtherFailure = -1,
    };

    // Notification kinds, as read from commEvent() during OnComm.
    enum CommEventKind : int {
        EventNone = 0,
        EventReceive = 2,
    };

    using QObject::QObject;
    ~SerialPort() override = default;

    virtual bool portOpen() const = 0;   // read PortOpen
    virtual void closePort() = 0;        // PortOpen := false; sends nothing
    virtual void setCommPort(int n) = 0; // CommPort := n (1..16)
    virtual int commPort() const = 0;
    virtual OpenResult openPort() = 0; // PortOpen := true with the fixed settings
    // RThreshold := t. Once t or more received bytes wait, OnComm is raised with kind 2;
    // t <= 0 raises none. Kept as a 32-bit count so a full block of records has a threshold.
    virtual void setRThreshold(int t) = 0;
    virtual int rThreshold() const = 0;
    virtual void output(const QByteArray &bytes) = 0; // Output := bytes
    virtual QByteArray input() = 0;                   // read Input: every waiting byte
    virtual void clearInBuffer() = 0;                 // InBufferCount := 0
    virtual void clearOutBuffer() = 0;                // OutBufferCount := 0, never losing a
                                                      // byte already written
    virtual int commEvent() const = 0;                // read CommEvent

signals:
    // Raised on the event loop, never from inside another handler.
    void OnComm();
    // Any byte arrived, below the threshold too: the link supervision counts silence with it.
    void bytesArrived(qint64 bytesWaiting);
};
