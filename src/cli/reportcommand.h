#pragma once

#include "cli/clioptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>

// report ID: an archived download's inspection report as a PDF.
namespace ReportCommand {

// The report's own options: --limit and --out.
QList<QCommandLineOption> options();
// Reads them (--out is needed: "-" is standard output). Returns what is wrong, or nothing.
QString readOptions(const QCommandLineParser &parser, Cli::Options *o);

// Writes the report and returns the exit code. A PDF with its fonts needs a Qt Gui application,
// which this makes on the offscreen platform (no display is needed or touched), after the
// caller's core application has gone: the other commands stay on Qt Core alone.
int run(int &argc, char **argv, const Cli::Options &options);

} // namespace ReportCommand
