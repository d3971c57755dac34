#pragma once

#include <QObject>
#include <QPointer>

class QSocketNotifier;
class QWidget;

// Closes a window when the process is asked to end (SIGINT from Ctrl+C in a terminal, SIGTERM,
// SIGHUP at a session logout), through the window's ordinary close path, so its close handler
// runs as for the close box: the instrument hears the end-of-link byte before the port goes.
//
// The signal handler only writes one byte into a socket pair; the window is closed from the event
// loop when that byte is read. After the first signal the default action is back in place, so a
// second Ctrl+C still ends a program whose event loop no longer runs.
//
// One instance at a time per process.
class SignalClose : public QObject
{
    Q_OBJECT

public:
    // quitAfterClose: also leave the event loop once the window has closed (a window that was
    // never shown would otherwise leave the program running).
    explicit SignalClose(QWidget *window, bool quitAfterClose = true, QObject *parent = nullptr);
    ~SignalClose() override;

    bool isInstalled() const { return m_installed; }

signals:
    // The signal number that led to the close request.
    void closeRequested(int signalNumber);

private:
    void onSignalByte();

    QPointer<QWidget> m_window;
    bool m_quitAfterClose = true;
    bool m_installed = false;
    QSocketNotifier *m_notifier = nullptr;
};
