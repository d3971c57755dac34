#pragma once

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
    return count > 0 ? qint32(count) * 7 : 0;
}

} // namespace Protocol
