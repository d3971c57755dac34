#pragma once

#include "blockmonitor.h"
#include "faults.h"
#include "journal.h"
#include "readiness.h"
#include "readingmonitor.h"
#include "recoverymonitor.h"
#include "tst_e2e_window.h"

#include "core/record.h"
#include "instrument-sim/scenario.h"

namespace Soak {

// A read of the instrument's stored block in the read-old-data mode, some refused by a bad count
// reply or cut off by an unplug, then realtime sampling again.
class StoredRead
{
public:
    enum class Fault { None, BadCount, CableMidBlock, AdapterMidBlock };
    static constexpr int kLargestBlock = 4681; // the most records a 16-bit block holds

    StoredRead(Journal &journal,
               E2e::Rig &rig,
               QRandomGenerator &rng,
               Faults &line,
               InstrumentReadiness &instrument,
               RecoveryMonitor &recovery,
               BlockMonitor &blocks,
               ReadingMonitor &readings)
        : m_journal(journal)
        , m_rig(rig)
        , m_rng(rng)
        , m_line(line)
        , m_instrument(instrument)
        , m_recovery(recovery)
        , m_blocks(blocks)
        , m_readings(readings)
    {}

    static qint64 blockNs(qint64 records)
    {
        return records * Record::kBytes * InstrumentSim::kByteNs;
    }
    // No later read is longer than the first.
    void setLargest(int records) { m_largestRead = records; }
    // Now and then none, now and then the largest block, mostly some hundreds; never more than
    // fits in the time left.
    int recordsToRead(qint64 budgetNs)
    {
        const int pick = int(m_rng.bounded(10));
        const int records = pick == 0   ? 0
                            : pick == 1 ? kLargestBlock
                            : pick < 6  ? randomIn(m_rng, 1, 300)
                                        : randomIn(m_rng, 300, kLargestBlock);
        const qint64 fits = qMax<qint64>(0, budgetNs) / blockNs(1);
        return int(qBound(qint64(0), qint64(records), qMin<qint64>(fits, m_largestRead)));
    }

    // A read in the read-old-data mode with the fault given, then realtime sampling again.
    // pressedTwice: "Read" at any moment of the keep-alive cycle, and again a moment later.
    void run(Fault fault, int records, bool pressedTwice = false)
    {
        pressRead(fault, records, pressedTwice);
        if ((fault == Fault::CableMidBlock || fault == Fault::AdapterMidBlock) && records > 0) {
            pullMidBlock(fault == Fault::CableMidBlock, records);
        } else {
            const bool ended = waitUntil([this] { return readOver(); },
                                         2 * (blockNs(records) / kMsNs + 1000));
            if (fault == Fault::None && (!ended || m_rig.status() != kReceiveOldData)) {
                ++m_cleanReadsFailed;
                m_journal.fail(QStringLiteral("a read without fault ended with \"%1\" (%2)")
                                       .arg(m_rig.status(), m_rig.link()));
            }
        }
        m_rig.sim.faults().badCount = false;
        if (fault == Fault::BadCount && m_rig.status() == kReceiveError) {
            // The read ends there and polling stays off: the link goes quiet and is found again.
            m_instrument.explainLossesUntil(m_journal.now() + 2 * kLossGraceNs);
            waitUntil([this] { return m_recovery.down(); }, 2 * LinkProfile::kLossMs);
        }
        m_recovery.awaitLink(QStringLiteral("a read"));
        m_rig.form->Option1_Click();
        m_rig.form->Command1_Click();
    }

    void onSimCommand(int command)
    {
        if (command == Protocol::BlockRequest)
            m_blockStartBytes = m_rig.sim.bytesWritten();
    }

    int reads() const { return m_reads; }
    int cleanReadsFailed() const { return m_cleanReadsFailed; }

private:
    void pressRead(Fault fault, int records, bool pressedTwice)
    {
        const quint32 seed = m_rng.generate();
        m_stored = Sim::storedRecords(records, seed);
        m_rig.sim.setStoredBlock(m_stored);
        m_blocks.expect(m_stored);
        ++m_reads;
        static const char *const names[] = {
                "", ", bad count reply", ", cable pulled mid-block", ", adapter pulled mid-block"};
        m_journal.log(QStringLiteral("read %1 records (seed %2)%3")
                              .arg(records)
                              .arg(seed)
                              .arg(QLatin1String(names[int(fault)])));
        m_rig.form->Option2_Click();
        m_readings.stop();
        m_rig.sim.faults().badCount = fault == Fault::BadCount; // only the count reply
        if (pressedTwice) {
            pause(randomIn(m_rng, 0, LinkProfile::kPollTickMs));
            m_rig.form->Command4_Click();
            QTimer::singleShot(randomIn(m_rng, 40, 120), m_rig.form.get(), &Form1::Command4_Click);
            return;
        }
        // Pressed just after a keep-alive's answer was taken; where that takes longer than the
        // rig waits (a busy machine), pressed all the same.
        if (!m_rig.pressRead())
            m_rig.form->Command4_Click();
    }

    // The cable or the adapter pulled after the count, a random part of the block's time in.
    void pullMidBlock(bool cable, int records)
    {
        const QString counted = QStringLiteral("Save num:%1").arg(records);
        if (!waitUntil([&] { return m_rig.status() == counted || readOver(); }, 2000) || readOver())
            return;
        pause(int(blockNs(records) / kMsNs * randomIn(m_rng, 5, 95) / 100));
        m_journal.log(QStringLiteral("  pulled %1 of %2 bytes into the block")
                              .arg(m_rig.sim.bytesWritten() - m_blockStartBytes)
                              .arg(m_stored.size()));
        if (cable)
            m_line.pullCable();
        else
            m_line.pullAdapter();
        pause(randomIn(m_rng, 300, 6000));
        if (cable)
            m_line.plugCableIn();
        else
            m_line.plugAdapterIn();
    }

    // "receive old data", "receive error" or a lost link.
    bool readOver() const
    {
        const QString status = m_rig.status();
        return status == kReceiveOldData || status == kReceiveError || m_recovery.down();
    }

    inline static const QString kReceiveOldData = QStringLiteral("receive old data");
    inline static const QString kReceiveError = QStringLiteral("receive error");

    Journal &m_journal;
    E2e::Rig &m_rig;
    QRandomGenerator &m_rng;
    Faults &m_line;
    InstrumentReadiness &m_instrument;
    RecoveryMonitor &m_recovery;
    BlockMonitor &m_blocks;
    ReadingMonitor &m_readings;
    int m_largestRead = 0;
    QByteArray m_stored;
    qint64 m_blockStartBytes = 0; // the simulator's bytes written when the block was asked for
    int m_reads = 0;
    int m_cleanReadsFailed = 0;
};

} // namespace Soak
