#pragma once

#include "desktop/dialogs.h"

#include <QStringList>

class QWidget;

// The dialogs of the desktop: QFileDialog, QPrintDialog / QPageSetupDialog, QMessageBox.
class QtCommonDialog final : public CommonDialog
{
public:
    explicit QtCommonDialog(QWidget *parent);
    Result showSave() override;
    Result showPrinter(QPrinter &printer, bool &selectionChosen) override;

    // "a|b|c|d|" -> Qt name filters {"a (b)", ...}; the patterns come from the pattern fields.
    static QStringList toQtNameFilters(const QString &filter);
    // Appends the default extension (with or without its dot) the way QFileDialog's default
    // suffix does: only to a file name without any dot, so "report." and ".profile" stay as typed.
    static QString withDefaultExtension(const QString &path, const QString &defaultExt);
    // Why printer cannot take a print job as it is now set up, or an empty string when it can:
    // not valid, no printer installed and no file chosen, a printer that is gone, an output file
    // that cannot be made.
    static QString printerProblem(const QPrinter &printer);

private:
    // Accepted when the printer the user left the dialog with is ready, else Failed with the
    // reason in errorDescription.
    Result readyOrFailed(const QPrinter &printer);

    QWidget *m_parent;
};

class QtMessageBoxes final : public MessageBoxes
{
public:
    explicit QtMessageBoxes(QWidget *parent);
    void show(Icon icon, const QString &title, const QString &text) override;
    void beep() override;

private:
    QWidget *m_parent;
};
