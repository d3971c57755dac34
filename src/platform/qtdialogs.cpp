#include "platform/qtdialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

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
    if (path.isEmpty() || defaultExt.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    QString ext = defaultExt;
    if (!ext.startsWith(QLatin1Char('.')))
        ext.prepend(QLatin1Char('.'));
    return path + ext;
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
    if (flags & PD_PRINTSETUP) {
        QPageSetupDialog dialog(&printer, m_parent);
        return dialog.exec() == QDialog::Accepted ? Accepted : Cancelled;
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
    return Accepted;
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
    box.exec();
}

void QtMessageBoxes::beep()
{
    QApplication::beep();
}
