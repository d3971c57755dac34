#pragma once

#include <QDeadlineTimer>
#include <QTest>

// Spins the event loop (where the simulated instrument runs too) until `done` holds, or false
// once `timeoutMs` have passed.
template<typename Predicate>
bool waitFor(Predicate done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}
