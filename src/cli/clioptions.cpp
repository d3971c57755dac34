#include "cli/clioptions.h"

#include "cli/commands.h"
#include "core/alarms.h"
#include "core/report.h"
#include "platform/portlist.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <vector>

namespace Cli {

namespace {

const QString kAbout
        = QStringLiteral("The link to the clamp-on earth-resistance tester, without the window.\n");
const QString kEpilogue = QStringLiteral(
        "The archive: --archive, else $QUILLO_ARCHIVE, else the window's setting, else\n"
        "archive.sqlite in the user's data folder.\n"
        "\n"
        "Exit codes: 0 done, 2 usage, 3 no instrument, 4 link lost or transfer incomplete,\n"
        "5 cannot write the output, 6 the archive cannot be used or lacks the entry,\n"
        "7 no archive there yet (history, export, report create none; a download does).");

// Checks an option the parser accepted and takes its value; returns what is wrong, or nothing.
using Reader = QString (*)(const QCommandLineParser &parser, Options *o);

// One option of the table below: the flag a command names it by (0: every command has it), its
// QCommandLineParser form (an empty name is the positional ID) and its reader. The archive's
// options are checked before the link's, as the commands that need no instrument would.
struct OptionRow
{
    unsigned flag;
    bool checkedFirst;
    QCommandLineOption option;
    Reader read;
};

QString readPort(const QCommandLineParser &parser, Options *o)
{
    if (parser.isSet(QStringLiteral("port")) && parser.isSet(QStringLiteral("ports")))
        return QStringLiteral("--port and --ports exclude each other");
    if (!parser.isSet(QStringLiteral("port")))
        return {};
    const PortList::Parsed one = PortList::parseOne(parser.value(QStringLiteral("port")));
    o->port = one.devices.value(0);
    return one.error;
}

QString readPorts(const QCommandLineParser &parser, Options *o)
{
    if (!parser.isSet(QStringLiteral("ports")))
        return {};
    const PortList::Parsed list = PortList::parse(parser.values(QStringLiteral("ports")));
    o->ports = list.devices;
    return list.error;
}

QString readCount(const QCommandLineParser &parser, Options *o)
{
    if (!parser.isSet(QStringLiteral("count")))
        return {};
    bool ok = false;
    o->count = parser.value(QStringLiteral("count")).toInt(&ok);
    if (!ok || o->count < 1)
        return QStringLiteral("--count wants a whole number of at least 1");
    return {};
}

QString readCsv(const QCommandLineParser &parser, Options *o)
{
    o->csv = parser.value(QStringLiteral("csv"));
    if (parser.isSet(QStringLiteral("csv")) && o->csv.isEmpty())
        return QStringLiteral("--csv wants a file or \"-\"");
    return {};
}

QString readOut(const QCommandLineParser &parser, Options *o)
{
    o->out = parser.value(QStringLiteral("out"));
    if (parser.isSet(QStringLiteral("out")) && o->out.isEmpty())
        return QStringLiteral("--out wants a file");
    return {};
}

QString readFormat(const QCommandLineParser &parser, Options *o)
{
    const QString format = parser.value(QStringLiteral("format"));
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

QString readPdfOut(const QCommandLineParser &parser, Options *o)
{
    o->out = parser.value(QStringLiteral("out"));
    if (o->out.isEmpty())
        return QStringLiteral("report wants --out FILE.pdf, or --out - for standard output");
    return {};
}

QString readLimit(const QCommandLineParser &parser, Options *o)
{
    if (!parser.isSet(QStringLiteral("limit")))
        return {};
    bool ok = false;
    o->limit = parser.value(QStringLiteral("limit")).toDouble(&ok);
    if (!ok || !Report::acceptableLimit(o->limit))
        return QStringLiteral("--limit wants ohms above 0 and at most %1, not \"%2\"")
                .arg(Alarms::kResistanceLimitMax)
                .arg(parser.value(QStringLiteral("limit")));
    return {};
}

QString readArchive(const QCommandLineParser &parser, Options *o)
{
    o->archive = parser.value(QStringLiteral("archive"));
    if (parser.isSet(QStringLiteral("archive")) && o->archive.isEmpty())
        return QStringLiteral("--archive wants a file or a postgresql:// address");
    return {};
}

QString readEntryId(const QCommandLineParser &parser, Options *o)
{
    bool ok = false;
    o->entry = parser.positionalArguments().value(1).toLongLong(&ok);
    if (!ok || o->entry < 1)
        return QStringLiteral("%1 wants the ID of an entry (see history)")
                .arg(parser.positionalArguments().value(0));
    return {};
}

// The options of the link, in the order --help lists them.
std::vector<OptionRow> linkOptionRows()
{
    return {
            {0,
             false,
             {QStringLiteral("port"),
              QStringLiteral("Talk to the instrument on <device> only, without the search."),
              QStringLiteral("device")},
             readPort},
            {0,
             false,
             {QStringLiteral("ports"), PortList::help(), QStringLiteral("devices")},
             readPorts},
            {Count,
             false,
             {QStringLiteral("count"),
              QStringLiteral("Stop after <n> readings."),
              QStringLiteral("n")},
             readCount},
            {Csv,
             false,
             {QStringLiteral("csv"),
              QStringLiteral("Also write the readings as CSV to <file> (\"-\": standard output, "
                             "instead of the plain lines)."),
              QStringLiteral("file")},
             readCsv},
    };
}

// The options of the files written and of the archive, in the order --help lists them.
std::vector<OptionRow> fileOptionRows()
{
    return {
            {Out,
             false,
             {QStringLiteral("out"),
              QStringLiteral("Write to <file> (replaced only by a complete download) instead of "
                             "standard output."),
              QStringLiteral("file")},
             readOut},
            {OutFormat,
             false,
             {QStringLiteral("format"),
              QStringLiteral("listing (the window's data file: GBK, CR LF), csv or json."),
              QStringLiteral("format"),
              QStringLiteral("listing")},
             readFormat},
            {PdfOut,
             false,
             {QStringLiteral("out"),
              QStringLiteral("Write the PDF to <file> (\"-\": standard output)."),
              QStringLiteral("file")},
             readPdfOut},
            {Limit,
             false,
             {QStringLiteral("limit"),
              QStringLiteral("Judge resistances against <ohms> (default: the limit of the "
                             "window's last report)."),
              QStringLiteral("ohms")},
             readLimit},
            {ArchiveLocation,
             true,
             {QStringLiteral("archive"),
              QStringLiteral("The archive: a database file or postgresql://user@host:port/"
                             "database (the password from ~/.pgpass or PGPASSWORD)."),
              QStringLiteral("location")},
             readArchive},
            {EntryId, true, {QStringLiteral("ID"), QString()}, readEntryId},
    };
}

// Every option; a command takes those its row names. --out has two rows: report's is needed.
const std::vector<OptionRow> &optionTable()
{
    static const std::vector<OptionRow> table = [] {
        std::vector<OptionRow> rows = linkOptionRows();
        const std::vector<OptionRow> files = fileOptionRows();
        rows.insert(rows.end(), files.begin(), files.end());
        return rows;
    }();
    return table;
}

bool takes(const Command *command, const OptionRow &row)
{
    return row.flag == 0 || (command && (command->options & row.flag));
}

// "find, watch, download, history, export or report"
QString commandWords()
{
    QStringList words;
    for (const Command &c : commands())
        words.append(c.word);
    const QString last = words.takeLast();
    return words.isEmpty() ? last
                           : words.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

// "  find       search ...": the words in a column, a continued line under the first.
QString description()
{
    QString text = kAbout + QStringLiteral("\nCommands:\n");
    for (const Command &c : commands()) {
        QString word = c.word;
        if (c.options & EntryId)
            word += QStringLiteral(" ID");
        QString help = c.help;
        help.replace(QLatin1Char('\n'), QStringLiteral("\n             "));
        text += QStringLiteral("  %1 %2\n").arg(word, -10).arg(help);
    }
    return text + QLatin1Char('\n') + kEpilogue;
}

const Command *commandNamed(const QString &word)
{
    for (const Command &c : commands()) {
        if (c.word == word)
            return &c;
    }
    return nullptr;
}

// Declares the options and arguments of `command` (nullptr: not known yet, the command word
// alone) to the parser.
void declare(QCommandLineParser &parser, const Command *command)
{
    parser.setApplicationDescription(description());
    parser.addHelpOption();
    parser.addVersionOption();
    if (command)
        parser.addPositionalArgument(command->word, QString());
    else
        parser.addPositionalArgument(QStringLiteral("command"), commandWords() + QLatin1Char('.'));
    for (const OptionRow &row : optionTable()) {
        if (!takes(command, row))
            continue;
        if (row.flag == EntryId)
            parser.addPositionalArgument(row.option.names().constFirst(), QString());
        else
            parser.addOption(row.option);
    }
}

// Checks the arguments of a command the parser accepted; returns what is wrong, or nothing.
QString readOptions(const QCommandLineParser &parser, const Command *command, Options *o)
{
    const int words = command->options & EntryId ? 2 : 1; // the command, and the entry's ID
    if (parser.positionalArguments().size() > words)
        return QStringLiteral("unexpected argument \"%1\"")
                .arg(parser.positionalArguments().at(words));
    for (bool first : {true, false}) {
        for (const OptionRow &row : optionTable()) {
            if (row.checkedFirst != first || !takes(command, row))
                continue;
            if (const QString why = row.read(parser, o); !why.isEmpty())
                return why;
        }
    }
    return {};
}

Parsed outcome(Parsed::Outcome what, const QString &text)
{
    Parsed p;
    p.outcome = what;
    p.text = text;
    return p;
}

} // namespace

Parsed parseArguments(const QStringList &arguments)
{
    // First pass: only the command word. The command's own options are not known yet, so an
    // error here is not final.
    QCommandLineParser first;
    declare(first, nullptr);
    first.parse(arguments);
    const QStringList positional = first.positionalArguments();
    const Command *command = positional.isEmpty() ? nullptr : commandNamed(positional.first());

    QCommandLineParser parser;
    declare(parser, command);
    const bool parsed = parser.parse(arguments);
    if (parsed && parser.isSet(QStringLiteral("help")))
        return outcome(Parsed::Help, parser.helpText());
    if (parsed && parser.isSet(QStringLiteral("version")))
        return outcome(Parsed::Version,
                       QCoreApplication::applicationName() + QLatin1Char(' ')
                               + QCoreApplication::applicationVersion() + QLatin1Char('\n'));
    if (positional.isEmpty())
        return outcome(Parsed::Error, QStringLiteral("no command given: %1").arg(commandWords()));
    if (!command)
        return outcome(Parsed::Error,
                       QStringLiteral("unknown command \"%1\": %2")
                               .arg(positional.first(), commandWords()));
    if (!parsed)
        return outcome(Parsed::Error,
                       parser.errorText().replace(QLatin1Char('\n'), QLatin1Char(' ')));
    Parsed result;
    result.command = command;
    if (const QString why = readOptions(parser, command, &result.options); !why.isEmpty())
        return outcome(Parsed::Error, why);
    result.outcome = Parsed::Run;
    return result;
}

void printError(const QString &why)
{
    std::fprintf(stderr, "quillobarent-cli: %s\n", why.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace Cli
