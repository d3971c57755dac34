#include "cli/clioptions.h"

#include "core/linkprofile.h"
#include "platform/portlist.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace Cli {

namespace {

const QString kDescription = QStringLiteral(
        "The link to the clamp-on earth-resistance tester, without the window.\n"
        "\n"
        "Commands:\n"
        "  find       search COM1..COM%1 once and print the port that answered\n"
        "  watch      print the realtime readings as the readouts show them\n"
        "  download   read the stored records and write them\n"
        "\n"
        "Exit codes: 0 done, 2 usage, 3 no instrument, 4 link lost or transfer incomplete,\n"
        "5 cannot write the output.");

bool commandFromWord(const QString &word, Command *command)
{
    if (word == QLatin1StringView("find"))
        *command = Command::Find;
    else if (word == QLatin1StringView("watch"))
        *command = Command::Watch;
    else if (word == QLatin1StringView("download"))
        *command = Command::Download;
    else
        return false;
    return true;
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
            QStringLiteral("Search these devices (comma-separated) as COM1, COM2, ... instead of "
                           "the serial devices of /dev."),
            QStringLiteral("devices"));
    parser.addOptions({portOption, portsOption});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("find, watch or download."));

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
    if (haveCommand) {
        parser.clearPositionalArguments();
        parser.addPositionalArgument(positional.first(), QString());
        if (o.command == Command::Watch)
            parser.addOptions({countOption, csvOption});
        else if (o.command == Command::Download)
            parser.addOptions({outOption, formatOption});
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
        return error(QStringLiteral("no command given: find, watch or download"));
    if (!haveCommand)
        return error(QStringLiteral("unknown command \"%1\": find, watch or download")
                             .arg(positional.first()));
    if (!parsed)
        return error(parser.errorText().replace(QLatin1Char('\n'), QLatin1Char(' ')));
    if (parser.positionalArguments().size() > 1)
        return error(QStringLiteral("unexpected argument \"%1\"")
                             .arg(parser.positionalArguments().at(1)));

    if (parser.isSet(portOption) && parser.isSet(portsOption))
        return error(QStringLiteral("--port and --ports exclude each other"));
    o.port = parser.value(portOption);
    if (parser.isSet(portOption) && o.port.isEmpty())
        return error(QStringLiteral("--port wants a device"));
    if (parser.isSet(portsOption)) {
        const PortList::Parsed list = PortList::parse(parser.values(portsOption));
        if (!list.error.isEmpty())
            return error(list.error);
        o.ports = list.devices;
    }

    if (o.command == Command::Watch) {
        if (parser.isSet(countOption)) {
            bool ok = false;
            o.count = parser.value(countOption).toInt(&ok);
            if (!ok || o.count < 1)
                return error(QStringLiteral("--count wants a whole number of at least 1"));
        }
        o.csv = parser.value(csvOption);
        if (parser.isSet(csvOption) && o.csv.isEmpty())
            return error(QStringLiteral("--csv wants a file or \"-\""));
    } else if (o.command == Command::Download) {
        o.out = parser.value(outOption);
        if (parser.isSet(outOption) && o.out.isEmpty())
            return error(QStringLiteral("--out wants a file"));
        const QString format = parser.value(formatOption);
        if (format == QLatin1StringView("listing"))
            o.format = Format::Listing;
        else if (format == QLatin1StringView("csv"))
            o.format = Format::Csv;
        else if (format == QLatin1StringView("json"))
            o.format = Format::Json;
        else
            return error(
                    QStringLiteral("--format wants listing, csv or json, not \"%1\"").arg(format));
    }
    result.outcome = Parsed::Run;
    return result;
}

} // namespace Cli
