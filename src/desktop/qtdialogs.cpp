#include "desktop/qtdialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

QtCommonDialog::QtCommonDialog(QWidget *parent)
    : m_parent(parent)
{}

QStringList QtCommonDialog::toQtNameFilters(const QString &filter)
{
    const QStringList fields = filter.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2) {
        QString text = fields.at(i);
        const QString pattern = fields.at(i + 1);
        if (text.isEmpty() && pattern.isEmpty())
            continue;
        // Qt reads the patterns from the last parentheses of the text; make them the real ones.
        const qsizetype open = text.lastIndexOf(QLatin1Char('('));
        if (open >= 0 && text.endsWith(QLatin1Char(')')))
            text = text.left(open).trimmed();
        result.append(QStringLiteral("%1 (%2)").arg(text, pattern));
    }
    return result;
}

QString QtCommonDialog::withDefaultExtension(const QString &path, const QString &defaultExt)
{
    QString ext = defaultExt;
    if (ext.startsWith(QLatin1Char('.')))
        ext.remove(0, 1);
    // Any dot in the name counts as the user's own choice of extension, a trailing one included:
    // "report." asked for no extension and must not become "report..txt".
    const QString name = QFileInfo(path).fileName();
    if (name.isEmpty() || ext.isEmpty() || name.contains(QLatin1Char('.')))
        return path;
    return path + QLatin1Char('.') + ext;
}

QString QtCommonDialog::printerProblem(const QPrinter &printer)
{
    if (!printer.isValid())
        return QStringLiteral("The printer is not valid.");
    const QString file = printer.outputFileName();
    if (printer.outputFormat() == QPrinter::NativeFormat) {
        const QString name = printer.printerName();
        if (QPrinterInfo::printerInfo(name).isNull())
            return QStringLiteral("The printer \"%1\" cannot be opened.").arg(name);
    } else if (file.isEmpty()) {
        // Qt falls back to its PDF writer when no printer is installed; without a file name
        // that prints nowhere.
        return QStringLiteral("No printer is installed, and no file was chosen to print into.");
    }
    if (file.isEmpty())
        return {};
    const QFileInfo info(file);
    const QString shown = QDir::toNativeSeparators(info.absoluteFilePath());
    if (info.isDir())
        return QStringLiteral("Cannot print into %1: it is a folder.").arg(shown);
    if (!info.absoluteDir().exists())
        return QStringLiteral("Cannot print into %1: the folder does not exist.").arg(shown);
    return {};
}

CommonDialog::Result QtCommonDialog::readyOrFailed(const QPrinter &printer)
{
    errorDescription = printerProblem(printer);
    return errorDescription.isEmpty() ? Accepted : Failed;
}

CommonDialog::Result QtCommonDialog::showSave()
{
    QFileDialog dialog(m_parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = toQtNameFilters(filter);
    dialog.setNameFilters(filters);
    if (filterIndex >= 1 && filterIndex <= filters.size())
        dialog.selectNameFilter(filters.at(filterIndex - 1));
    QString ext = defaultExt;
    if (ext.startsWith(QLatin1Char('.')))
        ext.remove(0, 1);
    dialog.setDefaultSuffix(ext);
    if (!initDir.isEmpty() && QDir(initDir).exists())
        dialog.setDirectory(initDir);
    if (!fileName.isEmpty())
        dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return Cancelled;
    const qsizetype chosen = filters.indexOf(dialog.selectedNameFilter());
    if (chosen >= 0)
        filterIndex = int(chosen) + 1;
    fileName = withDefaultExtension(dialog.selectedFiles().constFirst(), defaultExt);
    return Accepted;
}

CommonDialog::Result QtCommonDialog::showPrinter(QPrinter &printer, bool &selectionChosen)
{
    selectionChosen = false;
    errorDescription.clear();
    // The checks come after the dialog: in it the user may still pick another printer or a file
    // to print into. Cancel needs no check, nothing is going to be printed.
    if (flags & PD_PRINTSETUP) {
        QPageSetupDialog dialog(&printer, m_parent);
        if (dialog.exec() != QDialog::Accepted)
            return Cancelled;
        return readyOrFailed(printer);
    }
    QPrintDialog dialog(&printer, m_parent);
    QAbstractPrintDialog::PrintDialogOptions options = dialog.options();
    options.setFlag(QAbstractPrintDialog::PrintPageRange, !(flags & PD_NOPAGENUMS));
    options.setFlag(QAbstractPrintDialog::PrintSelection, flags & PD_SELECTION);
    dialog.setOptions(options);
    if (flags & PD_SELECTION)
        dialog.setPrintRange(QAbstractPrintDialog::Selection);
    if (dialog.exec() != QDialog::Accepted)
        return Cancelled;
    selectionChosen = dialog.printRange() == QAbstractPrintDialog::Selection;
    return readyOrFailed(printer);
}

QtMessageBoxes::QtMessageBoxes(QWidget *parent)
    : m_parent(parent)
{}

void QtMessageBoxes::show(Icon icon, const QString &title, const QString &text)
{
    QMessageBox box(icon == Information ? QMessageBox::Information : QMessageBox::Warning,
                    title,
                    text,
                    QMessageBox::Ok,
                    m_parent);
    // Plain text always: a message may carry what someone else typed (an archive's location, a
    // shared server's answer), which is never to be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void QtMessageBoxes::beep()
{
    QApplication::beep();
}
