// instrument-sim: plays the clamp-on tester on a pseudo-terminal, so the window can be tried (and
// shown) without the instrument. Prints the slave's path; as root, --link /dev/ttyUSB0 makes the
// window find it as its first serial port.
#include "instrument-sim/instrumentsim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};
QByteArray g_linkPath; // removed at exit, whatever ends the program

void onSignal(int signal)
{
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[0], &byte, 1);
}

void removeLink()
{
    if (g_linkPath.isEmpty())
        return;
    struct stat st
    {};
    if (::lstat(g_linkPath.constData(), &st) == 0 && S_ISLNK(st.st_mode))
        ::unlink(g_linkPath.constData());
    g_linkPath.clear();
}

// Points `link` at `target`. A stale link left by an earlier run is replaced; anything else
// (a real device, a file) is left alone.
bool makeLink(const QString &link, const QString &target, QString *why)
{
    const QByteArray path = QFile::encodeName(link);
    struct stat st
    {};
    if (::lstat(path.constData(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            *why = QStringLiteral("%1 exists and is not a link: a real device? Choose another "
                                  "name.")
                           .arg(link);
            return false;
        }
        ::unlink(path.constData());
    }
    if (::symlink(QFile::encodeName(target).constData(), path.constData()) != 0) {
        *why = QStringLiteral("cannot create %1: %2%3")
                       .arg(link,
                            QString::fromLocal8Bit(std::strerror(errno)),
                            ::geteuid() != 0 ? QStringLiteral(" (run as root)") : QString());
        return false;
    }
    g_linkPath = path;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("instrument-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
            "Plays the clamp-on earth-resistance tester on a pseudo-terminal.\n"
            "Answers 5 with D5 55 55, 35 with a live reading, 15 with the record count, 25 with the "
            "stored records; 55 switches the measurement kind, 0 ends the session.\n"
            "While running: kill -USR1 <pid> unplugs or replugs the instrument (unplugged, it falls "
            "silent at once, in the middle of a reply too)."));
    parser.addHelpOption();
    const QCommandLineOption linkOpt(QStringLiteral("link"),
                                     QStringLiteral("Also make <path> a link to the pty (root; "
                                                    "e.g. /dev/ttyUSB0). Removed on exit."),
                                     QStringLiteral("path"));
    const QCommandLineOption recordsOpt(QStringLiteral("records"),
                                        QStringLiteral("Stored records, 0 to 9999 (default 36)."),
                                        QStringLiteral("n"),
                                        QStringLiteral("36"));
    const QCommandLineOption fastOpt(QStringLiteral("fast"),
                                     QStringLiteral("Unpaced: replies leave at once instead of at "
                                                    "9600 baud."));
    const QCommandLineOption turnaroundOpt(
            QStringLiteral("turnaround"),
            QStringLiteral("Answer %1 ms after each command, as a tester behind a USB adapter "
                           "does (default: at once).")
                    .arg(InstrumentSim::kRealisticTurnaroundMs));
    const QCommandLineOption readingsOpt(
            QStringLiteral("readings"),
            QStringLiteral("Answer reading requests with these replies in turn (hex, 7 bytes "
                           "each, comma-separated) instead of the drifting readings."),
            QStringLiteral("hex,..."));
    const QCommandLineOption kindOpt(QStringLiteral("kind"),
                                     QStringLiteral("Start in measurement kind 1 to 4."),
                                     QStringLiteral("k"),
                                     QStringLiteral("1"));
    const QCommandLineOption holdOpt(QStringLiteral("hold-kind"),
                                     QStringLiteral("Keep the kind until 55 switches it (default: "
                                                    "cycle through the four kinds)."));
    const QCommandLineOption seedOpt(QStringLiteral("seed"),
                                     QStringLiteral("Seed of the readings and records."),
                                     QStringLiteral("n"),
                                     QStringLiteral("1"));
    const QCommandLineOption silentOpt(QStringLiteral("silent"),
                                       QStringLiteral("Answer nothing (an unplugged tester)."));
    const QCommandLineOption silentAfterOpt(QStringLiteral("silent-after"),
                                            QStringLiteral("Fall silent after n replies."),
                                            QStringLiteral("n"));
    const QCommandLineOption vanishAfterOpt(QStringLiteral("vanish-after"),
                                            QStringLiteral("Close the pty after n replies."),
                                            QStringLiteral("n"));
    const QCommandLineOption lateOpt(QStringLiteral("late"),
                                     QStringLiteral("Start every reply ms late."),
                                     QStringLiteral("ms"));
    const QCommandLineOption garbageOpt(QStringLiteral("garbage"),
                                        QStringLiteral("Answer random bytes instead of replies."));
    const QCommandLineOption splitOpt(QStringLiteral("split"),
                                      QStringLiteral("Send reply bytes one at a time, ms apart."),
                                      QStringLiteral("ms"));
    const QCommandLineOption burstOpt(QStringLiteral("burst9"),
                                      QStringLiteral("Realtime replies of 9 bytes instead of 7."));
    const QCommandLineOption badCountOpt(QStringLiteral("bad-count"),
                                         QStringLiteral("Answer the count request with 05 04."));
    const QCommandLineOption verboseOpt({QStringLiteral("v"), QStringLiteral("verbose")},
                                        QStringLiteral("Log every command on stderr."));
    parser.addOptions({linkOpt,
                       recordsOpt,
                       fastOpt,
                       turnaroundOpt,
                       readingsOpt,
                       kindOpt,
                       holdOpt,
                       seedOpt,
                       silentOpt,
                       silentAfterOpt,
                       vanishAfterOpt,
                       lateOpt,
                       garbageOpt,
                       splitOpt,
                       burstOpt,
                       badCountOpt,
                       verboseOpt});
    parser.process(app);

    QTextStream err(stderr);
    const auto intOption = [&](const QCommandLineOption &opt, int low, int high, int fallback) {
        if (!parser.isSet(opt) && opt.defaultValues().isEmpty())
            return fallback;
        bool ok = false;
        const int value = parser.value(opt).toInt(&ok);
        if (!ok || value < low || value > high) {
            err << "instrument-sim: --" << opt.names().constFirst() << " wants a number from "
                << low << " to " << high << "\n";
            err.flush();
            std::exit(2);
        }
        return value;
    };

    InstrumentSim sim;
    sim.setPaced(!parser.isSet(fastOpt));
    sim.setRecordCount(intOption(recordsOpt, 0, 9999, 36),
                       quint32(intOption(seedOpt, 0, 1 << 30, 1)));
    sim.realtime() = Sim::RealtimeScenario(quint32(intOption(seedOpt, 0, 1 << 30, 1)));
    sim.realtime().setKind(intOption(kindOpt, 1, 4, 1));
    if (parser.isSet(holdOpt))
        sim.realtime().setReadingsPerKind(0);
    if (parser.isSet(readingsOpt)) {
        QList<QByteArray> replies;
        for (const QString &hex : parser.value(readingsOpt).split(QLatin1Char(','))) {
            const QByteArray text = hex.trimmed().toLower().toLatin1();
            const QByteArray decoded = QByteArray::fromHex(text);
            if (decoded.size() != 7 || decoded.toHex() != text) {
                err << "instrument-sim: --readings wants 7 bytes in hex for each reply, not \""
                    << hex << "\"\n";
                return 2;
            }
            replies.append(decoded);
        }
        sim.realtime().setScript(replies);
    }
    if (parser.isSet(turnaroundOpt))
        sim.setTurnaroundMs(InstrumentSim::kRealisticTurnaroundMs);
    InstrumentSim::Faults &faults = sim.faults();
    faults.silent = parser.isSet(silentOpt);
    faults.silentAfter = intOption(silentAfterOpt, 1, 1 << 30, -1);
    faults.vanishAfter = intOption(vanishAfterOpt, 1, 1 << 30, -1);
    faults.lateMs = intOption(lateOpt, 0, 60000, 0);
    faults.garbage = parser.isSet(garbageOpt);
    faults.splitGapMs = intOption(splitOpt, 0, 60000, 0);
    faults.burst9 = parser.isSet(burstOpt);
    faults.badCount = parser.isSet(badCountOpt);

    if (parser.isSet(verboseOpt)) {
        QObject::connect(&sim, &InstrumentSim::commandReceived, [&err](int command) {
            err << "instrument-sim: received " << command << "\n";
            err.flush();
        });
    }
    QObject::connect(&sim, &InstrumentSim::log, [&err](const QString &line) {
        err << "instrument-sim: " << line << "\n";
        err.flush();
    });
    QObject::connect(&sim, &InstrumentSim::vanished, &app, [] {
        removeLink();
        QCoreApplication::exit(0);
    });

    if (!sim.open()) {
        err << "instrument-sim: cannot create a pseudo-terminal: " << std::strerror(errno) << "\n";
        return 1;
    }

    // Ctrl+C, SIGTERM and SIGHUP end the program through the event loop, so the link is removed;
    // SIGUSR1 unplugs or replugs.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return 1;
    struct sigaction action
    {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGUSR1})
        ::sigaction(signal, &action, nullptr);
    QSocketNotifier signalNotifier(qintptr(g_signalPipe[1]), QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [&] {
        char signal = 0;
        if (::read(g_signalPipe[1], &signal, 1) != 1)
            return;
        if (signal == SIGUSR1) {
            sim.setSilent(!sim.faults().silent);
            err << "instrument-sim: " << (sim.faults().silent ? "unplugged" : "plugged in again")
                << "\n";
            err.flush();
            return;
        }
        QCoreApplication::exit(0);
    });
    std::atexit(removeLink);

    if (parser.isSet(linkOpt)) {
        QString why;
        if (!makeLink(parser.value(linkOpt), sim.slavePath(), &why)) {
            err << "instrument-sim: " << why << "\n";
            return 1;
        }
    }

    QTextStream out(stdout);
    out << sim.slavePath();
    if (!g_linkPath.isEmpty())
        out << " " << QFile::decodeName(g_linkPath);
    out << "\n";
    out.flush();
    err << "instrument-sim: " << sim.recordCount() << " stored records, "
        << (sim.paced() ? "9600 baud" : "unpaced") << "; Ctrl+C ends\n";
    err.flush();

    const int code = QCoreApplication::exec();
    removeLink();
    return code;
}
