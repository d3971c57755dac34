#pragma once

#include "core/replyframing.h"
#include "platform/portmap.h"
#include "platform/serialport.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QTimer>

#include <optional>

// The real port over QSerialPort: 9600 baud, 8 data bits, no parity, 1 stop bit, no flow
// control, raw bytes.
//
// Received bytes are taken out of QSerialPort at every arrival into this class's own buffer, and
// the reply framing rule (ReplyFraming: the threshold and the quiet line) applies to that
// buffer: left inside QSerialPort, every small arrival of a long block would keep a read chunk of
// its own until the threshold. While the threshold is far off
// (a block of records on its way), the driver is asked to wake the port only every few dozen
// bytes: one wake-up a byte, a thousand a second, would be most of the port's work.
//
// Notifications (bytesArrived, OnComm) are only emitted from the event loop, never from inside a
// call into this class.
//
// Nothing here blocks the window on the device: a command byte goes straight to the driver, and
// whatever a driver that does not drain refuses leaves later, from the event loop. What
// QSerialPort cannot do on the device itself goes through PosixDescriptor.
class QtSerialPort final : public SerialPort
{
    Q_OBJECT

public:
    explicit QtSerialPort(PortMap map = PortMap(), QObject *parent = nullptr);
    ~QtSerialPort() override;

    bool portOpen() const override;
    void closePort() override;
    void setCommPort(int n) override;
    int commPort() const override;
    OpenResult openPort() override;
    void setRThreshold(int t) override;
    int rThreshold() const override;
    void output(const QByteArray &bytes) override;
    QByteArray input() override;
    void clearInBuffer() override;
    void clearOutBuffer() override;
    int commEvent() const override;

    // What a failed open(2) of a device node means for the program, by its errno. QSerialPort's
    // own error merges a missing device with a dead one and a refused user with a busy port.
    static OpenResult classifyOpenError(int systemError);

    // The device path the port number currently selected stands for ("" when there is none).
    QString devicePath() const override;
    // The group owning that device node (links followed), "" when there is none: the group a
    // user refused with NoPermission has to join.
    QString deviceGroup() const override;

private:
    void onReadyRead();
    void onErrorOccurred(QSerialPort::SerialPortError error);
    void onLook();
    void onSweep();
    void noteArrival(qint64 count);
    void follow(const ReplyFraming::Step &step);
    qint64 now() const { return m_clock.elapsed(); }
    qint64 takeFromDevice();
    qint64 takeFromDriver();
    void updateWakeSize();
    void forgetInput();

    PortMap m_map;
    QSerialPort m_port;
    QByteArray m_inBuffer; // received, not yet taken by input()
    ReplyFraming m_framing;
    QElapsedTimer m_clock;
    QTimer m_lookTimer; // the look the framing rule asked for
    std::optional<qint64> m_lookDue;
    QTimer m_sweepTimer; // while the driver wakes the port in batches: bytes short of one
    int m_wakeSize = 0;  // VMIN the driver wakes the port at (0: every byte)
    int m_commPort = 1;
    int m_commEvent = EventNone;
    QElapsedTimer m_lastOutput; // when a byte was last handed to the port
};
