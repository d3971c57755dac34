#include "platform/terminationsignals.h"

#include <QMetaObject>

#include <csignal>
#include <mutex>

#include <windows.h>

// Windows has no termination signals; a console program hears Ctrl+C, Ctrl+Break and the
// console window's close as console control events instead. Each is told as the signal a Unix
// terminal would send for it, so the programs above treat them alike.
namespace {

std::mutex g_lock; // the handler runs on a thread the system starts for it
TerminationSignals *g_instance = nullptr;
bool g_told = false;

BOOL WINAPI onConsoleEvent(DWORD event)
{
    const int signalNumber = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM;
    {
        const std::lock_guard<std::mutex> locked(g_lock);
        // A second event while the first is still being handled ends the program the default
        // way, as a second Ctrl+C does on Linux.
        if (!g_instance || g_told)
            return FALSE;
        g_told = true;
        TerminationSignals *target = g_instance;
        QMetaObject::invokeMethod(
                target, [target, signalNumber] { emit target->received(signalNumber); },
                Qt::QueuedConnection);
    }
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
        return TRUE;
    // Closing the console (or logging off) ends the process once this returns: give the event
    // loop the moment it needs to send the end-of-link byte and release the port.
    Sleep(500);
    return TRUE;
}

} // namespace

TerminationSignals::TerminationSignals(QList<int> signalNumbers, QObject *parent)
    : QObject(parent)
{
    Q_UNUSED(signalNumbers); // the console's events are the only ones there are
    const std::lock_guard<std::mutex> locked(g_lock);
    if (g_instance)
        return; // another instance has the events
    if (!SetConsoleCtrlHandler(onConsoleEvent, TRUE))
        return;
    g_instance = this;
    g_told = false;
    m_installed = true;
}

TerminationSignals::~TerminationSignals()
{
    if (!m_installed)
        return;
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    const std::lock_guard<std::mutex> locked(g_lock);
    g_instance = nullptr;
}
