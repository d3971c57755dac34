#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class SerialPort;

// The program's command line: what it asks for, read before anything needs a display, so a
// wrong option is told on the terminal even where no window could open.
namespace CommandLine {

struct Options
{
    enum class Action { Run, ShowHelp, ShowVersion, Error };
    Action action = Action::Run;
    // --ports: the devices of COM1, COM2, ... in order; empty means scanning /dev as usual.
    QStringList ports;
    // The help text, the version line or the one-line error, for the actions that print.
    QString text;
};

// Reads the arguments, the program's own name first. Qt's own options (-platform, -style,
// -display, ...) are accepted and left to QApplication. Needs no QCoreApplication.
Options parse(const QStringList &arguments);

// The arguments of main() as text, before QCoreApplication exists to convert them.
QStringList arguments(int argc, char **argv);

// For the actions other than Run: prints the text (help and version on stdout, the error on
// stderr) and returns the exit code: 0, or 2 for an error.
int report(const Options &options);

// The serial port the window talks through: over the --ports devices when given, otherwise over
// the serial devices /dev holds at each lookup.
std::unique_ptr<SerialPort> makePort(const Options &options);

} // namespace CommandLine
