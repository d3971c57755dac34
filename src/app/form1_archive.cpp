// The window's side of the archive: every download that came in whole is kept, a failure to
// keep one is said once and loses nothing on screen, and "History" brings past ones back.
#include "app/form1.h"

#include "app/historydialog.h"
#include "app/listingview.h"
#include "archive/archivewriter.h"
#include "archive/downloadednow.h"
#include "core/archiveentry.h"

#include <QPlainTextEdit>

void Form1::connectArchive(const ArchiveLocation &location)
{
    m_archive = new ArchiveWriter(location, this);
    connect(m_archive, &ArchiveWriter::failed, this, &Form1::showArchiveError);
    connect(m_archive, &ArchiveWriter::written, this, [this](qint64 id) { noteArchived(id); });
    connect(m_archive, &ArchiveWriter::failed, this, [this] { noteArchived(std::nullopt); });
}

void Form1::noteArchived(std::optional<qint64> id)
{
    ++m_archiveFinished;
    if (m_shownDownload && m_shownArchiving == m_archiveFinished && id)
        m_shownDownload->id = *id;
}

void Form1::ArchiveDownload(const QByteArray &block, qint16 recordCount, quint8 singleValue)
{
    const std::optional<Archive::Entry> entry
            = Archive::downloadedNow(block,
                                     recordCount,
                                     singleValue,
                                     MSComm1().commPort(),
                                     MSComm1().devicePath(),
                                     QStringLiteral("quillobarent"));
    m_shownDownload = entry; // cut short: no completed transfer, nothing to report
    if (entry) {
        m_archive->write(*entry);
        m_shownArchiving = ++m_archiveHanded;
    }
}

void Form1::showArchiveError(const QString &why)
{
    messageBoxes().beep();
    messageBoxes().show(MessageBoxes::Exclamation,
                        QStringLiteral("Archive Error!"),
                        QStringLiteral("The download was not archived.\r\n") + why
                                + QStringLiteral("\r\nIts listing stays in the window for Save. "
                                                 "The next download tries the archive again."));
}

void Form1::mnuhistory_Click()
{
    if (!m_history) {
        m_history = new HistoryDialog(*m_archive, this);
        connect(m_history, &HistoryDialog::entryChosen, this, &Form1::ShowArchivedListing);
        connect(m_history, &HistoryDialog::reportChosen, this, &Form1::ReportArchiveEntry);
    }
    m_history->reload();
    m_history->show();
    m_history->raise();
    m_history->activateWindow();
}

void Form1::ShowArchivedListing(const Archive::Entry &entry)
{
    if (m_link->operatingMode() == Protocol::RealtimeSampling)
        Option2_Click();
    ListingView::replace(*m_ui.RichTextBox1, Archive::listing(entry));
    m_shownDownload = entry;
    m_shownArchiving = 0;
}
