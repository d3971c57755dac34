#include "cli/clioptions.h"

#include "core/linkprofile.h"
#include "platform/portlist.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace Cli {

namespace {

const QString kDescription = QStringLiteral(
        "The link to the clamp-on earth-resistance tester, without the window.\n"
        "\n"
        "Commands:\n"
        "  find       search COM1..COM%1 once and print the port that answered\n"
        "  watch      print the realtime readings as the readouts show them\n"
        "  download   read the stored records, write them and keep them in the archive\n"
        "  history    list the archived downloads, newest first: ID, time, port, device,\n"
        "             records, note (tab-separated)\n"
        "  export ID  write an archived download as download wrote it\n"
        "\n"
        "The archive: --archive, else $QUILLO_ARCHIVE, else the window's setting, else\n"
        "archive.sqlite in the user's data folder.\n"
        "\n"
        "Exit codes: 0 done, 2 usage, 3 no instrument, 4 link lost or transfer incomplete,\n"
        "5 cannot write the output, 6 the archive cannot be used or lacks the entry.");

const QString kCommands = QStringLiteral("find, watch, download, history or export");

bool commandFromWord(const QString &word, Command *command)
{
    if (word == QLatin1StringView("find"))
        *command = Command::Find;
    else if (word == QLatin1StringView("watch"))
        *command = Command::Watch;
    else if (word == QLatin1StringView("download"))
        *command = Command::Download;
    else if (word == QLatin1StringView("history"))
        *command = Command::History;
    else if (word == QLatin1StringView("export"))
        *command = Command::Export;
    else
        return false;
    return true;
}

// --archive, and the ID that export names. Returns what is wrong, or nothing.
QString readArchiveOptions(const QCommandLineParser &parser,
                           const QCommandLineOption &archiveOption,
                           Options *o)
{
    if (o->command != Command::Download && o->command != Command::History
        && o->command != Command::Export)
        return {};
    o->archive = parser.value(archiveOption);
    if (parser.isSet(archiveOption) && o->archive.isEmpty())
        return QStringLiteral("--archive wants a file or a postgresql:// address");
    if (o->command != Command::Export)
        return {};
    bool ok = false;
    o->entry = parser.positionalArguments().value(1).toLongLong(&ok);
    if (!ok || o->entry < 1)
        return QStringLiteral("export wants the ID of an entry (see history)");
    return {};
}

// --port and --ports: one device without the search, or the devices the search tries.
QString readPortOptions(const QCommandLineParser &parser,
                        const QCommandLineOption &portOption,
                        const QCommandLineOption &portsOption,
                        Options *o)
{
    if (parser.isSet(portOption) && parser.isSet(portsOption))
        return QStringLiteral("--port and --ports exclude each other");
    if (parser.isSet(portOption)) {
        const PortList::Parsed one = PortList::parseOne(parser.value(portOption));
        o->port = one.devices.value(0);
        if (!one.error.isEmpty())
            return one.error;
    }
    if (parser.isSet(portsOption)) {
        const PortList::Parsed list = PortList::parse(parser.values(portsOption));
        o->ports = list.devices;
        return list.error;
    }
    return {};
}

// watch's own: --count and --csv.
QString readWatchOptions(const QCommandLineParser &parser,
                         const QCommandLineOption &countOption,
                         const QCommandLineOption &csvOption,
                         Options *o)
{
    if (parser.isSet(countOption)) {
        bool ok = false;
        o->count = parser.value(countOption).toInt(&ok);
        if (!ok || o->count < 1)
            return QStringLiteral("--count wants a whole number of at least 1");
    }
    o->csv = parser.value(csvOption);
    if (parser.isSet(csvOption) && o->csv.isEmpty())
        return QStringLiteral("--csv wants a file or \"-\"");
    return {};
}

// download's and export's own: --out and --format.
QString readWriteOptions(const QCommandLineParser &parser,
                         const QCommandLineOption &outOption,
                         const QCommandLineOption &formatOption,
                         Options *o)
{
    o->out = parser.value(outOption);
    if (parser.isSet(outOption) && o->out.isEmpty())
        return QStringLiteral("--out wants a file");
    const QString format = parser.value(formatOption);
    if (format == QLatin1StringView("listing"))
        o->format = Format::Listing;
    else if (format == QLatin1StringView("csv"))
        o->format = Format::Csv;
    else if (format == QLatin1StringView("json"))
        o->format = Format::Json;
    else
        return QStringLiteral("--format wants listing, csv or json, not \"%1\"").arg(format);
    return {};
}

Parsed error(const QString &text)
{
    Parsed p;
    p.outcome = Parsed::Error;
    p.text = text;
    return p;
}

} // namespace

Parsed parseArguments(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(kDescription.arg(LinkProfile::kPortCount));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption portOption(
            QStringLiteral("port"),
            QStringLiteral("Talk to the instrument on <device> only, without the search."),
            QStringLiteral("device"));
    const QCommandLineOption portsOption(
            QStringLiteral("ports"),
            PortList::help(),
            QStringLiteral("devices"));
    parser.addOptions({portOption, portsOption});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("find, watch, download, history or export."));

    // First pass: only the command word. The command's own options are not known yet, so an
    // error here is not final.
    parser.parse(arguments);
    const QStringList positional = parser.positionalArguments();
    Parsed result;
    Options &o = result.options;
    const bool haveCommand
            = !positional.isEmpty() && commandFromWord(positional.first(), &o.command);

    const QCommandLineOption countOption(QStringLiteral("count"),
                                         QStringLiteral("Stop after <n> readings."),
                                         QStringLiteral("n"));
    const QCommandLineOption csvOption(
            QStringLiteral("csv"),
            QStringLiteral("Also write the readings as CSV to <file> (\"-\": standard output, "
                           "instead of the plain lines)."),
            QStringLiteral("file"));
    const QCommandLineOption outOption(
            QStringLiteral("out"),
            QStringLiteral("Write to <file> (replaced only by a complete download) instead of "
                           "standard output."),
            QStringLiteral("file"));
    const QCommandLineOption formatOption(
            QStringLiteral("format"),
            QStringLiteral("listing (the window's data file: GBK, CR LF), csv or json."),
            QStringLiteral("format"),
            QStringLiteral("listing"));
    const QCommandLineOption archiveOption(
            QStringLiteral("archive"),
            QStringLiteral("The archive: a database file or postgresql://user@host:port/database "
                           "(the password from ~/.pgpass or PGPASSWORD)."),
            QStringLiteral("location"));
    if (haveCommand) {
        parser.clearPositionalArguments();
        parser.addPositionalArgument(positional.first(), QString());
        if (o.command == Command::Watch)
            parser.addOptions({countOption, csvOption});
        else if (o.command == Command::Download || o.command == Command::Export)
            parser.addOptions({outOption, formatOption, archiveOption});
        else if (o.command == Command::History)
            parser.addOptions({archiveOption});
        if (o.command == Command::Export)
            parser.addPositionalArgument(QStringLiteral("ID"), QString());
    }

    const bool parsed = parser.parse(arguments);
    if (parsed && parser.isSet(helpOption)) {
        result.outcome = Parsed::Help;
        result.text = parser.helpText();
        return result;
    }
    if (parsed && parser.isSet(versionOption)) {
        result.outcome = Parsed::Version;
        result.text = QCoreApplication::applicationName() + QLatin1Char(' ')
                      + QCoreApplication::applicationVersion() + QLatin1Char('\n');
        return result;
    }
    if (positional.isEmpty())
        return error(QStringLiteral("no command given: %1").arg(kCommands));
    if (!haveCommand)
        return error(QStringLiteral("unknown command \"%1\": %2").arg(positional.first(), kCommands));
    if (!parsed)
        return error(parser.errorText().replace(QLatin1Char('\n'), QLatin1Char(' ')));
    const int words = o.command == Command::Export ? 2 : 1; // the command, and export's ID
    if (parser.positionalArguments().size() > words)
        return error(QStringLiteral("unexpected argument \"%1\"")
                             .arg(parser.positionalArguments().at(words)));
    if (const QString why = readArchiveOptions(parser, archiveOption, &o); !why.isEmpty())
        return error(why);

    if (const QString why = readPortOptions(parser, portOption, portsOption, &o); !why.isEmpty())
        return error(why);
    QString why;
    if (o.command == Command::Watch)
        why = readWatchOptions(parser, countOption, csvOption, &o);
    else if (o.command == Command::Download || o.command == Command::Export)
        why = readWriteOptions(parser, outOption, formatOption, &o);
    if (!why.isEmpty())
        return error(why);
    result.outcome = Parsed::Run;
    return result;
}

void printError(const QString &why)
{
    std::fprintf(stderr, "quillobarent-cli: %s\n", why.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace Cli
