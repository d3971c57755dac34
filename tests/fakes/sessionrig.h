#pragma once

#include "core/protocol.h"
#include "fakes/fakeserialport.h"
#include "fakes/linkclock.h"
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

    // The session's clock: it moves only when the test says so.
    LinkClock clock;

    SessionRig()
    {
        for (QTimer *timer : link.findChildren<QTimer *>())
            timer->stop();
        clock.attach(link);
    }

    void advance(qint64 ms) { clock.advance(link, ms); }

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
