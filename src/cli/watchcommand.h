#pragma once

#include "cli/linkcommand.h"
#include "cli/outputchannel.h"

#include <QByteArray>
#include <QString>

// watch: the realtime readings as "→" asks for them, one line each with the texts of the two
// readouts, and optionally as CSV rows.
class WatchCommand final : public LinkCommand
{
    Q_OBJECT

public:
    using LinkCommand::LinkCommand;

protected:
    bool prepare() override;
    void searchEnded() override;
    void linkLost() override;
    void interrupted() override;

private:
    void onReading(const QByteArray &reply);

    OutputChannel m_lines; // plain lines; not used when the CSV goes to standard output
    OutputChannel m_csv;
    bool m_linesWanted = true;
    bool m_csvWanted = false;
    // What the readouts carry from one reading to the next, as in the window.
    quint8 m_singleValue = 0;
    QString m_secondText;
    int m_readings = 0;
};
