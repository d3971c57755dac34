#pragma once

#include "platform/framedserialport.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QTimer>

// The real port over QSerialPort, with the line settings of LinkProfile.
//
// Received bytes are taken out of QSerialPort at every arrival into the framed port's buffer:
// left inside QSerialPort, every small arrival of a long block would keep a read chunk of its own
// until the threshold. While the threshold is far off
// (a block of records on its way), the driver is asked to wake the port only every few dozen
// bytes: one wake-up a byte, a thousand a second, would be most of the port's work.
//
// Nothing here blocks the window on the device: a command byte goes straight to the driver, and
// whatever a driver that does not drain refuses leaves later, from the event loop. What
// QSerialPort cannot do on the device itself goes through PosixDescriptor.
class QtSerialPort final : public FramedSerialPort
{
    Q_OBJECT

public:
    explicit QtSerialPort(PortMap map = PortMap(), QObject *parent = nullptr);
    ~QtSerialPort() override;

    bool portOpen() const override;
    OpenResult openPort() override;
    void output(const QByteArray &bytes) override;

    // What a failed open(2) of a device node means for the program, by its errno. QSerialPort's
    // own error merges a missing device with a dead one and a refused user with a busy port.
    static OpenResult classifyOpenError(int systemError);

    // The group owning that device node (links followed), "" when there is none: the group a
    // user refused with NoPermission has to join.
    QString deviceGroup() const override;

protected:
    void closeDevice() override;
    void takeWaiting() override;
    void discardWaiting() override;
    bool systemHoldsBytes() override;
    void waitingChanged() override;

private:
    void onReadyRead();
    void onErrorOccurred(QSerialPort::SerialPortError error);
    void onSweep();
    qint64 takeFromDevice();
    qint64 takeFromDriver();

    QSerialPort m_port;
    QTimer m_sweepTimer; // while the driver wakes the port in batches: bytes short of one
    int m_wakeSize = 0;  // VMIN the driver wakes the port at (0: every byte)
    QElapsedTimer m_lastOutput; // when a byte was last handed to the port
};
