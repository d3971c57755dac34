#include "core/protocol.h"

#include "core/linkprofile.h"

namespace Protocol {

std::optional<int> thresholdFor(qint16 command)
{
    switch (command) {
    case Handshake:
        return LinkProfile::kHandshakeReplyBytes;
    case BlockRequest:
        return std::nullopt;
    case ReadingRequest:
        return LinkProfile::kReadingReplyBytes;
    default: // 0, 15, 55 and anything else
        return LinkProfile::kCountReplyBytes;
    }
}

bool isHandshakeReply(const QByteArray &reply)
{
    return reply.size() >= LinkProfile::kHandshakeReplyBytes && quint8(reply[0]) == 0xD5
           && quint8(reply[1]) == 0x55 && quint8(reply[2]) == 0x55;
}

std::optional<qint16> parseCountReply(const QByteArray &reply)
{
    if (reply.size() < 2 || quint8(reply[0]) != 5 || quint8(reply[1]) != 5)
        return std::nullopt;
    // A count reply cut short after its two marker bytes carries no count: treat it as bad.
    if (reply.size() < LinkProfile::kCountReplyBytes)
        return std::nullopt;
    return qint16(quint8(reply[2]) * 100 + quint8(reply[3]));
}

std::optional<Command> pollCommand(bool connected, OperatingMode mode, RunState runState)
{
    if ((connected && mode == StoredData) || runState == Halted)
        return Handshake;
    if (connected && mode == RealtimeSampling && runState == Running)
        return ReadingRequest;
    return std::nullopt;
}

Route routeReply(qint16 lastCommand, bool connected, const QByteArray &reply)
{
    // A reading request can follow the handshake byte before its answer is in: after a lost link
    // the search and the polling tick in step. The answer then arrives ahead of the reading and
    // must be taken as the handshake, or the instrument would never be found again.
    const bool handshakeFirst = lastCommand == ReadingRequest && isHandshakeReply(reply);
    if (!connected && (lastCommand == Handshake || handshakeFirst))
        return isHandshakeReply(reply) ? Route::Handshake : Route::Ignored;
    switch (lastCommand) {
    case CountRequest:
        return Route::Count;
    case BlockRequest:
        return Route::Block;
    case ReadingRequest:
        return Route::Reading;
    default: // 5 once connected, 0, 55: the burst only fed the supervision
        return Route::Ignored;
    }
}

} // namespace Protocol
