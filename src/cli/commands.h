#pragma once

#include "cli/clioptions.h"

#include <QLatin1StringView>
#include <QString>

#include <span>

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
};

std::span<const Command> commands();

// Parses the arguments and runs the command they name; returns the exit code.
int run(const QStringList &arguments);

} // namespace Cli
