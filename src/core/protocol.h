#pragma once

#include "core/linkprofile.h"
#include "core/record.h"

#include <QByteArray>
#include <QtGlobal>

#include <optional>

// The instrument's command bytes and the shape of the replies the link itself reads.
namespace Protocol {

enum Command : qint16 {
    EndOfLink = 0,       // sent when the window closes
    Handshake = 5,       // handshake and keep-alive; answered D5 55 55
    CountRequest = 15,   // number of stored records; answered 05 05 hundreds units
    BlockRequest = 25,   // the stored records, count x 7 bytes
    ReadingRequest = 35, // one realtime reading, 7 bytes
    ModeSwitch = 55,     // instrument mode switch
};

// Reply threshold set before sending a command; nullopt for 25, whose threshold the count reply
// has already set.
std::optional<int> thresholdFor(qint16 command);

// The handshake answer D5 55 55 (at least three bytes, the first three compared).
bool isHandshakeReply(const QByteArray &reply);

// Record count of a count reply 05 05 hundreds units (byte 2 x 100 + byte 3), or nullopt when
// the reply does not start with 05 05 or is too short to hold the count.
std::optional<qint16> parseCountReply(const QByteArray &reply);

// Bytes of a stored-record block of count records; 32-bit so no count overflows it.
inline qint32 blockBytes(qint16 count)
{
    return count > 0 ? qint32(count) * Record::kBytes : 0;
}

// The window's two modes (operatingMode): realtime sampling, or reading the records stored in
// the instrument. Nothing is chosen before start-up.
enum OperatingMode : qint16 {
    NoMode = 0,
    RealtimeSampling = 1,
    StoredData = 2,
};

// Whether realtime readings are asked for (runState): halted while paused, stopped or reading
// stored data.
enum RunState : qint16 {
    Halted = 0,
    Running = 1,
};

// What the polling timer sends: a reading request while sampling runs in realtime mode on a live
// link, a keep-alive otherwise (stopped or paused, or reading stored data), nothing while the
// search for the instrument runs in realtime mode.
std::optional<Command> pollCommand(bool connected, OperatingMode mode, RunState runState);

// The port the search tries after `port`: 1..16 round.
inline qint16 nextScanPort(qint16 port)
{
    return port >= LinkProfile::kPortCount ? qint16(1) : qint16(port + 1);
}

} // namespace Protocol
