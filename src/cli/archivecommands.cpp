#include "cli/archivecommands.h"

#include "archive/archivestore.h"
#include "cli/outputchannel.h"

#include <memory>

namespace ArchiveCommands {

namespace {

// The archive the options name, open; empty and *why (and *code) when it cannot be used.
std::unique_ptr<ArchiveStore> openArchive(const Cli::Options &options, QString *why, int *code)
{
    const std::optional<ArchiveLocation> location
            = ArchiveLocation::forCommandLine(options.archive, why);
    if (!location) {
        *code = Cli::Usage;
        return nullptr;
    }
    auto store = std::make_unique<ArchiveStore>(*location, QStringLiteral("archive-cli"));
    if (!store->open(why)) {
        *code = Cli::ArchiveFailed;
        return nullptr;
    }
    return store;
}

int failed(int code, const QString &why)
{
    Cli::printError(why);
    return code;
}

} // namespace

int history(const Cli::Options &options)
{
    QString why;
    int code = Cli::Done;
    const std::unique_ptr<ArchiveStore> store = openArchive(options, &why, &code);
    if (!store)
        return failed(code, why);
    const std::optional<QList<Archive::Entry>> entries = store->list(QDate(), QDate(), &why);
    if (!entries)
        return failed(Cli::ArchiveFailed, why);
    QByteArray lines;
    for (const Archive::Entry &entry : *entries)
        lines += Archive::historyLine(entry).toLocal8Bit() + '\n';
    if (!lines.isEmpty() && !OutputChannel::deliver(QString(), lines, &why))
        return failed(Cli::CannotWrite, why);
    return Cli::Done;
}

int exportEntry(const Cli::Options &options)
{
    QString why;
    int code = Cli::Done;
    const std::unique_ptr<ArchiveStore> store = openArchive(options, &why, &code);
    if (!store)
        return failed(code, why);
    const std::optional<Archive::Entry> entry = store->entry(options.entry, &why);
    if (!entry)
        return failed(Cli::ArchiveFailed, why);
    const std::optional<QByteArray> bytes = Archive::render(*entry, options.format, &why);
    if (!bytes || !OutputChannel::deliver(options.out, *bytes, &why))
        return failed(Cli::CannotWrite, why);
    return Cli::Done;
}

std::optional<qint64> keep(const Cli::Options &options, const Archive::Entry &entry, QString *why)
{
    int code = Cli::Done;
    const std::unique_ptr<ArchiveStore> store = openArchive(options, why, &code);
    return store ? store->add(entry, why) : std::nullopt;
}

} // namespace ArchiveCommands
