#pragma once

#include "cli/clioptions.h"
#include "core/archiveentry.h"

#include <QString>

#include <optional>

// The command line's side of the archive: history and export, which need no instrument, and
// the keeping of what download received.
namespace ArchiveCommands {

// history: one line per entry, newest first, each beginning with its ID. Returns the exit code.
int history(const Cli::Options &options);
// export ID: the entry written as download wrote it, byte for byte. Returns the exit code.
int exportEntry(const Cli::Options &options);
// Stores a completed download; its ID, or empty optional and *why.
std::optional<qint64> keep(const Cli::Options &options, const Archive::Entry &entry, QString *why);
// The entry options.entry names, with its records; empty optional, *why and *code (the exit
// code) when the archive cannot be used or lacks it.
std::optional<Archive::Entry> entry(const Cli::Options &options, QString *why, int *code);

} // namespace ArchiveCommands
