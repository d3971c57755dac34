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
#include <functional>
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

// What the command line asks for, gathered before anything is set up: the seed, for one,
// applies to the records and the readings whatever the order of the options.
struct Config
{
    QString link;
    int records = 36;
    int seed = 1;
    int kind = 1;
    bool fast = false;
    bool even = false;
    bool turnaround = false;
    bool holdKind = false;
    bool verbose = false;
    QList<QByteArray> readings;
    InstrumentSim::Faults faults;
};

// An option's effect on the Config: its value (empty for a switch) in, an error line out.
using Apply = std::function<QString(Config &, const QString &)>;

struct OptionRow
{
    QStringList names;
    QString help;
    QString valueName; // empty: a switch
    Apply apply;
};

Apply number(int low, int high, std::function<void(Config &, int)> set)
{
    return [=](Config &config, const QString &value) {
        bool ok = false;
        const int n = value.toInt(&ok);
        if (!ok || n < low || n > high)
            return QStringLiteral("wants a number from %1 to %2").arg(low).arg(high);
        set(config, n);
        return QString();
    };
}

Apply flag(std::function<void(Config &)> set)
{
    return [=](Config &config, const QString &) {
        set(config);
        return QString();
    };
}

QString readReplies(Config &config, const QString &list)
{
    for (const QString &hex : list.split(QLatin1Char(','))) {
        const QByteArray text = hex.trimmed().toLower().toLatin1();
        const QByteArray decoded = QByteArray::fromHex(text);
        if (decoded.size() != 7 || decoded.toHex() != text)
            return QStringLiteral("wants 7 bytes in hex for each reply, not \"%1\"").arg(hex);
        config.readings.append(decoded);
    }
    return {};
}

// Every option, its help and what it does, in the order --help lists them.
const QList<OptionRow> &optionTable()
{
    using C = Config;
    static const QList<OptionRow> table = {
        {{"link"}, "Also make <path> a link to the pty (root; e.g. /dev/ttyUSB0). Removed on exit.",
         "path", [](C &c, const QString &v) { c.link = v; return QString(); }},
        {{"records"}, "Stored records, 0 to 9999 (default 36).", "n",
         number(0, 9999, [](C &c, int n) { c.records = n; })},
        {{"fast"}, "Unpaced: replies leave at once instead of at 9600 baud.", {},
         flag([](C &c) { c.fast = true; })},
        {{"even"}, "Write every byte on its own, evenly at 9600 baud, as a UART does (default: "
                   "the bytes due when the simulator gets to run leave together).", {},
         flag([](C &c) { c.even = true; })},
        {{"turnaround"}, QStringLiteral("Answer %1 ms after each command, as a tester behind a USB "
                                        "adapter does (default: at once).")
                                 .arg(InstrumentSim::kRealisticTurnaroundMs), {},
         flag([](C &c) { c.turnaround = true; })},
        {{"readings"}, "Answer reading requests with these replies in turn (hex, 7 bytes each, "
                       "comma-separated) instead of the drifting readings.", "hex,...", readReplies},
        {{"kind"}, "Start in measurement kind 1 to 4.", "k",
         number(1, 4, [](C &c, int n) { c.kind = n; })},
        {{"hold-kind"}, "Keep the kind until 55 switches it (default: cycle through the four "
                        "kinds).", {}, flag([](C &c) { c.holdKind = true; })},
        {{"seed"}, "Seed of the readings and records.", "n",
         number(0, 1 << 30, [](C &c, int n) { c.seed = n; })},
        {{"silent"}, "Answer nothing (an unplugged tester).", {},
         flag([](C &c) { c.faults.silent = true; })},
        {{"silent-after"}, "Fall silent after n replies.", "n",
         number(1, 1 << 30, [](C &c, int n) { c.faults.silentAfter = n; })},
        {{"vanish-after"}, "Close the pty after n replies.", "n",
         number(1, 1 << 30, [](C &c, int n) { c.faults.vanishAfter = n; })},
        {{"late"}, "Answer every command ms after it arrives, in order: a command that arrives "
                   "while an answer is due is answered after that one.", "ms",
         number(0, 60000, [](C &c, int n) { c.faults.lateMs = n; })},
        {{"garbage"}, "Answer random bytes instead of replies.", {},
         flag([](C &c) { c.faults.garbage = true; })},
        {{"split"}, "Send reply bytes one at a time, ms apart.", "ms",
         number(0, 60000, [](C &c, int n) { c.faults.splitGapMs = n; })},
        {{"burst9"}, "Realtime replies of 9 bytes instead of 7.", {},
         flag([](C &c) { c.faults.burst9 = true; })},
        {{"bad-count"}, "Answer the count request with 05 04.", {},
         flag([](C &c) { c.faults.badCount = true; })},
        {{"v", "verbose"}, "Log every command on stderr.", {},
         flag([](C &c) { c.verbose = true; })},
    };
    return table;
}

// Reads the command line into a Config; exits with 2 and a line on stderr when it is wrong.
Config readCommandLine(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
            "Plays the clamp-on earth-resistance tester on a pseudo-terminal.\n"
            "Answers 5 with D5 55 55, 35 with a live reading, 15 with the record count, 25 with the "
            "stored records; 55 switches the measurement kind, 0 ends the session.\n"
            "While running: kill -USR1 <pid> unplugs or replugs the instrument (unplugged, it falls "
            "silent at once, in the middle of a reply too)."));
    parser.addHelpOption();
    QList<QCommandLineOption> options;
    for (const OptionRow &row : optionTable())
        options.append(QCommandLineOption(row.names, row.help, row.valueName));
    parser.addOptions(options);
    parser.process(app);

    Config config;
    for (qsizetype i = 0; i < options.size(); ++i) {
        if (!parser.isSet(options.at(i)))
            continue;
        const OptionRow &row = optionTable().at(i);
        const QString why = row.apply(config, parser.value(options.at(i)));
        if (why.isEmpty())
            continue;
        std::fprintf(stderr, "instrument-sim: --%s %s\n", qPrintable(row.names.constLast()),
                     qPrintable(why));
        std::exit(2);
    }
    return config;
}

void configure(InstrumentSim &sim, const Config &config)
{
    sim.setPaced(!config.fast);
    sim.setEven(config.even);
    sim.setRecordCount(config.records, quint32(config.seed));
    sim.realtime() = Sim::RealtimeScenario(quint32(config.seed));
    sim.realtime().setKind(config.kind);
    if (config.holdKind)
        sim.realtime().setReadingsPerKind(0);
    if (!config.readings.isEmpty())
        sim.realtime().setScript(config.readings);
    if (config.turnaround)
        sim.setTurnaroundMs(InstrumentSim::kRealisticTurnaroundMs);
    sim.faults() = config.faults;
}

void report(InstrumentSim &sim, QTextStream &err, bool verbose)
{
    if (verbose) {
        QObject::connect(&sim, &InstrumentSim::commandReceived, [&err](int command) {
            err << "instrument-sim: received " << command << "\n";
            err.flush();
        });
    }
    QObject::connect(&sim, &InstrumentSim::log, [&err](const QString &line) {
        err << "instrument-sim: " << line << "\n";
        err.flush();
    });
    QObject::connect(&sim, &InstrumentSim::vanished, qApp, [] {
        removeLink();
        QCoreApplication::exit(0);
    });
}

// Ctrl+C, SIGTERM and SIGHUP end the program through the event loop, so the link is removed;
// SIGUSR1 unplugs or replugs.
bool handleSignals(InstrumentSim &sim, QTextStream &err)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return false;
    struct sigaction action
    {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGUSR1})
        ::sigaction(signal, &action, nullptr);
    auto *notifier = new QSocketNotifier(qintptr(g_signalPipe[1]), QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [&sim, &err] {
        char signal = 0;
        if (::read(g_signalPipe[1], &signal, 1) != 1)
            return;
        if (signal != SIGUSR1) {
            QCoreApplication::exit(0);
            return;
        }
        sim.setSilent(!sim.faults().silent);
        err << "instrument-sim: " << (sim.faults().silent ? "unplugged" : "plugged in again")
            << "\n";
        err.flush();
    });
    std::atexit(removeLink);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("instrument-sim"));
    const Config config = readCommandLine(app);

    QTextStream err(stderr);
    InstrumentSim sim;
    configure(sim, config);
    report(sim, err, config.verbose);
    if (!sim.open()) {
        err << "instrument-sim: cannot create a pseudo-terminal: " << std::strerror(errno) << "\n";
        return 1;
    }
    if (!handleSignals(sim, err))
        return 1;
    if (!config.link.isEmpty()) {
        QString why;
        if (!makeLink(config.link, sim.slavePath(), &why)) {
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
        << (!sim.paced() ? "unpaced" : sim.even() ? "9600 baud, evenly" : "9600 baud")
        << "; Ctrl+C ends\n";
    err.flush();

    const int code = QCoreApplication::exec();
    removeLink();
    return code;
}
