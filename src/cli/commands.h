#pragma once

#include "cli/clioptions.h"

#include <QLatin1StringView>
#include <QString>

#include <memory>
#include <span>

class QCoreApplication;

namespace Cli {

// One command of the program: the word that names it, the options it takes, its line of help
// and what runs it. A new command is one row of commands() and its run function; an option no
// command had before is one row of the option table in clioptions.cpp.
struct Command
{
    QLatin1StringView word;
    unsigned options = 0; // Option flags
    QString help;         // after the word in --help; a '\n' continues under the first line
    int (*run)(const Options &options) = nullptr; // returns the exit code
    // The application the command runs in when Qt Core's is not enough (a QGuiApplication to
    // draw with): made once the one the arguments were parsed in has ended. None: Qt Core's.
    std::unique_ptr<QCoreApplication> (*application)(int &argc, char **argv) = nullptr;
};

std::span<const Command> commands();

// The program: makes its application, parses the arguments and runs the command they name;
// returns the exit code. argc and argv must outlive the call, as QCoreApplication's must.
int runProgram(int &argc, char **argv);

} // namespace Cli
