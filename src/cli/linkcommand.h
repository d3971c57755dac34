#pragma once

#include "cli/clioptions.h"

#include <QObject>
#include <QString>

class LinkSession;
class SerialPort;
class TerminationSignals;

// One run of the command-line program on the link: finds the instrument as the window does (the
// same LinkSession, its search round COM1..COM16 and its handshake), lets the command do its
// part, and ends the link as the window does when it closes (the end-of-link byte, then the port
// released), whatever ends the run: the work done, a failure, Ctrl+C or SIGTERM.
//
// The search gives up after one round of the ports (LinkProfile::kSearchRoundMs: every port's
// tick, and the tick that would see a late answer); with --port, after that one device had its
// turn.
class LinkCommand : public QObject
{
    Q_OBJECT

public:
    explicit LinkCommand(const Cli::Options &options, QObject *parent = nullptr);
    ~LinkCommand() override;

    // Starts the run; the event loop then runs until the command is over and leaves with the
    // exit code.
    void start();

protected:
    LinkSession &link() { return *m_link; }
    const Cli::Options &options() const { return m_options; }

    // Before the search: open what the run writes to (false: finish() was called), set the mode.
    virtual bool prepare() = 0;
    // The instrument answered the handshake.
    virtual void linkUp() {}
    // The search is over, the link polls: the command's exchange may begin.
    virtual void searchEnded() {}
    // The link went silent after it had been up.
    virtual void linkLost() = 0;
    // Ctrl+C, SIGTERM or SIGHUP.
    virtual void interrupted() = 0;
    // Something printed on stderr must start on a fresh line (a progress line is showing).
    virtual void endStatusLine() {}

    // Ends the run: `why` (one line, when given) goes to stderr, then the end-of-link byte if
    // the instrument is on the line, the port is released and the event loop left with `code`.
    // Later calls are ignored.
    void finish(int code, const QString &why = QString());
    bool finishing() const { return m_finishing; }
    // "COM3 /dev/ttyUSB2": the port the instrument answered on.
    QString answeredPort() const;

private:
    void onPortTried(int outcome);
    void onLinkUp();
    void onLinkLost();
    void endSearchNow();
    void giveUpSearch();
    void tearDown();

    Cli::Options m_options;
    SerialPort *m_serial = nullptr; // owned by the session
    LinkSession *m_link = nullptr;
    TerminationSignals *m_signals = nullptr;
    int m_cycle = 0; // port tries that make one round
    int m_tries = 0;
    int m_opened = 0;       // tries of the round whose port opened
    int m_firstOutcome = 0; // SerialPort::OpenResult of the round's first try
    bool m_up = false;
    qint16 m_answeredPort = 0;
    QString m_answeredDevice;
    bool m_finishing = false;
    int m_exitCode = 0;
};

// find: prints "COMn device" of the port that answered.
class FindCommand final : public LinkCommand
{
    Q_OBJECT

public:
    using LinkCommand::LinkCommand;

protected:
    bool prepare() override { return true; }
    void linkUp() override;
    void linkLost() override {}
    void interrupted() override;
};
