#include "cli/reportcommand.h"

#include "cli/archivecommands.h"
#include "cli/outputchannel.h"
#include "core/alarms.h"
#include "core/report.h"
#include "draw/reportpdf.h"
#include "platform/reportlimit.h"

#include <QGuiApplication>

namespace ReportCommand {

namespace {

const QString kLimit = QStringLiteral("limit");
const QString kOut = QStringLiteral("out");

} // namespace

QList<QCommandLineOption> options()
{
    return {QCommandLineOption(kLimit,
                               QStringLiteral("Judge resistances against <ohms> (default: the "
                                              "limit of the window's last report)."),
                               QStringLiteral("ohms")),
            QCommandLineOption(kOut,
                               QStringLiteral("Write the PDF to <file> (\"-\": standard output)."),
                               QStringLiteral("file"))};
}

QString readOptions(const QCommandLineParser &parser, Cli::Options *o)
{
    o->out = parser.value(kOut);
    if (o->out.isEmpty())
        return QStringLiteral("report wants --out FILE.pdf, or --out - for standard output");
    if (parser.isSet(kLimit)) {
        bool ok = false;
        o->limit = parser.value(kLimit).toDouble(&ok);
        if (!ok || !Report::acceptableLimit(o->limit))
            return QStringLiteral("--limit wants ohms above 0 and at most %1, not \"%2\"")
                    .arg(Alarms::kResistanceLimitMax)
                    .arg(parser.value(kLimit));
    }
    return {};
}

int run(int &argc, char **argv, const Cli::Options &options)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QString why;
    const std::optional<double> limit = options.limit > 0 ? options.limit : ReportLimit::saved();
    if (!limit) {
        Cli::printError(QStringLiteral("no limit: give --limit OHMS (no report from the window "
                                       "has kept one)"));
        return Cli::Usage;
    }
    int code = Cli::Done;
    const std::optional<Archive::Entry> entry = ArchiveCommands::entry(options, &why, &code);
    if (!entry) {
        Cli::printError(why);
        return code;
    }
    const QByteArray pdf
            = ReportPdf::render(Report::build(*entry, *limit), ReportPdf::pageSizeFor(QLocale()));
    const QString out = options.out == QLatin1String("-") ? QString() : options.out;
    if (pdf.isEmpty())
        why = QStringLiteral("the report could not be drawn");
    if (pdf.isEmpty() || !OutputChannel::deliver(out, pdf, &why)) {
        Cli::printError(why);
        return Cli::CannotWrite;
    }
    return Cli::Done;
}

} // namespace ReportCommand
