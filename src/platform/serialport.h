#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The serial port as the program needs it: the operations of the port control and nothing more.
// One implementation per system drives a real device (QtSerialPort on Linux, WinSerialPort on
// Windows; see systemserialport.h); tests use a fake that records writes.
class SerialPort : public QObject
{
    Q_OBJECT

public:
    // Outcome of opening a port. The two failures the program has always told apart keep the
    // codes the instrument software used for them; a port the user may not open is told apart
    // from one another program holds, so the window can say what would help.
    enum OpenResult : int {
        Opened = 0,
        NoSuchPort = 8002,   // no device, or a device node whose hardware is not there
        InUse = 8005,        // locked or held exclusively by another program
        NoPermission = 8100, // the device node refuses this user (group membership missing)
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
    // RThreshold := t. Once t or more received bytes wait and the line has fallen quiet, OnComm
    // is raised with kind 2 (every port by the one rule, ReplyFraming); t <= 0 raises none. Kept
    // as a 32-bit count so a full block of records has a threshold.
    virtual void setRThreshold(int t) = 0;
    virtual int rThreshold() const = 0;
    virtual void output(const QByteArray &bytes) = 0; // Output := bytes
    virtual QByteArray input() = 0;                   // read Input: every waiting byte
    virtual void clearInBuffer() = 0;                 // InBufferCount := 0
    // OutBufferCount := 0. Never blocks and never loses a byte already written: the only bytes
    // ever queued are commands just written, and dropping one would pair the next reply with a
    // command the instrument never got.
    virtual void clearOutBuffer() = 0;
    virtual int commEvent() const = 0; // read CommEvent

    // The device the selected port number stands for ("" when there is none), and the group
    // that owns its node ("" when unknown): what a user refused with NoPermission has to join.
    virtual QString devicePath() const { return {}; }
    virtual QString deviceGroup() const { return {}; }

signals:
    // Raised on the event loop, never from inside another handler.
    void OnComm();
    // Any byte arrived, below the threshold too: the link supervision counts silence with it.
    void bytesArrived(qint64 bytesWaiting);
};
