#pragma once

#include <QtGlobal>

#include <optional>

// When a serial port tells its owner that a reply is in: the receive threshold and the quiet
// line, as a rule on plain numbers, so every port backend frames replies alike and the rule can
// be checked without a device.
//
// The owner reports bytes as they arrive and calls tick() when the rule asked to be looked at
// again; each call says whether to notify now and when to look next. Times are milliseconds of
// one monotonic clock (any origin). Nothing here blocks, sleeps or reads a clock.
//
// The rule: once `threshold` (> 0) bytes wait, the notification waits for the line to fall
// quiet, so a burst longer than the threshold is taken whole. Quiet means no byte arrived for
// kQuietGapMs and the driver holds none that the owner has not read yet. A line that never
// falls quiet (noise) is cut off kLongestWaitMs after the threshold was met.
class ReplyFraming
{
public:
    // Two character times at 9600 baud 8N1 (2.08 ms); a burst's bytes follow each other 1.04 ms
    // apart.
    static constexpr qint64 kQuietGapMs = 2;
    static constexpr qint64 kLongestWaitMs = 50;
    // A look that comes this much later than asked for was not made in time (the event loop was
    // held up): bytes that came meanwhile may still be on their way through the driver, so the
    // line is watched a moment more (kHeldUpWatchMs) before it counts as quiet.
    static constexpr qint64 kHeldUpMs = 1;
    static constexpr qint64 kHeldUpWatchMs = 1;

    // What the owner does next.
    struct Step
    {
        bool notify = false;
        // When to call tick(); nullopt: nothing to watch (stop any timer).
        std::optional<qint64> lookAgainAt;
        bool operator==(const Step &) const = default;
    };

    // A threshold above 0 is met once that many bytes wait; 0 or less never is.
    static constexpr bool thresholdReached(qint64 waiting, int threshold)
    {
        return threshold > 0 && waiting >= threshold;
    }

    // A new threshold applies from the next arrival or look on; bytes already waiting stay.
    void setThreshold(int threshold) { m_threshold = threshold; }
    int threshold() const { return m_threshold; }
    qint64 waiting() const { return m_waiting; }

    // `count` bytes arrived at `nowMs`. Never notifies at once: the line has just been busy.
    Step arrived(qint64 count, qint64 nowMs);
    // The look asked for is due. `driverHoldsBytes`: bytes have arrived in the driver that the
    // owner has not read yet.
    Step tick(qint64 nowMs, bool driverHoldsBytes);
    // Every waiting byte was taken or thrown away: the rule starts over.
    void reset();

private:
    Step watchUntil(qint64 at);

    int m_threshold = 0;
    qint64 m_waiting = 0;
    std::optional<qint64> m_metAt;  // when the threshold was met
    std::optional<qint64> m_lookAt; // the look asked for
};
