#include "app/commandline.h"

#include "platform/portmap.h"
#include "platform/systemserialport.h"
#include "quillo_version.h"

#include <QCommandLineParser>
#include <QDir>
#include <QSet>

#include <cstdio>

namespace CommandLine {

namespace {

const QString kProgram = QStringLiteral("quillobarent");
// Discovery tries COM1 to COM16; a seventeenth device would never be opened.
constexpr int kMaxPorts = 16;

Options failure(QString why)
{
    // Qt's parser ends its messages with a full stop; the pointer to the help follows here.
    if (why.endsWith(QLatin1Char('.')))
        why.chop(1);
    return {Options::Action::Error,
            {},
            QStringLiteral("%1: %2 (see %1 --help)").arg(kProgram, why)};
}

// The options QGuiApplication and QApplication take for themselves (they remove them from argv
// when they start): accepted here so they reach Qt, and kept out of the help text.
QList<QCommandLineOption> qtOptions()
{
    static const char *const withValue[] = {"platform",
                                            "platformpluginpath",
                                            "platformtheme",
                                            "plugin",
                                            "qwindowgeometry",
                                            "qwindowicon",
                                            "qwindowtitle",
                                            "session",
                                            "display",
                                            "geometry",
                                            "name",
                                            "style",
                                            "stylesheet"};
    static const char *const flags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    QList<QCommandLineOption> result;
    for (const char *name : withValue) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setValueName(QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        result.append(option);
    }
    for (const char *name : flags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        result.append(option);
    }
    return result;
}

// The --ports lists in order, or why they cannot be used. Devices are not required to exist
// yet (an adapter plugged in later, an rfcomm link bound later): discovery says when one is not
// there. What is refused is what can only be a typing slip.
QString checkPorts(const QStringList &lists, QStringList *ports)
{
    QSet<QString> seen;
    for (const QString &list : lists) {
        if (list.trimmed().isEmpty())
            return QStringLiteral("--ports needs a comma-separated list of device paths");
        const QStringList entries = list.split(QLatin1Char(','));
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const QString device = entries.at(i).trimmed();
            if (device.isEmpty())
                return QStringLiteral("--ports: entry %1 of \"%2\" is empty").arg(i + 1).arg(list);
            // A relative name would depend on the folder the program was started in.
            if (!device.startsWith(QLatin1Char('/')))
                return QStringLiteral("--ports: \"%1\" is not an absolute device path like "
                                      "/dev/ttyUSB0")
                        .arg(device);
            // One device as two ports would be opened twice by discovery.
            const QString key = QDir::cleanPath(device);
            if (seen.contains(key))
                return QStringLiteral("--ports: \"%1\" is listed twice").arg(device);
            seen.insert(key);
            ports->append(device);
        }
    }
    if (ports->size() > kMaxPorts)
        return QStringLiteral("--ports: at most %1 devices (COM1 to COM%1), %2 given")
                .arg(kMaxPorts)
                .arg(ports->size());
    return {};
}

} // namespace

Options parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    // Qt's own options are single-dash words (-platform, -style); read them as such, not as
    // bundles of one-letter options.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
            "Companion program of the clamp-on earth-resistance tester: finds the instrument on\n"
            "a serial port, shows its realtime readings with alarms, downloads its stored\n"
            "records into a listing that can be saved and printed, and keeps a trend chart."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and exits."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the program's version and exits."));
    const QCommandLineOption ports(
            QStringLiteral("ports"),
            QStringLiteral("Comma-separated device paths that become COM1, COM2, ... in this "
                           "order (e.g. /dev/rfcomm0,/dev/ttyAMA0). Without it COMn is the n-th "
                           "of /dev/ttyUSB*, /dev/ttyACM*, /dev/ttyS*."),
            QStringLiteral("list"));
    parser.addOptions({help, version, ports});
    parser.addOptions(qtOptions());

    QStringList args = arguments;
    if (args.isEmpty())
        args.append(kProgram);
    if (!parser.parse(args))
        return failure(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return failure(QStringLiteral("unexpected argument \"%1\"")
                               .arg(parser.positionalArguments().first()));
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        // Qt takes the name in the usage line from QCoreApplication, which does not exist yet.
        const qsizetype endOfLine = text.indexOf(QLatin1Char('\n'));
        text.replace(0, endOfLine, QStringLiteral("Usage: %1 [options]").arg(kProgram));
        return {Options::Action::ShowHelp, {}, text};
    }
    if (parser.isSet(version))
        return {Options::Action::ShowVersion,
                {},
                QStringLiteral("%1 %2\n").arg(kProgram, QStringLiteral(QUILLO_VERSION))};

    Options options;
    const QString why = checkPorts(parser.values(ports), &options.ports);
    if (!why.isEmpty())
        return failure(why);
    return options;
}

QStringList arguments(int argc, char **argv)
{
    QStringList result;
    for (int i = 0; i < argc; ++i)
        result.append(QString::fromLocal8Bit(argv[i]));
    return result;
}

int report(const Options &options)
{
    const QByteArray text = options.text.toLocal8Bit();
    switch (options.action) {
    case Options::Action::Error:
        std::fprintf(stderr, "%s\n", text.constData());
        return 2;
    case Options::Action::ShowHelp:
    case Options::Action::ShowVersion:
        std::fputs(text.constData(), stdout);
        return 0;
    case Options::Action::Run:
        break;
    }
    return 0;
}

std::unique_ptr<SerialPort> makePort(const Options &options)
{
    if (options.ports.isEmpty())
        return makeSystemSerialPort();
    return makeSystemSerialPort(PortMap(options.ports));
}

} // namespace CommandLine
