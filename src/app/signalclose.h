#pragma once

#include <QObject>
#include <QPointer>

class TerminationSignals;
class QWidget;

// Closes a window when the process is asked to end (SIGINT from Ctrl+C in a terminal, SIGTERM,
// SIGHUP at a session logout), through the window's ordinary close path, so its close handler
// runs as for the close box: the instrument hears the end-of-link byte before the port goes.
//
// The signals arrive on the event loop through TerminationSignals (one instance at a time per
// process), which the command-line program uses too.
class SignalClose : public QObject
{
    Q_OBJECT

public:
    // quitAfterClose: also leave the event loop once the window has closed (a window that was
    // never shown would otherwise leave the program running).
    explicit SignalClose(QWidget *window, bool quitAfterClose = true, QObject *parent = nullptr);
    ~SignalClose() override;

    bool isInstalled() const;

signals:
    // The signal number that led to the close request.
    void closeRequested(int signalNumber);

private:
    void onSignal(int signalNumber);

    QPointer<QWidget> m_window;
    bool m_quitAfterClose = true;
    TerminationSignals *m_signals = nullptr;
};
