#pragma once

#include "core/replyframing.h"
#include "platform/portmap.h"
#include "platform/serialport.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QTimer>

#include <optional>

// What every real port does the same way, whatever system calls move its bytes: the port number
// and its device, the buffer of received bytes not yet taken, the reply framing rule
// (ReplyFraming: the threshold and the quiet line) with its look timer, and OnComm.
//
// A backend only opens and closes the device, hands on writes, and takes in what the system has
// received: it puts the bytes in with takeIn() and tells of their arrival with announce(), and
// answers whether the system holds bytes not taken in yet (the line is not quiet then).
//
// Notifications (bytesArrived, OnComm) are only emitted from the event loop, never from inside a
// call into this class.
class FramedSerialPort : public SerialPort
{
    Q_OBJECT

public:
    explicit FramedSerialPort(PortMap map, QObject *parent = nullptr);

    void closePort() final;
    void setCommPort(int n) final;
    int commPort() const final;
    void setRThreshold(int t) final;
    int rThreshold() const final;
    QByteArray input() final;
    void clearInBuffer() final;
    void clearOutBuffer() final;
    int commEvent() const final;
    QString devicePath() const override;

protected:
    // Closes the device (the buffer is forgotten already); nothing when it is closed.
    virtual void closeDevice() = 0;
    // Moves every byte the system holds for the port into the buffer (takeIn); input() calls it
    // so nothing already received is left behind.
    virtual void takeWaiting() = 0;
    // Throws away what the system holds for the port, and whatever is on its way to the buffer.
    virtual void discardWaiting() = 0;
    // Bytes have arrived that are not taken in yet: the line is not quiet.
    virtual bool systemHoldsBytes() = 0;
    // The threshold or the number of waiting bytes changed (a backend may tune its wake-ups).
    virtual void waitingChanged() {}

    void takeIn(const char *bytes, qint64 count) { m_inBuffer.append(bytes, qsizetype(count)); }
    // `count` bytes taken in just now. `tellNow`: bytesArrived is emitted at once; false when
    // this runs inside a call into the port, which defers it to the event loop.
    void announce(qint64 count, bool tellNow = true);
    qint64 waitingBytes() const { return m_inBuffer.size(); }
    // The buffer and the rule start over.
    void forgetInput();

private:
    void onLook();
    void follow(const ReplyFraming::Step &step);
    qint64 now() const { return m_clock.elapsed(); }

    PortMap m_map;
    QByteArray m_inBuffer; // received, not yet taken by input()
    ReplyFraming m_framing;
    QElapsedTimer m_clock;
    QTimer m_lookTimer; // the look the framing rule asked for
    std::optional<qint64> m_lookDue;
    int m_commPort = 1;
    int m_commEvent = EventNone;
};
