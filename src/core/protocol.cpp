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

} // namespace Protocol
