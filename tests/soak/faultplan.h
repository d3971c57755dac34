#pragma once

#include "faults.h"
#include "journal.h"
#include "storedread.h"

namespace Soak {

// Which fault comes next, at random from the seed: cables and adapters pulled for a while, noise
// for replies, noise on the line, split replies, nine-byte bursts, a slow adapter, and reads of
// the stored block,
// some refused by a bad count or cut off by an unplug. The same seed plays the same faults.
class FaultPlan
{
public:
    FaultPlan(Journal &journal,
              E2e::Rig &rig,
              quint32 seed,
              InstrumentReadiness &instrument,
              RecoveryMonitor &recovery,
              BlockMonitor &blocks,
              ReadingMonitor &readings,
              qint64 warmupNs)
        : m_journal(journal)
        , m_rig(rig)
        , m_rng(seed)
        , m_line(journal, rig, m_rng, instrument, readings)
        , m_read(journal, rig, m_rng, m_line, instrument, recovery, blocks, readings)
        , m_warmupNs(warmupNs)
    {}

    // The instrument plugged in at one of the first port numbers, before the window starts.
    bool plugIn()
    {
        if (!m_rig.sim.open())
            return false;
        m_line.placeAt(randomIn(m_rng, 1, 4));
        return true;
    }

    // The next fault, played to its end (the link may still be down after it).
    void episode()
    {
        // The first is a read of the largest block the run will read, over within the warm-up:
        // the heap then has held the longest listing before the baseline is taken, and a later,
        // longer listing cannot pass for growth.
        if (m_faults++ == 0) {
            const qint64 fits = qMax<qint64>(0, m_warmupNs - 4000 * kMsNs) / StoredRead::blockNs(1);
            const int largest = int(qMin<qint64>(StoredRead::kLargestBlock, fits));
            m_read.setLargest(largest);
            m_read.run(StoredRead::Fault::None, largest);
            return;
        }
        const int pick = int(m_rng.bounded(100));
        if (pick < 66) {
            lineFault(pick);
            return;
        }
        const int kind = int(m_rng.bounded(10));
        using Fault = StoredRead::Fault;
        const Fault fault = kind == 0  ? Fault::BadCount
                            : kind < 3 ? Fault::CableMidBlock
                            : kind < 5 ? Fault::AdapterMidBlock
                                       : Fault::None;
        // A read never runs past the end, and in a short run leaves room for other faults.
        const qint64 budgetNs = qMin(m_journal.remainingNs() - 5000 * kMsNs, m_journal.endNs() / 3);
        m_read.run(fault, m_read.recordsToRead(budgetNs));
    }

    void quietTime() { pause(randomIn(m_rng, 500, 3000)); }
    void onSimCommand(int command) { m_read.onSimCommand(command); }

    int faults() const { return m_faults; }
    const StoredRead &reads() const { return m_read; }

private:
    // A fault of the instrument or its line, by pick (0..65).
    void lineFault(int pick)
    {
        if (pick < 18) {
            const int ms = randomIn(m_rng, 300, 8000);
            m_journal.log(QStringLiteral("cable pulled for %1 ms").arg(ms));
            m_line.pullCable();
            pause(ms);
            m_line.plugCableIn();
        } else if (pick < 32) {
            const int ms = randomIn(m_rng, 300, 8000);
            m_journal.log(QStringLiteral("adapter pulled for %1 ms").arg(ms));
            m_line.pullAdapter();
            pause(ms);
            m_line.plugAdapterIn();
        } else if (pick < 42) {
            const int ms = randomIn(m_rng, 1000, 5000);
            m_journal.log(QStringLiteral("noise instead of replies for %1 ms").arg(ms));
            m_line.garbageReplies(ms);
        } else if (pick < 50) {
            m_journal.log(QStringLiteral("noise bursts on the line"));
            m_line.lineNoise();
        } else if (pick < 58) {
            const int ms = randomIn(m_rng, 1000, 5000);
            m_journal.log(QStringLiteral("split replies for %1 ms").arg(ms));
            m_line.splitReplies(ms);
        } else if (pick < 62) {
            const int ms = randomIn(m_rng, 1000, 5000);
            m_journal.log(QStringLiteral("nine-byte bursts for %1 ms").arg(ms));
            m_line.nineByteBursts(ms);
        } else {
            slowAdapter();
        }
    }

    // A tester behind a Bluetooth or USB adapter: every answer late, a read of the stored block
    // with "Read" pressed twice among the keep-alives, and readings after it.
    void slowAdapter()
    {
        const int lateMs = randomIn(m_rng, 20, 150);
        m_journal.log(QStringLiteral("answers %1 ms late, one reading in ten a byte short")
                              .arg(lateMs));
        m_rig.sim.faults().lateMs = lateMs;
        m_rig.sim.faults().loseByteOneIn = 10;
        const qint64 budgetNs = qMin(m_journal.remainingNs() - 5000 * kMsNs, m_journal.endNs() / 3);
        m_read.run(StoredRead::Fault::None, m_read.recordsToRead(budgetNs), true);
        pause(randomIn(m_rng, 1000, 3000));
        m_rig.sim.faults().lateMs = 0;
        m_rig.sim.faults().loseByteOneIn = 0;
    }

    Journal &m_journal;
    E2e::Rig &m_rig;
    QRandomGenerator m_rng;
    Faults m_line;
    StoredRead m_read;
    const qint64 m_warmupNs;
    int m_faults = 0;
};

} // namespace Soak
