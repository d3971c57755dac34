#include "cli/linkcommand.h"

#include "core/linkprofile.h"
#include "core/protocol.h"
#include "link/linksession.h"
#include "platform/portmap.h"
#include "platform/systemserialport.h"
#include "platform/terminationsignals.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

namespace {

PortMap portMapFor(const Cli::Options &o)
{
    if (!o.port.isEmpty())
        return PortMap(QStringList{o.port});
    if (!o.ports.isEmpty())
        return PortMap(o.ports);
    return PortMap();
}

} // namespace

LinkCommand::LinkCommand(const Cli::Options &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
{
    std::unique_ptr<SerialPort> serial = makeSystemSerialPort(portMapFor(options));
    m_serial = serial.get();
    m_link = new LinkSession(std::move(serial), this);
    m_cycle = options.port.isEmpty() ? LinkProfile::kPortCount : 1;

    connect(m_link,
            &LinkSession::portTried,
            this,
            [this](qint16, SerialPort::OpenResult outcome, const QString &) {
                onPortTried(int(outcome));
            });
    connect(m_link, &LinkSession::linkUp, this, &LinkCommand::onLinkUp);
    connect(m_link, &LinkSession::searchEnded, this, [this] {
        if (!m_finishing)
            searchEnded();
    });
    connect(m_link, &LinkSession::linkLost, this, &LinkCommand::onLinkLost);

    m_signals = new TerminationSignals({}, this);
    connect(m_signals, &TerminationSignals::received, this, [this] {
        if (!m_finishing)
            interrupted();
    });
}

LinkCommand::~LinkCommand() = default;

void LinkCommand::start()
{
    if (!prepare())
        return;
    // The search's first port now rather than at its first tick, and (in onLinkUp) its end as
    // soon as the answer is in rather than at the next tick: a script should not wait a second
    // for nothing, and a full download would otherwise take 3 % longer than its bytes on the
    // wire. The ports in between keep the search's rhythm.
    m_link->beginSearchNow();
}

void LinkCommand::onPortTried(int outcome)
{
    ++m_tries;
    if (m_tries <= m_cycle) {
        if (outcome == SerialPort::Opened)
            ++m_opened;
        if (m_tries == 1)
            m_firstOutcome = outcome;
        return;
    }
    // A try beyond the round: no port answered in time.
    if (!m_up && !m_finishing)
        giveUpSearch();
}

void LinkCommand::giveUpSearch()
{
    QString why;
    if (!m_options.port.isEmpty()) {
        switch (m_firstOutcome) {
        case SerialPort::Opened:
            why = QStringLiteral("no instrument answered on %1");
            break;
        case SerialPort::NoSuchPort:
            why = QStringLiteral("cannot open %1: no such device");
            break;
        case SerialPort::InUse:
            why = QStringLiteral("cannot open %1: in use by another program");
            break;
        default:
            why = QStringLiteral("cannot open %1");
            break;
        }
        why = why.arg(m_options.port);
    } else if (m_opened == 0) {
        why = QStringLiteral("no instrument answered: no serial port could be opened");
    } else {
        why = QStringLiteral("no instrument answered on COM1 to COM%1 (%2 of them could be opened)")
                      .arg(LinkProfile::kPortCount)
                      .arg(m_opened);
    }
    finish(Cli::NoInstrument, why);
    // The try that ended the round has opened a port again: release it before the search sends
    // its handshake byte there.
    m_link->release();
}

void LinkCommand::onLinkUp()
{
    if (m_finishing)
        return;
    m_up = true;
    m_answeredPort = qint16(m_link->port().commPort());
    m_answeredDevice = m_serial->devicePath();
    linkUp();
    // End the search at once rather than at its next tick, from the event loop: this runs
    // inside the reply handler.
    QTimer::singleShot(0, this, &LinkCommand::endSearchNow);
}

void LinkCommand::endSearchNow()
{
    if (!m_finishing)
        m_link->endSearchNow();
}

void LinkCommand::onLinkLost()
{
    // The supervision also counts silence while the search runs; only a link that was up can
    // be lost.
    if (m_up && !m_finishing)
        linkLost();
}

QString LinkCommand::answeredPort() const
{
    return QStringLiteral("COM%1 %2").arg(m_answeredPort).arg(m_answeredDevice);
}

void LinkCommand::finish(int code, const QString &why)
{
    if (m_finishing)
        return;
    m_finishing = true;
    m_exitCode = code;
    if (!why.isEmpty()) {
        endStatusLine();
        Cli::printError(why);
    }
    // From the event loop: this may run inside a handler of the session.
    QTimer::singleShot(0, this, &LinkCommand::tearDown);
}

void LinkCommand::tearDown()
{
    // As the window does when it closes: the instrument ends its session on this byte.
    // SendCommand hands it to the driver without waiting; closing the port gives it the moment
    // it needs on the line. Only where it answered: a port the search merely tried may belong
    // to another device.
    if (m_up)
        m_link->send(Protocol::EndOfLink);
    m_link->release();
    QCoreApplication::exit(m_exitCode);
}

void FindCommand::linkUp()
{
    std::printf("%s\n", answeredPort().toLocal8Bit().constData());
    std::fflush(stdout);
    finish(Cli::Done);
}

void FindCommand::interrupted()
{
    finish(Cli::NoInstrument, QStringLiteral("interrupted before an instrument answered"));
}
