#pragma once

#include "core/protocol.h"
#include "fakes/fakeserialport.h"
#include "link/linksession.h"

#include <QTimer>
#include <QtTest>

#include <memory>

// A link session on a fake port, without a window. Every timer is stopped so each tick is the
// test's; the port is owned by the session, `port` only looks at it.
struct SessionRig
{
    FakeSerialPort *port = new FakeSerialPort;
    LinkSession link{std::unique_ptr<SerialPort>(port)};

    // The session's clock, in milliseconds: it moves only when the test says so.
    std::shared_ptr<qint64> clockMs = std::make_shared<qint64>(0);

    SessionRig()
    {
        for (QTimer *timer : link.findChildren<QTimer *>())
            timer->stop();
        link.setClock([clock = clockMs] { return *clock; });
    }

    // Time passes: whatever the session watches for comes due.
    void advance(qint64 ms)
    {
        // As a punctual timer would: every look the session asks for, when it asks for it.
        const qint64 until = *clockMs + ms;
        while (const std::optional<qint64> at = link.exchange().wakeAt()) {
            if (*at > until)
                break;
            *clockMs = qMax(*clockMs, *at);
            link.answerWatchTick();
        }
        *clockMs = until;
        link.answerWatchTick();
    }

    // The instrument answered the handshake on that port. The records of the fake start empty.
    void connect(int portNumber = 1)
    {
        port->forceOpen(portNumber);
        link.send(Protocol::Handshake);
        port->deliver(QByteArray::fromHex("D55555"));
        QVERIFY(link.connected());
        port->resetRecords();
    }
};
