// Window side of the inspection report: the download on screen or an archived one, judged
// against the resistance alarm's limit, saved as a PDF through the save dialog.
#include "app/form1.h"

#include "archive/archivereader.h"
#include "archive/archivewriter.h"
#include "core/report.h"
#include "draw/reportpdf.h"
#include "platform/reportlimit.h"
#include "platform/savefile.h"

#include <QLineEdit>

ArchiveReader &Form1::reportReader()
{
    if (m_reportReader)
        return *m_reportReader;
    m_reportReader = new ArchiveReader(this);
    connect(m_reportReader,
            &ArchiveReader::entryRead,
            this,
            [this](quint64 ticket, const Archive::Entry &entry) {
                if (ticket != m_reportTicket)
                    return; // answered after the deadline: the report was made already
                m_reportTicket = 0;
                SaveReport(entry);
            });
    connect(m_reportReader, &ArchiveReader::failed, this, [this](quint64 ticket) {
        if (ticket != m_reportTicket || !m_shownDownload)
            return;
        m_reportTicket = 0;
        // Where the archive cannot be read now, the report is made from the download as it came.
        SaveReport(*m_shownDownload);
    });
    return *m_reportReader;
}

void Form1::mnureport_Click()
{
    if (!m_shownDownload) {
        showReportError(QStringLiteral("There is no downloaded listing on screen. Read the stored "
                                       "data, or open a download in History."));
        return;
    }
    if (m_shownDownload->id <= 0) {
        SaveReport(*m_shownDownload); // not (yet) in the archive
        return;
    }
    // The entry as the archive holds it now, read off the window's thread: a note typed in
    // History since the download is in the report.
    m_reportTicket = reportReader().entry(m_archive->location(), m_shownDownload->id);
    m_reportReader->release();
}

void Form1::ReportArchiveEntry(const Archive::Entry &entry)
{
    SaveReport(entry);
}

void Form1::SaveReport(const Archive::Entry &entry)
{
    const std::optional<double> limit
            = Report::windowLimit(m_ui.Text1->text(), m_limits.resistanceLimit);
    if (!limit) {
        showReportError(QStringLiteral("The report judges each resistance against the resistance "
                                       "alarm's limit: type a limit above 0 (up to %1 \u03A9) "
                                       "into the alarm's \u03A9 box first.")
                                .arg(Alarms::kResistanceLimitMax));
        return;
    }
    CommonDialog &dialog = CommonDialog1();
    dialog.fileName
            = entry.id > 0 ? QStringLiteral("Report %1").arg(entry.id) : QStringLiteral("Report");
    dialog.filter = QStringLiteral("PDF (*.pdf)|*.pdf|");
    dialog.defaultExt = QStringLiteral(".pdf");
    dialog.initDir = SaveFile::prepareSaveFolder();
    dialog.cancelError = true;
    if (dialog.showSave() != CommonDialog::Accepted)
        return;
    const QByteArray pdf
            = ReportPdf::render(Report::build(entry, *limit), ReportPdf::pageSizeFor(QLocale()));
    if (pdf.isEmpty()) {
        showReportError(QStringLiteral("The report could not be drawn."));
        return;
    }
    if (WriteSavedFile(dialog.fileName, pdf))
        ReportLimit::save(*limit); // the command line's report judges alike without --limit
}

void Form1::showReportError(const QString &why)
{
    messageBoxes().beep();
    messageBoxes().show(MessageBoxes::Exclamation, QStringLiteral("Report Error!"), why);
}
