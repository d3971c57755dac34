#pragma once

#include "core/archiveentry.h"

#include <QString>
#include <QStringList>

// What the command line asks for, and the exit codes the program answers with.
namespace Cli {

enum ExitCode : int {
    Done = 0,
    Usage = 2,
    NoInstrument = 3,
    LinkLost = 4, // the link was lost, or a transfer did not complete
    CannotWrite = 5,
    ArchiveFailed = 6, // the archive could not be opened, read or written, or lacks the entry
    ArchiveMissing = 7, // history, export: no archive there yet (only a download makes one)
};

using Format = Archive::Format;

struct Options
{
    QString port;      // --port: this device only, no search round the ports
    QStringList ports; // --ports: these devices are COM1, COM2, ... of the search
    int count = 0;     // watch --count; 0: until interrupted
    QString csv;       // watch --csv: a file, "-" for standard output, empty for none
    QString out;       // download and export --out, empty: standard output; report's, "-" for it
    Format format = Format::Listing;
    QString archive;  // --archive: where downloads are kept; empty: the usual place
    qint64 entry = 0; // export and report: the entry's ID
    double limit = 0; // report --limit in ohms; 0: the limit the window's last report used
};

// The options a command takes besides --port and --ports, which every command has.
enum Option : unsigned {
    Count = 1u << 0,
    Csv = 1u << 1,
    Out = 1u << 2,
    OutFormat = 1u << 3,
    ArchiveLocation = 1u << 4,
    EntryId = 1u << 5, // the positional ID after the command word
    PdfOut = 1u << 6,  // report's --out: needed, "-" for standard output
    Limit = 1u << 7,
};

struct Command;

struct Parsed
{
    enum Outcome { Run, Help, Version, Error };
    Outcome outcome = Error;
    const Command *command = nullptr; // set when the outcome is Run
    Options options;
    QString text; // the help or version text, or what is wrong (one line)
};

// arguments: the whole command line, program name first. The command words, their options and
// help come from the table of commands (cli/commands.h).
Parsed parseArguments(const QStringList &arguments);

// The program's one form of an error line on stderr: "quillobarent-cli: " and why.
void printError(const QString &why);

} // namespace Cli
