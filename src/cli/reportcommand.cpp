#include "cli/reportcommand.h"

#include "cli/archivecommands.h"
#include "cli/outputchannel.h"
#include "core/report.h"
#include "draw/reportpdf.h"
#include "platform/reportlimit.h"

#include <QGuiApplication>

namespace ReportCommand {

std::unique_ptr<QCoreApplication> application(int &argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

int run(const Cli::Options &options)
{
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
