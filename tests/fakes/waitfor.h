#pragma once

#include <QEventLoop>
#include <QTimer>

// Runs the event loop as the program does (the simulated instrument runs on it too) until
// `done` holds, or false once `timeoutMs` have passed. It looks every millisecond and never
// sleeps: QTest's waits sleep 10 ms between batches of events, which would bunch a paced line's
// bytes. `done` is not asked again once it has held: it may consume what it looks at.
template<typename Predicate>
bool waitFor(Predicate done, int timeoutMs)
{
    if (done())
        return true;
    bool met = false;
    QEventLoop loop;
    QTimer check;
    check.setTimerType(Qt::PreciseTimer);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) {
            met = true;
            loop.quit();
        }
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    check.start(1);
    loop.exec();
    return met;
}
