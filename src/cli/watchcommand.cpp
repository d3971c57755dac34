#include "cli/watchcommand.h"

#include "core/export.h"
#include "core/readout.h"
#include "core/record.h"
#include "link/linksession.h"

#include <QDateTime>

#include <cstdio>

bool WatchCommand::prepare()
{
    m_csvWanted = !options().csv.isEmpty();
    m_linesWanted = options().csv != QLatin1StringView("-");
    QString why;
    if ((m_linesWanted && !m_lines.open(QStringLiteral("-"), &why))
        || (m_csvWanted
            && (!m_csv.open(options().csv, &why)
                || !m_csv.write(Export::readingsCsvHeader(), &why)))) {
        finish(Cli::CannotWrite, why);
        return false;
    }
    connect(&link(), &LinkSession::readingReceived, this, &WatchCommand::onReading);
    // As the window starts: realtime mode and "→" pressed (nothing is sent before a port opens).
    link().setOperatingMode(Protocol::RealtimeSampling);
    link().startSampling();
    return true;
}

void WatchCommand::searchEnded()
{
    // "→" once more now that the instrument is there: the first reading is asked for at once.
    link().startSampling();
}

void WatchCommand::onReading(const QByteArray &reply)
{
    if (finishing())
        return;
    if (reply.size() < Record::kBytes)
        return; // not a reading: the readouts keep what they show
    const int kind = quint8(reply.at(0));
    if (kind < Record::ResistanceAndCurrent || kind > Record::Voltage) {
        // No measurement kind: line noise, or a reply cut short and joined to the next one. A
        // blank line would pass for a reading in a log; said on stderr instead, and not counted,
        // nor carried over to the next reading.
        std::fprintf(stderr,
                     "quillobarent-cli: not a reading, ignored: %s\n",
                     reply.toHex(' ').constData());
        std::fflush(stderr);
        return;
    }
    const Realtime::Readout r = m_decoder.decode(reply);

    QString why;
    if (m_linesWanted) {
        QString line = r.mainText.trimmed();
        const QString second = r.secondText.trimmed();
        if (!second.isEmpty())
            line += QStringLiteral("  ") + second;
        if (!m_lines.write((line + QLatin1Char('\n')).toUtf8(), &why)) {
            finish(Cli::CannotWrite, why);
            return;
        }
    }
    if (m_csvWanted) {
        Export::Reading row;
        row.time = QDateTime::currentDateTime();
        row.kind = r.measureKind;
        row.mainText = r.mainText;
        row.secondText = r.secondText;
        row.values = {r.mainNumber, r.secondNumber};
        if (!m_csv.write(Export::readingCsvRow(row), &why)) {
            finish(Cli::CannotWrite, why);
            return;
        }
    }
    if (options().count > 0 && ++m_readings >= options().count)
        finish(Cli::Done);
}

void WatchCommand::linkLost()
{
    finish(Cli::LinkLost, QStringLiteral("link lost: the instrument stopped answering"));
}

void WatchCommand::interrupted()
{
    finish(Cli::Done);
}
