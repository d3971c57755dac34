#include "app/commandline.h"

#include "platform/portlist.h"
#include "platform/portmap.h"
#include "platform/systemserialport.h"
#include "quillo_version.h"

#include <QCommandLineParser>

#include <cstdio>

namespace CommandLine {

namespace {

const QString kProgram = QStringLiteral("quillobarent");

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
            PortList::help(),
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

    const PortList::Parsed list = PortList::parse(parser.values(ports));
    if (!list.error.isEmpty())
        return failure(list.error);
    Options options;
    options.ports = list.devices;
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
