#include "cli/archivecommands.h"

#include "archive/archivestore.h"
#include "cli/outputchannel.h"

#include <memory>

namespace ArchiveCommands {

namespace {

// history streams its lines in blocks of about this size, so neither the program nor a reader
// at the other end of a pipe waits for the whole archive.
constexpr qsizetype kBlockBytes = 64 * 1024;

// The archive the options name, open; empty and *why (and *code) when it cannot be used. To
// read, nothing is created: an archive no download made yet is ArchiveMissing.
std::unique_ptr<ArchiveStore> openArchive(const Cli::Options &options,
                                          ArchiveStore::Mode mode,
                                          QString *why,
                                          int *code)
{
    const std::optional<ArchiveLocation> location
            = ArchiveLocation::forCommandLine(options.archive, why);
    if (!location) {
        *code = Cli::Usage;
        return nullptr;
    }
    auto store = std::make_unique<ArchiveStore>(*location, QStringLiteral("archive-cli"));
    const ArchiveStore::Status status = store->open(mode, why);
    if (status == ArchiveStore::Status::Open)
        return store;
    *code = status == ArchiveStore::Status::Missing ? Cli::ArchiveMissing : Cli::ArchiveFailed;
    return nullptr;
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
    const std::unique_ptr<ArchiveStore> store
            = openArchive(options, ArchiveStore::Mode::Read, &why, &code);
    if (!store)
        return failed(code, why);
    OutputChannel out;
    if (!out.open(QStringLiteral("-"), &why))
        return failed(Cli::CannotWrite, why);
    QByteArray block;
    QString writeWhy;
    bool written = true;
    const bool read = store->forEach(
            Archive::Span{},
            [&](const Archive::Entry &entry) {
                block += Archive::historyLine(entry).toLocal8Bit() + '\n';
                if (block.size() >= kBlockBytes) {
                    written = out.write(block, &writeWhy);
                    block.clear();
                }
                return written;
            },
            &why);
    if (written && !block.isEmpty())
        written = out.write(block, &writeWhy);
    if (!written)
        return failed(Cli::CannotWrite, writeWhy);
    return read ? Cli::Done : failed(Cli::ArchiveFailed, why);
}

int exportEntry(const Cli::Options &options)
{
    QString why;
    int code = Cli::Done;
    const std::optional<Archive::Entry> found = entry(options, &why, &code);
    if (!found)
        return failed(code, why);
    const std::optional<QByteArray> bytes = Archive::render(*found, options.format, &why);
    if (!bytes || !OutputChannel::deliver(options.out, *bytes, &why))
        return failed(Cli::CannotWrite, why);
    return Cli::Done;
}

std::optional<qint64> keep(const Cli::Options &options, const Archive::Entry &entry, QString *why)
{
    int code = Cli::Done;
    const std::unique_ptr<ArchiveStore> store
            = openArchive(options, ArchiveStore::Mode::Write, why, &code);
    return store ? store->add(entry, why) : std::nullopt;
}

std::optional<Archive::Entry> entry(const Cli::Options &options, QString *why, int *code)
{
    const std::unique_ptr<ArchiveStore> store
            = openArchive(options, ArchiveStore::Mode::Read, why, code);
    if (!store)
        return std::nullopt;
    std::optional<Archive::Entry> found = store->entry(options.entry, why);
    if (!found)
        *code = Cli::ArchiveFailed;
    return found;
}

} // namespace ArchiveCommands
