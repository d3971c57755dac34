// SendCommand, the one way a byte reaches the instrument, and the two request helpers.
#include "app/form1.h"
#include "link/protocol.h"
#include "platform/serialport.h"

#include <QTimer>

void Form1::SendCommand(qint16 command)
{
    SerialPort &port = MSComm1();
    if (!port.portOpen())
        return; // nothing happens; lastCommand keeps its value

    if (command == Protocol::CountRequest)
        comunication->stop(); // the stored-record exchange runs without polling
    if (const std::optional<int> threshold = Protocol::thresholdFor(command))
        port.setRThreshold(*threshold);
    lastCommand = command;
    port.output(QByteArray(1, char(quint8(command))));
    // Whatever was waiting belongs to an earlier request: collect this reply from scratch.
    port.clearInBuffer();
    port.clearOutBuffer();
}

void Form1::RequestReading()
{
    if (operatingMode == 1 && runState == 1)
        SendCommand(Protocol::ReadingRequest);
}

void Form1::StartStoredRead()
{
    if (operatingMode == 2)
        SendCommand(Protocol::CountRequest);
}
