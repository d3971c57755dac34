#pragma once

#include "journal.h"

#include "machine-load/machinelateness.h"

namespace Soak {

// Stalls: a watchdog ticks every 10 ms and measures how much later than that each tick came,
// less the soak's own checks and less what the machine held the event loop back (a core taken
// by other work, by the probes' count or the scheduler's). What is left is the program's doing.
class StallMonitor
{
public:
    explicit StallMonitor(Journal &journal)
        : m_journal(journal)
    {
        m_watchdog.setTimerType(Qt::PreciseTimer);
        m_watchdog.setInterval(kWatchdogMs);
        QObject::connect(&m_watchdog, &QTimer::timeout, [this] { onTick(); });
    }

    void start() { m_watchdog.start(); }
    void stop() { m_watchdog.stop(); }
    qint64 longestNs() const { return m_longestNs; }
    qint64 longestMachineNs() const { return m_longestMachineNs; }

private:
    static constexpr int kWatchdogMs = 10;
#ifdef QUILLO_SOAK_ASAN
    // The sanitized build is unoptimised and instrumented, four times slower or more: its budget
    // is the plain build's scaled alike (its run is there for the sanitizers' reports).
    static constexpr qint64 kBudgetNs = 4 * 50 * kMsNs;
#else
    static constexpr qint64 kBudgetNs = 50 * kMsNs;
#endif

    void onTick()
    {
        const qint64 tick = m_journal.now();
        const qint64 own = m_journal.takeOwnNs();
        const MachineLateness::ThreadTimes times = MachineLateness::threadTimes();
        const bool known = times.waitNs >= 0 && m_lastTimes.waitNs >= 0;
        const qint64 machine
                = qMax(m_machine.takeLongestNs(), known ? times.waitNs - m_lastTimes.waitNs : 0);
        const qint64 work = known ? times.runNs - m_lastTimes.runNs - own : -1;
        m_lastTimes = times;
        if (m_lastTickNs >= 0) {
            const qint64 gap = tick - m_lastTickNs - own - kWatchdogMs * kMsNs;
            const qint64 stall = gap - machine;
            m_longestMachineNs = qMax(m_longestMachineNs, machine);
            m_longestNs = qMax(m_longestNs, stall);
            const QString what
                    = QStringLiteral("event loop stalled %1 ms (the machine %2 ms, at work %3 "
                                     "ms; during: %4)")
                              .arg(stall / kMsNs)
                              .arg(machine / kMsNs)
                              .arg(work < 0 ? QStringLiteral("?") : QString::number(work / kMsNs))
                              .arg(m_journal.activity());
            if (stall > kBudgetNs)
                m_journal.fail(what);
            else if (gap > kBudgetNs / 2)
                m_journal.log(QStringLiteral("  ") + what);
        }
        m_lastTickNs = m_journal.now();
    }

    Journal &m_journal;
    QTimer m_watchdog;
    MachineLateness m_machine;
    qint64 m_lastTickNs = -1;
    MachineLateness::ThreadTimes m_lastTimes;
    qint64 m_longestNs = 0;
    qint64 m_longestMachineNs = 0;
};

} // namespace Soak
