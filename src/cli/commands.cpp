#include "cli/commands.h"

#include "cli/archivecommands.h"
#include "cli/downloadcommand.h"
#include "cli/linkcommand.h"
#include "cli/reportcommand.h"
#include "cli/watchcommand.h"
#include "core/linkprofile.h"
#include "quillo_version.h"

#include <QCoreApplication>

#include <cstdio>

namespace Cli {

namespace {

// The commands on the link: the event loop runs until the command ends it.
template<class LinkCommandType>
int runOnLink(const Options &options)
{
    LinkCommandType command(options);
    command.start();
    return QCoreApplication::exec();
}

} // namespace

std::span<const Command> commands()
{
    // The archive's commands need no instrument and no event loop.
    static const Command table[] = {
            {QLatin1StringView("find"),
             0,
             QStringLiteral("search COM1..COM%1 once and print the port that answered")
                     .arg(LinkProfile::kPortCount),
             runOnLink<FindCommand>},
            {QLatin1StringView("watch"),
             Count | Csv,
             QStringLiteral("print the realtime readings as the readouts show them"),
             runOnLink<WatchCommand>},
            {QLatin1StringView("download"),
             Out | OutFormat | ArchiveLocation,
             QStringLiteral("read the stored records, write them and keep them in the archive"),
             runOnLink<DownloadCommand>},
            {QLatin1StringView("history"),
             ArchiveLocation,
             QStringLiteral("list the archived downloads, newest first: ID, time (in this zone,\n"
                            "with its offset), port, device, records, note (tab-separated)"),
             ArchiveCommands::history},
            {QLatin1StringView("export"),
             Out | OutFormat | ArchiveLocation | EntryId,
             QStringLiteral("write an archived download as download wrote it"),
             ArchiveCommands::exportEntry},
            {QLatin1StringView("report"),
             PdfOut | Limit | ArchiveLocation | EntryId,
             QStringLiteral("write an archived download's inspection report as PDF (--out)"),
             ReportCommand::run,
             ReportCommand::application},
    };
    return table;
}

int runProgram(int &argc, char **argv)
{
    auto app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillobarent-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLO_VERSION));
    const Parsed parsed = parseArguments(QCoreApplication::arguments());
    switch (parsed.outcome) {
    case Parsed::Help:
    case Parsed::Version:
        std::fputs(parsed.text.toLocal8Bit().constData(), stdout);
        return Done;
    case Parsed::Error:
        printError(parsed.text + QStringLiteral(" (see --help)"));
        return Usage;
    case Parsed::Run:
        break;
    }
    if (parsed.command->application) {
        app.reset(); // one application at a time
        app = parsed.command->application(argc, argv);
    }
    return parsed.command->run(parsed.options);
}

} // namespace Cli
