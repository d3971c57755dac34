#include "platform/terminationsignals.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

#ifdef Q_OS_UNIX
namespace {

constexpr int kMaxSignals = 8;

// Written by the signal handler, read on the event loop.
int g_pipe[2] = {-1, -1};
int g_signals[kMaxSignals];
struct sigaction g_previous[kMaxSignals];
int g_signalCount = 0;

// Internal linkage: the window links a handler of its own.
void handleTerminationSignal(int signalNumber)
{
    const int savedErrno = errno;
    // Back to the default: should the event loop be stuck, the next signal ends the program.
    struct sigaction dfl
    {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(signalNumber, &dfl, nullptr);
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace
#endif

TerminationSignals::TerminationSignals(QList<int> signalNumbers, QObject *parent)
    : QObject(parent)
{
#ifdef Q_OS_UNIX
    if (g_pipe[0] >= 0)
        return; // another instance has the signals
    if (signalNumbers.isEmpty())
        signalNumbers = {SIGINT, SIGTERM, SIGHUP};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::onSignalByte);

    struct sigaction action
    {};
    action.sa_handler = handleTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    g_signalCount = 0;
    for (int number : std::as_const(signalNumbers)) {
        if (g_signalCount == kMaxSignals)
            break;
        struct sigaction previous
        {};
        if (::sigaction(number, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN)
            continue;
        ::sigaction(number, &action, &g_previous[g_signalCount]);
        g_signals[g_signalCount++] = number;
    }
    m_installed = true;
#else
    Q_UNUSED(signalNumbers);
#endif
}

TerminationSignals::~TerminationSignals()
{
#ifdef Q_OS_UNIX
    if (!m_installed)
        return;
    for (int i = 0; i < g_signalCount; ++i)
        ::sigaction(g_signals[i], &g_previous[i], nullptr);
    g_signalCount = 0;
    delete m_notifier;
    m_notifier = nullptr;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
#endif
}

void TerminationSignals::onSignalByte()
{
#ifdef Q_OS_UNIX
    unsigned char byte = 0;
    int last = 0;
    while (::read(g_pipe[0], &byte, 1) == 1)
        last = byte;
    if (last != 0)
        emit received(last);
#endif
}
