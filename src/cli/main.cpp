// quillobarent-cli: find the tester, watch its readings, download its stored records; the same
// link and the same texts as the window, without it.
#include "cli/archivecommands.h"
#include "cli/clioptions.h"
#include "cli/downloadcommand.h"
#include "cli/linkcommand.h"
#include "cli/reportcommand.h"
#include "cli/watchcommand.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    auto app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillobarent-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLO_VERSION));
#ifdef SIGPIPE
    // A reader that went away is a write error, reported with its exit code; the instrument
    // still hears the end-of-link byte.
    std::signal(SIGPIPE, SIG_IGN);
#endif

    const Cli::Parsed parsed = Cli::parseArguments(QCoreApplication::arguments());
    switch (parsed.outcome) {
    case Cli::Parsed::Help:
    case Cli::Parsed::Version:
        std::fputs(parsed.text.toLocal8Bit().constData(), stdout);
        return Cli::Done;
    case Cli::Parsed::Error:
        Cli::printError(parsed.text + QStringLiteral(" (see --help)"));
        return Cli::Usage;
    case Cli::Parsed::Run:
        break;
    }

    // The archive's commands need no instrument and no event loop.
    if (parsed.options.command == Cli::Command::History)
        return ArchiveCommands::history(parsed.options);
    if (parsed.options.command == Cli::Command::Export)
        return ArchiveCommands::exportEntry(parsed.options);
    if (parsed.options.command == Cli::Command::Report) {
        app.reset(); // the report makes a Gui application of its own
        return ReportCommand::run(argc, argv, parsed.options);
    }

    std::unique_ptr<LinkCommand> command;
    switch (parsed.options.command) {
    case Cli::Command::Find:
        command = std::make_unique<FindCommand>(parsed.options);
        break;
    case Cli::Command::Watch:
        command = std::make_unique<WatchCommand>(parsed.options);
        break;
    case Cli::Command::Download:
        command = std::make_unique<DownloadCommand>(parsed.options);
        break;
    case Cli::Command::History:
    case Cli::Command::Export:
    case Cli::Command::Report:
        break;
    }
    command->start();
    return app->exec();
}
