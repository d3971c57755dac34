#pragma once

#include "cli/linkcommand.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

// download: the stored records as "Read" asks for them, written as the window's data file, as
// CSV or as JSON, through the same atomic save: a download that fails replaces nothing. A
// complete one is kept in the archive too.
class DownloadCommand final : public LinkCommand
{
    Q_OBJECT

public:
    using LinkCommand::LinkCommand;

protected:
    bool prepare() override;
    void searchEnded() override;
    void linkLost() override;
    void interrupted() override;
    void endStatusLine() override;

private:
    void onCountRejected();
    void onBlock(const QByteArray &block, qint16 count);
    void showProgress(qint64 bytesReceived, bool force);
    QString received() const;

    bool m_requested = false;
    qint16 m_count = -1; // from the count reply; -1 before it came
    qint32 m_totalBytes = 0;
    qint64 m_bytesReceived = 0;
    bool m_progressShown = false;
    bool m_progressToTerminal = false;
    QString m_lastProgress;
    QElapsedTimer m_sinceProgress;
};
