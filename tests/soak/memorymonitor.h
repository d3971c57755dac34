#pragma once

#include "journal.h"
#include "tst_e2e_window.h"

#include "app/listingview.h"
#include "core/listing.h"

#include <QFile>

#include <malloc.h>
#include <unistd.h>

#ifdef QUILLO_SOAK_ASAN
// The sanitizer runtime's count of live heap bytes (GCC ships no header declaring it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace Soak {

// Memory: what the program holds at the end is within a megabyte of what it held after the
// warm-up. Under AddressSanitizer the live heap is counted instead of the resident size.
class MemoryMonitor
{
public:
    MemoryMonitor(Journal &journal, E2e::Rig &rig, double minutes)
        : m_journal(journal)
        , m_rig(rig)
        // Runs of a few minutes warm up for 20 s; longer ones for the first minute.
        , m_warmupNs(minutes < 3 ? 20'000 * kMsNs : 60'000 * kMsNs)
    {}

    qint64 warmupNs() const { return m_warmupNs; }
#ifdef QUILLO_SOAK_ASAN
    static QString what()
    {
        return QStringLiteral("heap");
    }
#else
    static QString what()
    {
        return QStringLiteral("memory");
    }
#endif

    // Before each fault: the baseline, once the warm-up is over.
    void onFaultDue()
    {
        if (m_baselineBytes >= 0 || m_journal.now() < m_warmupNs)
            return;
        m_baselineBytes = bytesNow();
        m_journal.log(QStringLiteral("warm-up over: %1 bytes").arg(m_baselineBytes));
    }

    // At the end, with the machine quiet: the growth since the baseline (0 without one), and a
    // failure when it is too much.
    qint64 finish()
    {
        const qint64 endBytes = bytesNow();
        m_journal.log(QStringLiteral("end: %1 bytes").arg(endBytes));
        const qint64 growth = m_baselineBytes < 0 || endBytes < 0 ? 0 : endBytes - m_baselineBytes;
        if (m_baselineBytes < 0)
            m_journal.fail(QStringLiteral("the run ended before its warm-up did"));
        else if (growth > kGrowthBudgetBytes)
            m_journal.fail(
                    QStringLiteral("memory grew %1 after the warm-up").arg(megabytes(growth)));
        QFile status(QStringLiteral("/proc/self/status"));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : status.readAll().split('\n')) {
                if (line.startsWith("VmHWM"))
                    m_journal.log(QStringLiteral("peak resident size: ")
                                  + QString::fromLatin1(line.mid(6).trimmed()));
            }
        }
        return growth;
    }

private:
    static constexpr qint64 kGrowthBudgetBytes = 1024 * 1024;

    qint64 bytesNow()
    {
        const OwnTime own(m_journal);
        // Measured with the listing emptied, so a longer listing on screen at the end is not
        // taken for growth, and with freed memory handed back to the system.
        ListingView::replace(*m_rig.form->ui().RichTextBox1, Listing::startText());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
#ifdef QUILLO_SOAK_ASAN
        // Under AddressSanitizer the resident size is mostly its quarantine of freed blocks.
        return qint64(__sanitizer_get_current_allocated_bytes());
#else
        ::malloc_trim(0);
        QFile statm(QStringLiteral("/proc/self/statm"));
        if (!statm.open(QIODevice::ReadOnly))
            return -1;
        const QList<QByteArray> fields = statm.readAll().split(' ');
        return fields.size() > 1 ? fields.at(1).toLongLong() * ::sysconf(_SC_PAGESIZE) : -1;
#endif
    }

    Journal &m_journal;
    E2e::Rig &m_rig;
    const qint64 m_warmupNs;
    qint64 m_baselineBytes = -1;
};

} // namespace Soak
