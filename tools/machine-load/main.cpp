// machine-load: keeps every core busy (or --threads of them) for --seconds, then ends by itself,
// so a script that is killed leaves no spinning loop behind for long. SIGTERM and Ctrl+C end it
// at once.
#include "machine-load/machineload.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <chrono>
#include <csignal>
#include <thread>

namespace {
volatile std::sig_atomic_t g_stop = 0;
void onSignal(int)
{
    g_stop = 1;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
            QStringLiteral("Spins threads at full speed, one per core: a busy machine for the "
                           "program to be tried on."));
    parser.addHelpOption();
    const QCommandLineOption threadsOpt(QStringLiteral("threads"),
                                        QStringLiteral("Spinning threads (default: one per core)."),
                                        QStringLiteral("n"),
                                        QStringLiteral("0"));
    const QCommandLineOption secondsOpt(QStringLiteral("seconds"),
                                        QStringLiteral("Stop after s seconds (default 600)."),
                                        QStringLiteral("s"),
                                        QStringLiteral("600"));
    parser.addOptions({threadsOpt, secondsOpt});
    parser.process(app);
    bool threadsOk = false;
    bool secondsOk = false;
    const int threads = parser.value(threadsOpt).toInt(&threadsOk);
    const int seconds = parser.value(secondsOpt).toInt(&secondsOk);
    if (!threadsOk || threads < 0 || !secondsOk || seconds <= 0) {
        QTextStream(stderr) << "machine-load: --threads wants 0 or more, --seconds more than 0\n";
        return 2;
    }

    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    MachineLoad load(threads);
    load.start();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!g_stop && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    load.stop();
    return 0;
}
