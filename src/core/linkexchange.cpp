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
    const qint64 onTheLine = ((m_answerBytes + 1) * LinkProfile::kByteMicros + 999) / 1000;
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
    if (endsByTime(m_phase) && nowMs >= answerDeadline()) {
        m_phase = Phase::Idle;
        m_readingsOwed = 0;
    }
}

LinkExchange::Send LinkExchange::sendNow(qint16 command, qint64 nowMs, bool emptyFirst)
{
    m_readingsOwed = command != Protocol::ReadingRequest ? 0
                     : emptyFirst                        ? 1
                                                         : m_readingsOwed + 1;
    m_phase = phaseFor(command);
    m_lastCommand = command;
    m_sentAtMs = nowMs;
    m_answerBytes = command == Protocol::ReadingRequest
                            ? qint64(m_readingsOwed) * LinkProfile::kReadingReplyBytes
                            : answerBytesFor(command, m_recordCount);
    m_drainLeft = -1;
    if (emptyFirst)
        m_waiting = 0;
    return {command, emptyFirst, Protocol::thresholdFor(command)};
}

void LinkExchange::drainUntilQuiet(qint64 bytesLeft)
{
    m_phase = Phase::Draining;
    m_readingsOwed = 0;
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
        drainUntilQuiet(m_answerBytes); // what waits is counted off when it is taken
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
        wanted.send = sendNow(command, nowMs, true);
        return wanted;
    }
    Wanted wanted = readUnderWay() ? abandonRead() : Wanted{};
    if (command == Protocol::EndOfLink) {
        // The program is leaving: nothing said after it is waited for.
        m_held.clear();
        wanted.kind = Wanted::SendNow;
        wanted.send = sendNow(command, nowMs, true);
        return wanted;
    }
    const bool mayArrive = answerMayArrive(nowMs);
    if (command == Protocol::ReadingRequest && m_phase == Phase::Readings && mayArrive
        && m_held.isEmpty()) {
        wanted.kind = Wanted::SendNow;
        wanted.send = sendNow(command, nowMs, false);
    } else if (mayArrive || !m_held.isEmpty()) {
        if (!holds(command))
            m_held.append(command); // the same command wanted twice is one wish
        wanted.kind = Wanted::Hold;
        wanted.holdUntilMs = answerDeadline();
    } else {
        wanted.kind = Wanted::SendNow;
        wanted.send = sendNow(command, nowMs, true);
    }
    return wanted;
}

std::optional<LinkExchange::Send> LinkExchange::nextDue(qint64 nowMs)
{
    if (m_held.isEmpty())
        return std::nullopt;
    settle(nowMs);
    const qint16 command = m_held.first();
    const bool backToBack = command == Protocol::ReadingRequest && m_phase == Phase::Readings;
    if (answerMayArrive(nowMs) && !backToBack)
        return std::nullopt;
    m_held.removeFirst();
    return sendNow(command, nowMs, !backToBack);
}

LinkExchange::Taken LinkExchange::takeReadings(const QByteArray &bytes)
{
    const qint64 size = bytes.size();
    const qint64 whole = size / LinkProfile::kReadingReplyBytes;
    const bool aligned = size >= LinkProfile::kReadingReplyBytes
                         && (m_readingsOwed <= 1 || size % LinkProfile::kReadingReplyBytes == 0);
    if (!aligned) {
        // Answers asked for back to back, one of them short or long: where one ends and the next
        // begins is unknown, so none of it is a reading, and neither is what still comes.
        drainUntilQuiet(-1);
        return {};
    }
    // One answer is taken whole even when longer (a burst of nine); answers back to back count
    // off one each.
    m_readingsOwed = std::max(0, m_readingsOwed - int(m_readingsOwed <= 1 ? 1 : whole));
    Taken taken;
    taken.kind = Kind::Reading;
    if (m_readingsOwed == 0) {
        m_phase = Phase::Idle;
        taken.emptyAfter = true;
    }
    return taken;
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
        if (handshake) {
            m_phase = Phase::Idle;
            m_readingsOwed = 0;
            m_connected = true;
            return {Kind::Handshake, 0, std::nullopt, true};
        }
        if (m_phase == Phase::Readings)
            return takeReadings(bytes);
        m_phase = Phase::Idle;
        return {Kind::Stale, 0, std::nullopt, true};
    case Phase::Count:
        return takeCount(bytes);
    case Phase::Block:
        m_phase = Phase::Idle;
        return {Kind::Block, m_recordCount, LinkProfile::kHandshakeReplyBytes, true};
    case Phase::Draining:
        // Taken off as they come and never emptied: emptying would also drop bytes still in
        // the driver, uncounted, and the count would then eat into the next answer.
        if (m_drainLeft >= 0) {
            m_drainLeft -= bytes.size();
            if (m_drainLeft <= 0)
                m_phase = Phase::Idle;
        }
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
    m_readingsOwed = 0;
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
    m_readingsOwed = 0;
    m_held.clear();
    return true;
}

bool LinkExchange::portOpened()
{
    const bool hadRead = readUnderWay();
    m_phase = Phase::Idle;
    m_readingsOwed = 0;
    m_waiting = 0;
    m_held.clear();
    m_recheckAt.reset();
    return hadRead;
}

void LinkExchange::restartSearch()
{
    m_connected = false;
}
