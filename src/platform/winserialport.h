#pragma once

#include "platform/framedserialport.h"

#include <QByteArray>
#include <QString>
#include <QTimer>

#include <memory>

class QWinEventNotifier;

// The real port on Windows, over the Win32 communications functions: "\\.\COMn" opened for
// overlapped I/O with the line settings of LinkProfile, no flow control, raw bytes.
//
// No read is ever left outstanding, so a received byte is always either in the driver's queue
// (where the framing rule's look sees it) or taken in. A wait for the driver's "a byte was
// received" event (WaitCommEvent, EV_RXCHAR) is picked up from the event loop through an event
// notifier, and every byte the driver then queues is read at once: reads are set to return what
// is there without waiting. So arrivals are told as they come, on a line that never pauses too,
// and where a reply ends is judged by the framing rule alone. While the threshold is far off (a
// block of records on its way), the next wait starts a few dozen bytes' time later, so a long
// block wakes the port some fifty times a second instead of a thousand.
class WinSerialPort final : public FramedSerialPort
{
    Q_OBJECT

public:
    explicit WinSerialPort(PortMap map = PortMap(), QObject *parent = nullptr);
    ~WinSerialPort() override;

    // What a failed CreateFileW of a port means for the program, by GetLastError's code.
    static OpenResult classifyOpenError(unsigned long systemError);
    // Whether a failed wait or read means the device is gone (an adapter pulled out), by
    // GetLastError's code; anything else is a line error, cleared and read past.
    static bool deviceGone(unsigned long systemError);
    // The path CreateFileW opens for a port name: the device namespace ("\\.\COM20"), where
    // COM10 and above open only, and where a file of the same name in the current folder is
    // never taken for the port. A name that has the prefix already keeps it as it is.
    static QString devicePathFor(const QString &name);

    bool portOpen() const override;
    OpenResult openPort() override;
    void output(const QByteArray &bytes) override;

protected:
    void closeDevice() override;
    void takeWaiting() override;
    void discardWaiting() override;
    bool systemHoldsBytes() override;

private:
    struct Transfer;

    bool configure();
    void startWait();
    bool collect(Transfer &transfer, QWinEventNotifier *done, unsigned long *error);
    void onWaitDone();
    qint64 readQueued();
    void startWrite();
    void onWriteDone();
    void finish(Transfer &transfer);
    void lose();

    void *m_handle = nullptr; // the port's HANDLE; null while closed
    std::unique_ptr<Transfer> m_wait;
    std::unique_ptr<Transfer> m_read;
    std::unique_ptr<Transfer> m_write;
    QWinEventNotifier *m_waitDone = nullptr;
    QWinEventNotifier *m_writeDone = nullptr;
    unsigned long m_events = 0; // WaitCommEvent's answer: must stay put while the wait is on
    int m_emptyWakes = 0;       // waits in a row that ended with nothing to read
    QTimer m_nextWait;          // a wait started later: bytes gather meanwhile, or a pause
    QByteArray m_outQueue;      // written while an earlier write was still on its way
};
