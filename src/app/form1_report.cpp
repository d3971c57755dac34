// Window side of the inspection report: the download on screen or an archived one, judged
// against the resistance alarm's limit, saved as a PDF through the save dialog.
#include "app/form1.h"

#include "core/report.h"
#include "draw/reportpdf.h"
#include "platform/archivestore.h"
#include "platform/archivewriter.h"
#include "platform/reportlimit.h"
#include "platform/savefile.h"

#include <QLineEdit>

namespace {

// The entry as the archive holds it now (a note typed in History since the download is in
// the report); empty optional and *why when it cannot be read.
std::optional<Archive::Entry> readEntry(const ArchiveLocation &location, qint64 id, QString *why)
{
    ArchiveStore store(location, QStringLiteral("archive-report"));
    if (!store.open(why))
        return std::nullopt;
    return store.entry(id, why);
}

} // namespace

void Form1::mnureport_Click()
{
    if (!m_shownDownload) {
        showReportError(QStringLiteral("There is no downloaded listing on screen. Read the stored "
                                       "data, or open a download in History."));
        return;
    }
    QString why;
    const std::optional<Archive::Entry> kept
            = m_shownDownload->id > 0 ? readEntry(m_archive->location(), m_shownDownload->id, &why)
                                      : std::nullopt;
    // Where the archive cannot be read now, the report is made from the download as it came.
    SaveReport(kept.value_or(*m_shownDownload));
}

void Form1::ReportArchiveEntry(qint64 id)
{
    QString why;
    const std::optional<Archive::Entry> entry = readEntry(m_archive->location(), id, &why);
    if (!entry) {
        showReportError(why);
        return;
    }
    SaveReport(*entry);
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
