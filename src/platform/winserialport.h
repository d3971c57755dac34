#pragma once

#include "platform/framedserialport.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <memory>

class QWinEventNotifier;

// The real port on Windows, over the Win32 communications functions: "\\.\COMn" opened for
// overlapped I/O with the line settings of LinkProfile, no flow control, raw bytes.
//
// One read of at most 32 bytes is always outstanding while the port is open. It ends once the
// line has been quiet for the driver's read interval after a byte, 20 ms after it began, or when
// it is full, so arrivals are told as they come on a line that never pauses too; where a reply ends is judged by the framing rule
// alone, by its own clock. The read's end is picked up from the event loop through an event
// notifier, so the window never waits on the device.
class WinSerialPort final : public FramedSerialPort
{
    Q_OBJECT

public:
    explicit WinSerialPort(PortMap map = PortMap(), QObject *parent = nullptr);
    ~WinSerialPort() override;

    // What a failed CreateFileW of a port means for the program, by GetLastError's code.
    static OpenResult classifyOpenError(unsigned long systemError);
    // Whether a failed read means the device is gone (an adapter pulled out), by
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
    void startRead();
    bool collect(Transfer &transfer, QWinEventNotifier *done, unsigned long *moved,
                 unsigned long *error);
    void onReadDone();
    void startWrite();
    void onWriteDone();
    void finish(Transfer &transfer);
    void lose();

    void *m_handle = nullptr; // the port's HANDLE; null while closed
    std::unique_ptr<Transfer> m_read;
    std::unique_ptr<Transfer> m_write;
    QWinEventNotifier *m_readDone = nullptr;
    QWinEventNotifier *m_writeDone = nullptr;
    QElapsedTimer m_readStarted;
    QTimer m_nextRead;     // after a read that ended at once with nothing
    QByteArray m_outQueue; // written while an earlier write was still on its way
};
