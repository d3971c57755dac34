#pragma once

#include "cli/linkcommand.h"
#include "cli/outputchannel.h"
#include "core/readout.h"

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
    Realtime::Decoder m_decoder; // what the readouts carry from one reading to the next
    int m_readings = 0;
};
