#pragma once

#include "platform/dialogs.h"

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
    // Appends the default extension when the chosen name has none.
    static QString withDefaultExtension(const QString &path, const QString &defaultExt);

private:
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
