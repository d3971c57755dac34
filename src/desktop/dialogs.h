#pragma once

#include <QString>

class QPrinter;
class QWidget;

// The one dialog object of the window: file save, printer and printer setup. Like the common
// dialog it stands for, it keeps its settings between uses; in particular filterIndex is the
// file type the user chose the last time a save dialog was closed.
class CommonDialog
{
public:
    enum Result : int {
        Accepted = 0,
        Cancelled = 32755, // the dialog's cancel code
        Failed = -1,       // any other failure; errorDescription tells what
    };

    // Printer-dialog flags, with the values of the Windows print dialog.
    enum PrintFlag : int {
        PD_ALLPAGES = 0x0,
        PD_SELECTION = 0x1,
        PD_NOPAGENUMS = 0x8,
        PD_PRINTSETUP = 0x40,
        PD_RETURNDC = 0x100,
    };

    virtual ~CommonDialog() = default;

    // Filter in the form "text|pattern|text|pattern", as the program has always written them.
    QString fileName;
    QString filter;
    int filterIndex = 1; // 1-based
    QString defaultExt;  // with or without the leading dot
    QString initDir;
    bool cancelError = false;
    int flags = 0;
    QString errorDescription;

    // Shows the save dialog. On Accepted, fileName holds the chosen path (default extension
    // added when the user typed none) and filterIndex the chosen type.
    virtual Result showSave() = 0;
    // Shows the printer dialog, or the setup form when flags has PD_PRINTSETUP. The choices are
    // made on printer, which the window keeps, so they stay in force for later printing.
    // selectionChosen tells whether the user asked for the selection only.
    virtual Result showPrinter(QPrinter &printer, bool &selectionChosen) = 0;
};

// Message boxes and the system beep.
class MessageBoxes
{
public:
    enum Icon { Information, Exclamation };
    virtual ~MessageBoxes() = default;
    virtual void show(Icon icon, const QString &title, const QString &text) = 0;
    virtual void beep() = 0;
};
