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

enum class Command { Find, Watch, Download, History, Export };
using Format = Archive::Format;

struct Options
{
    Command command = Command::Find;
    QString port;      // --port: this device only, no search round the ports
    QStringList ports; // --ports: these devices are COM1, COM2, ... of the search
    int count = 0;     // watch --count; 0: until interrupted
    QString csv;       // watch --csv: a file, "-" for standard output, empty for none
    QString out;       // download and export --out; empty: standard output
    Format format = Format::Listing;
    QString archive;   // --archive: where downloads are kept; empty: the usual place
    qint64 entry = 0;  // export: the entry's ID
};

struct Parsed
{
    enum Outcome { Run, Help, Version, Error };
    Outcome outcome = Error;
    Options options;
    QString text; // the help or version text, or what is wrong (one line)
};

// arguments: the whole command line, program name first.
Parsed parseArguments(const QStringList &arguments);

// The program's one form of an error line on stderr: "quillobarent-cli: " and why.
void printError(const QString &why);

} // namespace Cli
