#pragma once

#include "cli/clioptions.h"

#include <memory>

class QCoreApplication;

// report ID: an archived download's inspection report as a PDF.
namespace ReportCommand {

// A PDF with its fonts needs a Qt Gui application: this one is on the offscreen platform, so no
// display is needed or touched. Only report runs in it; the other commands stay on Qt Core.
std::unique_ptr<QCoreApplication> application(int &argc, char **argv);

// Writes the report (in application()'s application) and returns the exit code.
int run(const Cli::Options &options);

} // namespace ReportCommand
