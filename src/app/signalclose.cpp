#include "app/signalclose.h"

#include "platform/terminationsignals.h"

#include <QCoreApplication>
#include <QWidget>

SignalClose::SignalClose(QWidget *window, bool quitAfterClose, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_quitAfterClose(quitAfterClose)
    , m_signals(new TerminationSignals({}, this))
{
    connect(m_signals, &TerminationSignals::received, this, &SignalClose::onSignal);
}

SignalClose::~SignalClose() = default;

bool SignalClose::isInstalled() const
{
    return m_signals->isInstalled();
}

void SignalClose::onSignal(int signalNumber)
{
    emit closeRequested(signalNumber);
    if (m_window && m_window->close() && m_quitAfterClose)
        QCoreApplication::quit();
}
