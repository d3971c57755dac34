#include "link/protocol.h"

namespace Protocol {

std::optional<int> thresholdFor(qint16 command)
{
    switch (command) {
    case Handshake:
        return 3;
    case BlockRequest:
        return std::nullopt;
    case ReadingRequest:
        return 7;
    default: // 0, 15, 55 and anything else
        return 4;
    }
}

bool isHandshakeReply(const QByteArray &reply)
{
    return reply.size() >= 3 && quint8(reply[0]) == 0xD5 && quint8(reply[1]) == 0x55
           && quint8(reply[2]) == 0x55;
}

std::optional<qint16> parseCountReply(const QByteArray &reply)
{
    if (reply.size() < 2 || quint8(reply[0]) != 5 || quint8(reply[1]) != 5)
        return std::nullopt;
    // A count reply cut short after its two marker bytes carries no count: treat it as bad.
    if (reply.size() < 4)
        return std::nullopt;
    return qint16(quint8(reply[2]) * 100 + quint8(reply[3]));
}

} // namespace Protocol
