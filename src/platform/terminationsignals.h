#pragma once

#include <QList>
#include <QObject>

class QSocketNotifier;

// The process's termination signals (SIGINT from Ctrl+C, SIGTERM, SIGHUP) as a Qt signal on the
// event loop, so a program ends through its ordinary path and the instrument hears the
// end-of-link byte. Qt Core only: a window or a command-line program decides what "end" means.
//
// The handler only writes one byte into a socket pair; received() is emitted from the event loop
// when that byte is read. After the first signal the default action is back in place, so a
// second Ctrl+C still ends a program whose event loop no longer runs. A signal the process
// inherited as ignored (nohup's SIGHUP, SIGINT of a background job) stays ignored.
//
// On Windows the console's Ctrl+C, Ctrl+Break and close events stand in for the signals (as
// SIGINT and SIGTERM); a program without a console hears none.
//
// One instance at a time per process.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    // signalNumbers empty: SIGINT, SIGTERM and SIGHUP.
    explicit TerminationSignals(QList<int> signalNumbers = {}, QObject *parent = nullptr);
    ~TerminationSignals() override;

    bool isInstalled() const { return m_installed; }

signals:
    void received(int signalNumber);

private:
    void onSignalByte();

    bool m_installed = false;
    QSocketNotifier *m_notifier = nullptr;
};
