#pragma once

#include "journal.h"
#include "tst_e2e_window.h"

#include "app/listingview.h"
#include "core/listing.h"
#include "core/record.h"

namespace Soak {

// Blocks: every block that arrives whole is the block the instrument holds, and the window lists
// it exactly as the listing of those records reads.
class BlockMonitor
{
public:
    BlockMonitor(Journal &journal, E2e::Rig &rig)
        : m_journal(journal)
        , m_rig(rig)
    {}

    // What the instrument holds for the next read.
    void expect(const QByteArray &stored) { m_stored = stored; }

    void onCount() { m_transferEndedAtNs = -1; }
    void onTransferEnded() { m_transferEndedAtNs = m_journal.now(); }
    // After the window has built and shown the listing; singleValueBefore: the flag it started
    // from.
    void onBlock(const QByteArray &block, qint16 count, quint8 singleValueBefore)
    {
        const qint64 listedAtNs = m_journal.now();
        const OwnTime own(m_journal);
        ++m_blocks;
        if (count < 0 || block.size() < qsizetype(count) * Record::kBytes) {
            m_journal.log(QStringLiteral("  block of %1 bytes for %2 records: not whole")
                                  .arg(block.size())
                                  .arg(count));
            return;
        }
        const int stored = int(m_stored.size() / Record::kBytes);
        const QString expected
                = Listing::build(reinterpret_cast<const std::uint8_t *>(m_stored.constData()),
                                 m_stored.size(),
                                 stored,
                                 singleValueBefore)
                          .text;
        const QString shown = ListingView::text(*m_rig.form->ui().RichTextBox1);
        if (count != stored || block.left(qsizetype(count) * Record::kBytes) != m_stored
            || shown != expected) {
            failListing(block, count, expected, shown);
            return;
        }
        ++m_exactBlocks;
        const QString took = m_transferEndedAtNs < 0
                                     ? QString()
                                     : QStringLiteral(" (in %1 ms)")
                                               .arg((listedAtNs - m_transferEndedAtNs) / kMsNs);
        m_journal.log(
                QStringLiteral("  block of %1 records listed exactly%2").arg(count).arg(took));
    }

    int blocks() const { return m_blocks; }
    int exactBlocks() const { return m_exactBlocks; }

private:
    // Names the first line that differs.
    void failListing(const QByteArray &block, qint16 count, const QString &want, const QString &got)
    {
        const QStringList wantLines = want.split(QStringLiteral("\r\n"));
        const QStringList gotLines = got.split(QStringLiteral("\r\n"));
        qsizetype line = 0;
        while (line < wantLines.size() && line < gotLines.size()
               && wantLines.at(line) == gotLines.at(line))
            ++line;
        m_journal.fail(QStringLiteral("block of %1 records (instrument sent %2, %3 bytes came): "
                                      "listing line %4 is \"%5\", expected \"%6\"")
                               .arg(count)
                               .arg(m_stored.size() / Record::kBytes)
                               .arg(block.size())
                               .arg(line + 1)
                               .arg(gotLines.value(line), wantLines.value(line)));
    }

    Journal &m_journal;
    E2e::Rig &m_rig;
    QByteArray m_stored;
    qint64 m_transferEndedAtNs = -1; // the block taken off the line, the listing next
    int m_blocks = 0;
    int m_exactBlocks = 0;
};

} // namespace Soak
