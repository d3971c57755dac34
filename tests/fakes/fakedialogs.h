#pragma once

#include "desktop/dialogs.h"

#include <QList>
#include <QStringList>

#include <optional>

// A dialog object for tests: answers each show with the result queued, and records what the
// program set before showing it.
class FakeCommonDialog final : public CommonDialog
{
public:
    struct SaveAnswer
    {
        Result result = Accepted;
        QString path;        // chosen path; empty keeps the proposed name (in initDir, with
                             // the default extension added, as the real dialog does)
        int filterIndex = 0; // chosen type; 0 keeps the current index
    };
    struct Shown
    {
        QString fileName, filter, defaultExt, initDir;
        int filterIndex = 0;
        int flags = 0;
        bool cancelError = false;
    };

    QList<SaveAnswer> saveAnswers; // consumed in order; empty answers Cancelled
    QList<Result> printerAnswers;  // consumed in order; empty answers Cancelled
    // Range the user leaves the printer dialog with; unset keeps the preset one, as a user who
    // just presses Print does: the selection when the program set PD_SELECTION.
    std::optional<bool> printerSelectionChosen;
    QString failureDescription = QStringLiteral("The printer is not available.");
    QList<Shown> shownSaves;
    QList<Shown> shownPrinters;

    Result showSave() override;
    Result showPrinter(QPrinter &printer, bool &selectionChosen) override;

private:
    Shown snapshot() const;
};

class FakeMessageBoxes final : public MessageBoxes
{
public:
    struct Message
    {
        Icon icon;
        QString title;
        QString text;
    };
    QList<Message> shown;
    int beeps = 0;

    void show(Icon icon, const QString &title, const QString &text) override
    {
        shown.append({icon, title, text});
    }
    void beep() override { ++beeps; }
};
