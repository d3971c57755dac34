#pragma once

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStringList>
#include <QTextStream>
#include <QTimer>

#include <limits>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#define QUILLO_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLO_SOAK_ASAN 1
#endif
#endif

// What every part of the soak shares: the run's clock and length, the log of events on stderr,
// the failures found, what the run is doing now (named in failures) and whether it can go on.
namespace Soak {

constexpr qint64 kMsNs = 1'000'000;
constexpr qint64 kNever = std::numeric_limits<qint64>::max();

inline QString seconds(qint64 ns)
{
    return QString::number(double(ns) / 1e9, 'f', 1) + QStringLiteral(" s");
}

inline QString megabytes(qint64 bytes)
{
    return (bytes >= 0 ? QStringLiteral("+") : QString())
           + QString::number(double(bytes) / double(1024 * 1024), 'f', 1) + QStringLiteral(" MB");
}

// Runs the event loop, as the program's own would, until `done` holds or time is up.
template<typename Predicate>
bool waitUntil(Predicate done, qint64 timeoutMs)
{
    if (done())
        return true;
    QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired())
            loop.quit();
    });
    poll.start();
    loop.exec();
    return done();
}

inline void pause(int ms)
{
    waitUntil([] { return false; }, ms);
}

class Journal
{
public:
    explicit Journal(double minutes)
        : m_endNs(qint64(minutes * 60e9))
    {
        m_clock.start();
    }

    qint64 now() const { return m_clock.nsecsElapsed(); }
    qint64 endNs() const { return m_endNs; }
    qint64 remainingNs() const { return m_endNs - now(); }

    void log(const QString &line)
    {
        m_err << QStringLiteral("[%1] ").arg(double(now()) / 1e9, 7, 'f', 2) << line << "\n";
        m_err.flush();
    }
    void fail(const QString &what)
    {
        log(QStringLiteral("FAILED: ") + what);
        m_failures.append(what);
    }
    const QStringList &failures() const { return m_failures; }

    void setActivity(const QString &activity) { m_activity = activity; }
    const QString &activity() const { return m_activity; }

    // Time spent on the soak's own checks since the stall watchdog last took it (see OwnTime).
    void addOwnNs(qint64 ns) { m_ownNs += ns; }
    qint64 takeOwnNs() { return std::exchange(m_ownNs, 0); }

    // The run cannot go on (the link never came back, no pseudo-terminal): it ends there.
    void giveUp() { m_stuck = true; }
    bool stuck() const { return m_stuck; }

private:
    QElapsedTimer m_clock;
    qint64 m_endNs = 0;
    QTextStream m_err{stderr};
    QStringList m_failures;
    QString m_activity = QStringLiteral("start");
    qint64 m_ownNs = 0;
    bool m_stuck = false;
};

// The soak's own work inside the event loop, for as long as one lives: no stall of the program's.
class OwnTime
{
public:
    explicit OwnTime(Journal &journal)
        : m_journal(journal)
    {
        m_timer.start();
    }
    ~OwnTime() { m_journal.addOwnNs(m_timer.nsecsElapsed()); }
    OwnTime(const OwnTime &) = delete;
    OwnTime &operator=(const OwnTime &) = delete;

private:
    Journal &m_journal;
    QElapsedTimer m_timer;
};

} // namespace Soak
