#pragma once

#include "platform/portmap.h"
#include "platform/serialport.h"

#include <QElapsedTimer>
#include <QSerialPort>

// The real port over QSerialPort: 9600 baud, 8 data bits, no parity, 1 stop bit, no flow
// control, raw bytes.
//
// Notifications (bytesArrived, OnComm) are never emitted from inside a call into this class:
// QSerialPort reads the device inside waitForBytesWritten, that is inside a handler that is
// sending a command, so arrivals are only noted there and delivered from the event loop.
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

    // Maps a failed QSerialPort::open onto the two failures the program tells apart.
    static OpenResult classifyOpenError(QSerialPort::SerialPortError error);

    // The device path the port number currently selected stands for ("" when there is none).
    QString devicePath() const;

private:
    void onReadyRead();
    void onErrorOccurred(QSerialPort::SerialPortError error);
    void deliverArrivals();
    void pullPendingBytes();

    PortMap m_map;
    QSerialPort m_port;
    int m_commPort = 1;
    int m_threshold = 0;
    int m_commEvent = EventNone;
    bool m_deliveryQueued = false;
    QElapsedTimer m_lastOutput; // when a byte was last handed to the port
};
