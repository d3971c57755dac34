#include "core/linkexchange.h"

#include "core/linkprofile.h"
#include "core/protocol.h"

#include <algorithm>
#include <utility>

namespace {
// A look at the clock that comes this much later than asked for was held up (a busy machine):
// bytes of the answer may be waiting unread behind it, so look once more before judging.
constexpr qint64 kHeldUpMs = 20;
constexpr qint64 kHeldUpWatchMs = 10;

// The bytes an answer to `command` has on the line.
qint64 answerBytesFor(qint16 command, qint16 recordCount)
{
    if (command == Protocol::BlockRequest)
        return Protocol::blockBytes(recordCount);
    return Protocol::thresholdFor(command).value_or(LinkProfile::kCountReplyBytes);
}

LinkExchange::Phase phaseFor(qint16 command)
{
    using P = LinkExchange::Phase;
    switch (command) {
    case Protocol::Handshake:
        return P::Handshake;
    case Protocol::CountRequest:
        return P::Count;
    case Protocol::BlockRequest:
        return P::Block;
    case Protocol::ReadingRequest:
        return P::Readings;
    default:
        return P::Other;
    }
}

// Phases whose answer ends by time when it does not end by its bytes. A read's count and block
// do not: they end with their bytes, another command, or the link.
bool endsByTime(LinkExchange::Phase phase)
{
    using P = LinkExchange::Phase;
    return phase == P::Handshake || phase == P::Readings || phase == P::Draining
           || phase == P::Other;
}
} // namespace

bool LinkExchange::readUnderWay() const
{
    return m_phase == Phase::Count || m_phase == Phase::BlockDue || m_phase == Phase::Block
           || holds(Protocol::CountRequest);
}

qint32 LinkExchange::blockBytes() const
{
    return Protocol::blockBytes(m_recordCount);
}

qint64 LinkExchange::answerDeadline() const
{
    // The command's own byte, then the answer's.
    const qint64 onTheLine = ((m_answerBytes + 1) * LinkProfile::kByteNs + 999'999) / 1'000'000;
    const qint64 bySending = m_sentAtMs + LinkProfile::kLongestTurnaroundMs + onTheLine;
    return std::max(bySending, m_lastArrivalMs + LinkProfile::kLongestTurnaroundMs);
}

bool LinkExchange::answerMayArrive(qint64 nowMs) const
{
    if (m_phase == Phase::Idle || m_phase == Phase::BlockDue)
        return false;
    return !endsByTime(m_phase) || nowMs < answerDeadline();
}

bool LinkExchange::holds(qint16 command) const
{
    return m_held.contains(command);
}

void LinkExchange::settle(qint64 nowMs)
{
    if (endsByTime(m_phase) && nowMs >= answerDeadline())
        m_phase = Phase::Idle;
}

LinkExchange::Send LinkExchange::sendNow(qint16 command, qint64 nowMs)
{
    m_phase = phaseFor(command);
    m_lastCommand = command;
    m_sentAtMs = nowMs;
    m_answerBytes = answerBytesFor(command, m_recordCount);
    m_waiting = 0;
    return {command, Protocol::thresholdFor(command)};
}

void LinkExchange::drain(qint64 bytesLeft)
{
    m_phase = Phase::Draining;
    m_drainLeft = bytesLeft;
}

LinkExchange::Wanted LinkExchange::abandonRead()
{
    Wanted wanted;
    wanted.readAbandoned = true;
    if (m_held.removeOne(Protocol::CountRequest))
        return wanted; // it never went out
    if (m_phase == Phase::BlockDue)
        m_phase = Phase::Idle; // nothing on the line yet
    else
        drain(m_answerBytes); // what waits is counted off when it is taken
    return wanted;
}

LinkExchange::Wanted LinkExchange::want(qint16 command, qint64 nowMs)
{
    settle(nowMs);
    if (command == Protocol::CountRequest && (readUnderWay() || holds(command)))
        return {}; // one read at a time: a second "Read" changes nothing
    if (command == Protocol::BlockRequest) {
        if (m_phase != Phase::BlockDue)
            return {}; // no count announced a block
        Wanted wanted;
        wanted.kind = Wanted::SendNow;
        wanted.send = sendNow(command, nowMs);
        return wanted;
    }
    Wanted wanted = readUnderWay() ? abandonRead() : Wanted{};
    if (command == Protocol::EndOfLink) {
        // The program is leaving: nothing said after it is waited for.
        m_held.clear();
        wanted.kind = Wanted::SendNow;
        wanted.send = sendNow(command, nowMs);
        return wanted;
    }
    if (answerMayArrive(nowMs) || !m_held.isEmpty()) {
        if (!holds(command))
            m_held.append(command); // the same command wanted twice is one wish
        wanted.kind = Wanted::Hold;
        wanted.holdUntilMs = answerDeadline();
    } else {
        wanted.kind = Wanted::SendNow;
        wanted.send = sendNow(command, nowMs);
    }
    return wanted;
}

std::optional<LinkExchange::Send> LinkExchange::nextDue(qint64 nowMs)
{
    if (m_held.isEmpty())
        return std::nullopt;
    settle(nowMs);
    if (answerMayArrive(nowMs))
        return std::nullopt;
    return sendNow(m_held.takeFirst(), nowMs);
}

LinkExchange::Taken LinkExchange::takeCount(const QByteArray &bytes)
{
    m_phase = Phase::Idle;
    const std::optional<qint16> count = Protocol::parseCountReply(bytes);
    if (!count)
        return {Kind::CountRejected, 0, LinkProfile::kCountReplyBytes, true};
    m_recordCount = *count;
    if (m_recordCount <= 0) // nothing stored: no block comes, the read is over
        return {Kind::Count, m_recordCount, LinkProfile::kHandshakeReplyBytes, true};
    m_phase = Phase::BlockDue;
    return {Kind::Count, m_recordCount, blockBytes(), true};
}

LinkExchange::Taken LinkExchange::taken(const QByteArray &bytes)
{
    m_waiting = 0;
    const bool handshake = !m_connected && Protocol::isHandshakeReply(bytes);
    switch (m_phase) {
    case Phase::Handshake:
    case Phase::Readings:
        // A handshake answer ahead of a reading asked for after it is still the handshake.
        m_phase = Phase::Idle;
        if (handshake) {
            m_connected = true;
            return {Kind::Handshake, 0, std::nullopt, true};
        }
        // A reply longer than a reading (a burst of nine) is taken whole; the threshold never
        // lets a shorter one through.
        if (m_lastCommand == Protocol::ReadingRequest
            && bytes.size() >= LinkProfile::kReadingReplyBytes)
            return {Kind::Reading, 0, std::nullopt, true};
        return {Kind::Stale, 0, std::nullopt, true};
    case Phase::Count:
        return takeCount(bytes);
    case Phase::Block:
        m_phase = Phase::Idle;
        return {Kind::Block, m_recordCount, LinkProfile::kHandshakeReplyBytes, true};
    case Phase::Draining:
        // Taken off as they come and never emptied: emptying would also drop bytes still in
        // the driver, uncounted, and the count would then eat into the next answer.
        m_drainLeft -= bytes.size();
        if (m_drainLeft <= 0)
            m_phase = Phase::Idle;
        return {};
    case Phase::Other:
        m_phase = Phase::Idle;
        return {Kind::Stale, 0, std::nullopt, true};
    case Phase::Idle:
    case Phase::BlockDue:
        break;
    }
    return {Kind::Stale, 0, std::nullopt, true};
}

bool LinkExchange::timePassed(qint64 nowMs)
{
    if (!endsByTime(m_phase)) {
        m_recheckAt.reset();
        return false;
    }
    const qint64 due = std::max(answerDeadline(), m_recheckAt.value_or(0));
    if (nowMs < due)
        return false;
    if (nowMs - due > kHeldUpMs) {
        m_recheckAt = nowMs + kHeldUpWatchMs;
        return false;
    }
    m_recheckAt.reset();
    m_phase = Phase::Idle;
    // What waits is an answer that ended short, or the rest of one nobody waits for.
    return std::exchange(m_waiting, 0) > 0;
}

std::optional<qint64> LinkExchange::wakeAt() const
{
    if (!endsByTime(m_phase))
        return std::nullopt;
    return std::max(answerDeadline(), m_recheckAt.value_or(0));
}

bool LinkExchange::arrived(qint64 bytesWaiting, qint64 nowMs)
{
    m_silentTicks = 0;
    m_lastArrivalMs = nowMs;
    m_waiting = bytesWaiting;
    return m_phase == Phase::Draining;
}

bool LinkExchange::supervisionTick()
{
    m_lostRead = false;
    if (m_silentTicks < LinkProfile::kSilentTicksTolerated) {
        ++m_silentTicks;
        return false;
    }
    m_silentTicks = 0;
    m_connected = false;
    m_lostRead = readUnderWay();
    m_phase = Phase::Idle;
    m_held.clear();
    return true;
}

bool LinkExchange::portOpened()
{
    const bool hadRead = readUnderWay();
    m_phase = Phase::Idle;
    m_waiting = 0;
    m_held.clear();
    m_recheckAt.reset();
    return hadRead;
}

void LinkExchange::restartSearch()
{
    m_connected = false;
}
