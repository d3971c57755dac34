#pragma once

#include "journal.h"
#include "readiness.h"
#include "tst_e2e_window.h"

#include "core/linkprofile.h"

namespace Soak {

// A lost link is found again within one round of the search.
constexpr qint64 kRecoveryBudgetNs = LinkProfile::kSearchRoundMs * kMsNs;

// Recovery and losses: every lost link is found again in time, counted from the later of the
// loss and the instrument able to answer again, and no link is lost without a fault to explain
// it, as the faults left the instrument.
class RecoveryMonitor
{
public:
    RecoveryMonitor(Journal &journal, E2e::Rig &rig, const InstrumentReadiness &instrument)
        : m_journal(journal)
        , m_rig(rig)
        , m_instrument(instrument)
    {}

    // From the first link up on, a loss nothing explains is a failure.
    void countLosses() { m_lossesCount = true; }

    void onLinkLost(bool machineBusy)
    {
        // The supervision says so again every five ticks while the search runs: the first counts.
        if (m_down)
            return;
        m_down = true;
        m_lostAtNs = m_journal.now();
        m_journal.log(QStringLiteral("  link lost"));
        if (!m_lossesCount || m_instrument.explainsLoss())
            return;
        ++m_unprovokedLosses;
        m_journal.fail(QStringLiteral("link lost with no fault to explain it (during: %1%2)")
                               .arg(m_journal.activity(),
                                    machineBusy ? QStringLiteral(", machine busy") : QString()));
    }

    void onLinkUp()
    {
        if (!m_down)
            return;
        m_down = false;
        const qint64 from = qMax(m_lostAtNs, m_instrument.readyAtNs());
        const qint64 took = from == kNever ? 0 : qMax<qint64>(0, m_journal.now() - from);
        ++m_recoveries;
        m_longestNs = qMax(m_longestNs, took);
        m_journal.log(
                QStringLiteral("  found again as %1 after %2").arg(m_rig.opened(), seconds(took)));
        if (m_rig.link() != E2e::kConnected)
            m_journal.fail(QStringLiteral("link up, but Label2 says \"%1\"").arg(m_rig.link()));
        if (took > kRecoveryBudgetNs)
            m_journal.fail(QStringLiteral("recovery took %1 (%2 allowed)")
                                   .arg(seconds(took), seconds(kRecoveryBudgetNs)));
    }

    bool down() const { return m_down; }

    // Until the link is up and talking. A lost link comes back within a round of the search
    // once the instrument answers, and a silence just ended may still be called a loss first:
    // twice both, and the link counts as not found again. Counted from the instrument answering:
    // a reply it holds back does not count against the program until it leaves (though never for
    // more than a minute). The run gives up when the link never comes.
    void awaitLink(const QString &after)
    {
        const qint64 graceNs = kLossGraceNs + 2 * kRecoveryBudgetNs;
        const qint64 calledAtNs = m_journal.now();
        const auto overdue = [&] {
            if (m_instrument.answerPending())
                return false;
            const qint64 now = m_journal.now();
            const qint64 ready = m_instrument.readyAtNs();
            const qint64 from = qMax(calledAtNs, ready == kNever ? now : ready);
            return now - qMax(from, m_down ? m_lostAtNs : 0) > graceNs;
        };
        waitUntil([&] { return linkAlive() || overdue(); }, 60'000 + graceNs / kMsNs);
        if (linkAlive())
            return;
        m_journal.fail(QStringLiteral("no link %1 after %2 (%3)")
                               .arg(seconds(graceNs), after, m_rig.link()));
        if (!waitUntil([this] { return linkAlive(); },
                       qMax<qint64>(0, m_journal.remainingNs() / kMsNs)))
            m_journal.giveUp();
    }

    int recoveries() const { return m_recoveries; }
    qint64 longestNs() const { return m_longestNs; }
    int unprovokedLosses() const { return m_unprovokedLosses; }

private:
    // Up, and talking: no loss pending from a silence just ended.
    bool linkAlive() const
    {
        const LinkSession &link = m_rig.form->link();
        return !m_down && m_rig.link() == E2e::kConnected && link.connected()
               && link.silentTicks() == 0;
    }

    Journal &m_journal;
    E2e::Rig &m_rig;
    const InstrumentReadiness &m_instrument;
    bool m_down = false;
    qint64 m_lostAtNs = 0;
    int m_recoveries = 0;
    qint64 m_longestNs = 0;
    bool m_lossesCount = false;
    int m_unprovokedLosses = 0;
};

} // namespace Soak
