// Finding the instrument on ports 1..16 and noticing when it falls silent.
#include "app/form1.h"
#include "link/protocol.h"
#include "platform/serialport.h"
#include "platform/shapeindicator.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

void Form1::comopen(qint16 port)
{
    SerialPort &serial = MSComm1();
    if (serial.portOpen())
        serial.closePort();
    serial.setCommPort(port);
    const QString com = QStringLiteral("COM") + QString::number(port);
    switch (serial.openPort()) {
    case SerialPort::Opened:
        Label1->setText(com + QStringLiteral(" open success"));
        break;
    case SerialPort::InUse:
        Label1->setText(com + QStringLiteral(" be occupied"));
        break;
    case SerialPort::NoSuchPort:
        Label1->setText(com + QStringLiteral(" null"));
        break;
    default:
        // A port that could not be opened for another reason is not a success.
        Label1->setText(com + QStringLiteral(" open fail"));
        break;
    }
}

void Form1::findcom_Timer()
{
    if (connected) {
        findcom->stop();
        comunication->start();
        Command1->setEnabled(true);
        Command2->setEnabled(true);
        return;
    }
    comopen(scanPort);
    SendCommand(Protocol::Handshake);
    if (scanPort >= 16)
        scanPort = 1;
    else
        scanPort = qint16(scanPort + 1);
}

void Form1::COMtimout_Timer()
{
    if (silentTicks >= 4) {
        silentTicks = 0;
        Label2->setText(QStringLiteral("connection fail"));
        connected = false;
        Shape1->setFillColor(kLinkDownColor);
        // Restarting a running discovery timer would postpone its tick: while nothing answers,
        // every fifth supervision tick would then cost discovery a port and stretch the 8 s cycle.
        if (!findcom->isActive())
            findcom->start();
        transferProgress->setVisible(false); // a block still arriving is lost with the link
    } else {
        silentTicks = qint16(silentTicks + 1);
    }
}
