// Reply reception: takes the waiting bytes and hands them on by the last command sent.
#include "app/form1.h"
#include "link/protocol.h"
#include "platform/serialport.h"
#include "platform/shapeindicator.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>

void Form1::MSComm1_OnComm()
{
    SerialPort &port = MSComm1();
    if (port.commEvent() != SerialPort::EventReceive)
        return;

    replyBuffer = port.input();
    port.clearInBuffer();
    port.clearOutBuffer();
    silentTicks = 0;

    // Timer4's reading request can follow the handshake byte before the answer is in; the answer
    // then arrives ahead of the reading. Both timers tick in step after a lost link, so without
    // taking it as the handshake here the instrument would never be found again while sampling.
    const bool handshakeFirst
            = lastCommand == Protocol::ReadingRequest && Protocol::isHandshakeReply(replyBuffer);
    if (!connected && (lastCommand == Protocol::Handshake || handshakeFirst)) {
        if (Protocol::isHandshakeReply(replyBuffer)) {
            Label2->setText(QStringLiteral("connection success"));
            connected = true;
            Shape1->setFillColor(kLinkUpColor);
        }
        return;
    }

    switch (lastCommand) {
    case Protocol::CountRequest:
        if (const std::optional<qint16> count = Protocol::parseCountReply(replyBuffer)) {
            recordCount = *count;
            Label6->setText(QStringLiteral("Save num:") + QString::number(recordCount));
            if (recordCount <= 0) {
                // Nothing stored: no block will come, so take the empty block now instead of
                // waiting for bytes that never arrive and declaring the link dead.
                replyBuffer.clear();
                DecodeStoredRecords();
                Label6->setText(QStringLiteral("receive old data"));
                port.setRThreshold(3);
                comunication->start();
                return;
            }
            port.setRThreshold(int(Protocol::blockBytes(recordCount)));
            Timer3->start();
        } else {
            Timer3->stop();
            port.setRThreshold(4);
            Label6->setText(QStringLiteral("receive error"));
        }
        break;
    case Protocol::BlockRequest:
        transferProgress->setVisible(false);
        DecodeStoredRecords();
        Label6->setText(QStringLiteral("receive old data"));
        port.setRThreshold(3);
        comunication->start();
        break;
    case Protocol::ReadingRequest:
        recordCount = 1;
        DecodeRealtimeReply();
        Label6->setText(QStringLiteral("receive data"));
        break;
    default: // 5 once connected, 0, 55: the burst only fed the supervision
        break;
    }
}

void Form1::MSComm1_BytesArrived(qint64 bytesWaiting)
{
    // Silence, not the time since the last complete reply, is what tells a dead link: a long
    // block of records arrives for many seconds before its single notification.
    silentTicks = 0;
    if (!transferProgress->isHidden() && lastCommand == Protocol::BlockRequest)
        transferProgress->setValue(int(qMin<qint64>(bytesWaiting, transferProgress->maximum())));
}
