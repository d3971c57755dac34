#pragma once

#include "journal.h"

#include "core/linkprofile.h"
#include "core/protocol.h"

namespace Soak {

// A silence just ended may still be called a loss: the ticks that declare it, and as long again.
constexpr qint64 kLossGraceNs = 2 * LinkProfile::kLossMs * kMsNs;

// What the faults did to the instrument, as the recovery monitor weighs it: when it was last able
// to answer again (plugged back in, no more noise, or later, when the first reply it gave after
// that left late: after a block cut short the simulator keeps to the schedule the whole block
// would have had), and until when a lost link is the fault's doing.
class InstrumentReadiness
{
public:
    explicit InstrumentReadiness(Journal &journal)
        : m_journal(journal)
    {}

    // It cannot answer (unplugged, or answering with noise) until it is back.
    void gone()
    {
        m_readyAtNs = kNever;
        m_probing = false;
        m_lossExplainedUntilNs = kNever;
    }
    void back()
    {
        m_readyAtNs = m_journal.now();
        m_probing = true;
        m_probeCommandAtNs = -1;
        m_lossExplainedUntilNs = m_journal.now() + kLossGraceNs;
    }
    void explainLossesUntil(qint64 ns) { m_lossExplainedUntilNs = ns; }

    // The first command after it is back is the probe, until its reply has left.
    void onSimCommand(int command)
    {
        if (!m_probing || m_probeCommandAtNs >= 0)
            return;
        if (command == Protocol::BlockRequest)
            m_probing = false; // its reply takes as long as the block: no measure of promptness
        else if (command != Protocol::EndOfLink && command != Protocol::ModeSwitch)
            m_probeCommandAtNs = m_journal.now();
    }
    void onSimReplyWritten()
    {
        if (!answerPending())
            return;
        m_probing = false;
        // A short reply leaves within milliseconds; one later than this was held back.
        const qint64 latency = m_journal.now() - m_probeCommandAtNs;
        if (latency <= 250 * kMsNs)
            return;
        ++m_heldBack;
        m_readyAtNs = m_journal.now();
        m_journal.log(QStringLiteral("  the instrument held its reply back for %1")
                              .arg(seconds(latency)));
    }

    // kNever while it cannot answer.
    qint64 readyAtNs() const { return m_readyAtNs; }
    // Asked since it is back, and not answered yet.
    bool answerPending() const { return m_probing && m_probeCommandAtNs >= 0; }
    bool explainsLoss() const { return m_journal.now() <= m_lossExplainedUntilNs; }
    int heldBack() const { return m_heldBack; }

private:
    Journal &m_journal;
    qint64 m_readyAtNs = 0;
    bool m_probing = false;
    qint64 m_probeCommandAtNs = -1;
    int m_heldBack = 0;
    qint64 m_lossExplainedUntilNs = -1;
};

} // namespace Soak
