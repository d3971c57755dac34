#include "cli/downloadcommand.h"

#include "archive/downloadednow.h"
#include "cli/archivecommands.h"
#include "cli/outputchannel.h"
#include "core/record.h"
#include "link/linksession.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace {

// A byte on a 9600-baud line with 8N1 framing: ten bits.
constexpr double kBytesPerSecond = 960.0;
// The progress line is rewritten at most this often.
constexpr int kProgressIntervalMs = 200;

} // namespace

bool DownloadCommand::prepare()
{
    // A folder that is not there will not appear during the transfer: say so before it.
    if (!options().out.isEmpty()) {
        const QFileInfo target(options().out);
        if (!target.absoluteDir().exists()) {
            finish(Cli::CannotWrite,
                   QStringLiteral("cannot write %1: the folder %2 does not exist")
                           .arg(options().out, QDir::toNativeSeparators(target.absolutePath())));
            return false;
        }
    }
    m_progressToTerminal = ::isatty(STDERR_FILENO) == 1;

    LinkSession &session = link();
    connect(&session, &LinkSession::countRejected, this, &DownloadCommand::onCountRejected);
    connect(&session, &LinkSession::countReceived, this, [this](qint16 count) { m_count = count; });
    connect(&session, &LinkSession::transferStarted, this, [this](qint32 totalBytes) {
        m_totalBytes = totalBytes;
        showProgress(0, true);
    });
    connect(&session, &LinkSession::transferProgress, this, [this](qint64 bytes) {
        showProgress(bytes, false);
    });
    connect(&session, &LinkSession::blockReceived, this, &DownloadCommand::onBlock);
    // As the window's "   Read      Old Data " mode.
    session.setOperatingMode(Protocol::StoredData);
    return true;
}

void DownloadCommand::searchEnded()
{
    // "Read": the search has ended, so no answer of its own is still on the line.
    if (m_requested)
        return;
    m_requested = true;
    link().startStoredRead();
}

void DownloadCommand::onCountRejected()
{
    if (finishing())
        return;
    finish(Cli::LinkLost,
           QStringLiteral("transfer incomplete: the instrument's answer to the count request "
                          "was not understood"));
}

QString DownloadCommand::received() const
{
    if (m_count < 0)
        return QStringLiteral("before the record count came");
    return QStringLiteral("after %1 of %2 records")
            .arg(qMin<qint64>(m_bytesReceived / Record::kBytes, m_count))
            .arg(m_count);
}

void DownloadCommand::onBlock(const QByteArray &block, qint16 count)
{
    if (finishing())
        return;
    m_bytesReceived = block.size();
    showProgress(block.size(), true);
    // A freshly started window has seen no record without a second value: the flag is 0.
    const std::optional<Archive::Entry> entry
            = Archive::downloadedNow(block, count, 0, link().port().commPort(),
                                     link().port().devicePath(),
                                     QStringLiteral("quillobarent-cli"));
    if (!entry) {
        finish(Cli::LinkLost,
               QStringLiteral("transfer incomplete: %1 of %2 records received")
                       .arg(block.size() / Record::kBytes)
                       .arg(count));
        return;
    }
    // Into the archive first: if the output cannot be written, the download is still kept.
    QString archiveWhy;
    const std::optional<qint64> id = ArchiveCommands::keep(options(), *entry, &archiveWhy);
    QString why;
    const std::optional<QByteArray> bytes = Archive::render(*entry, options().format, &why);
    if (!bytes || !OutputChannel::deliver(options().out, *bytes, &why)) {
        finish(Cli::CannotWrite,
               id ? QStringLiteral("%1 (the download is archived as entry %2)").arg(why).arg(*id)
                  : QStringLiteral("%1; nor was it archived: %2").arg(why, archiveWhy));
        return;
    }
    if (!id) {
        finish(Cli::ArchiveFailed,
               QStringLiteral("the download was written but not archived: %1").arg(archiveWhy));
        return;
    }
    endStatusLine();
    finish(Cli::Done);
}

void DownloadCommand::showProgress(qint64 bytesReceived, bool force)
{
    m_bytesReceived = bytesReceived;
    if (!m_progressToTerminal || m_totalBytes <= 0)
        return;
    if (!force && m_sinceProgress.isValid() && m_sinceProgress.elapsed() < kProgressIntervalMs)
        return;
    const qint64 bytes = qMin<qint64>(bytesReceived, m_totalBytes);
    const int secondsLeft = int((m_totalBytes - bytes) / kBytesPerSecond + 0.999);
    const QString text = QStringLiteral("%1 of %2 records, %3 s left")
                                 .arg(bytes / Record::kBytes)
                                 .arg(m_totalBytes / Record::kBytes)
                                 .arg(secondsLeft);
    if (text == m_lastProgress)
        return;
    m_lastProgress = text;
    m_sinceProgress.start();
    // Rewritten in place; the spaces wipe a longer line written before.
    std::fprintf(stderr, "\r%s   ", text.toLocal8Bit().constData());
    std::fflush(stderr);
    m_progressShown = true;
}

void DownloadCommand::endStatusLine()
{
    if (!m_progressShown)
        return;
    m_progressShown = false;
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void DownloadCommand::linkLost()
{
    finish(Cli::LinkLost,
           QStringLiteral("link lost %1: the instrument stopped answering").arg(received()));
}

void DownloadCommand::interrupted()
{
    finish(Cli::LinkLost, QStringLiteral("interrupted %1: nothing written").arg(received()));
}
