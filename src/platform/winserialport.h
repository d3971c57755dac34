#pragma once

#include "core/replyframing.h"
#include "platform/portmap.h"
#include "platform/serialport.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QTimer>

#include <memory>
#include <optional>

class QWinEventNotifier;

// The real port on Windows, over the Win32 communications functions: "\\.\COMn" opened for
// overlapped I/O, 9600 baud, 8 data bits, no parity, 1 stop bit, no flow control, raw bytes.
//
// One read is always outstanding while the port is open. It ends when the line has been quiet
// for the driver's read interval (ReplyFraming's quiet gap) after a byte, or when its buffer is
// full; its end is picked up from the event loop through an event notifier, so the window never
// waits on the device. The driver watches the gap, so ReplyFraming hears of each read as bytes
// that came an interval ago on a line that has been quiet since.
//
// Notifications (bytesArrived, OnComm) are only emitted from the event loop, never from inside a
// call into this class.
class WinSerialPort final : public SerialPort
{
    Q_OBJECT

public:
    explicit WinSerialPort(PortMap map = PortMap(), QObject *parent = nullptr);
    ~WinSerialPort() override;

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
    // "COMn", or what --ports named for the number.
    QString devicePath() const override;

    // What a failed CreateFileW of a port means for the program, by GetLastError's code.
    static OpenResult classifyOpenError(unsigned long systemError);

private:
    struct Transfer;

    bool configure();
    void startRead();
    void onReadDone();
    void onLook();
    void follow(const ReplyFraming::Step &step);
    qint64 now() const { return m_clock.elapsed(); }
    void startWrite();
    void onWriteDone();
    void finish(Transfer &transfer);
    void lose();

    PortMap m_map;
    void *m_handle = nullptr; // the port's HANDLE; null while closed
    std::unique_ptr<Transfer> m_read;
    std::unique_ptr<Transfer> m_write;
    QWinEventNotifier *m_readDone = nullptr;
    QWinEventNotifier *m_writeDone = nullptr;
    QByteArray m_inBuffer; // received, not yet taken by input()
    QByteArray m_outQueue; // written while an earlier write was still on its way
    ReplyFraming m_framing;
    QTimer m_lookTimer; // the look the framing rule asked for
    std::optional<qint64> m_lookDue;
    QElapsedTimer m_clock;
    int m_commPort = 1;
    int m_commEvent = EventNone;
};
