// The polling timers: keep-alive or reading requests, and the one-shot block request.
#include "app/form1.h"
#include "link/protocol.h"

#include <QProgressBar>
#include <QTimer>

void Form1::comunication_Timer()
{
    if ((connected && operatingMode == 2) || runState == 0)
        SendCommand(Protocol::Handshake);
    else if (connected && operatingMode == 1 && runState == 1)
        SendCommand(Protocol::ReadingRequest);
}

void Form1::Timer4_Timer()
{
    RequestReading();
}

void Form1::Timer3_Timer()
{
    SendCommand(Protocol::BlockRequest);
    Timer3->stop();
    if (lastCommand == Protocol::BlockRequest) {
        // A full instrument takes tens of seconds to send its records: show them coming.
        transferProgress->setRange(0, int(Protocol::blockBytes(recordCount)));
        transferProgress->setValue(0);
        transferProgress->setVisible(true);
    }
}
