#include "core/replyframing.h"

#include <utility>

ReplyFraming::Step ReplyFraming::watchUntil(qint64 at)
{
    m_lookAt = at;
    return {false, at};
}

ReplyFraming::Step ReplyFraming::arrived(qint64 count, qint64 nowMs)
{
    m_waiting += count;
    if (!thresholdReached(m_waiting, m_threshold))
        return {false, m_lookAt}; // a look already asked for stays as it is
    if (!m_metAt)
        m_metAt = nowMs;
    // The quiet gap counts from the latest arrival: each one starts it again.
    return watchUntil(nowMs + kQuietGapMs);
}

ReplyFraming::Step ReplyFraming::tick(qint64 nowMs, bool driverHoldsBytes)
{
    const std::optional<qint64> askedFor = std::exchange(m_lookAt, std::nullopt);
    if (!thresholdReached(m_waiting, m_threshold))
        return {}; // the threshold was raised meanwhile: the next arrival decides
    if (!m_metAt)
        m_metAt = nowMs; // met by a lowered threshold, with no arrival since
    const bool tooLong = nowMs - *m_metAt >= kLongestWaitMs;
    if (!tooLong && askedFor && nowMs - *askedFor > kHeldUpMs)
        return watchUntil(nowMs + kHeldUpWatchMs);
    if (!tooLong && driverHoldsBytes)
        return watchUntil(nowMs + kQuietGapMs); // their arrival starts the gap again
    m_metAt.reset();
    return {true, std::nullopt};
}

void ReplyFraming::reset()
{
    m_waiting = 0;
    m_metAt.reset();
    m_lookAt.reset();
}
