// quillobarent-cli: find the tester, watch its readings, download its stored records; the same
// link and the same texts as the window, without it. The commands are in the quillo_cli library.
#include "cli/commands.h"
#include "quillo_version.h"

#include <QCoreApplication>

#include <csignal>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillobarent-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLO_VERSION));
#ifdef SIGPIPE
    // A reader that went away is a write error, reported with its exit code; the instrument
    // still hears the end-of-link byte.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    return Cli::run(QCoreApplication::arguments());
}
