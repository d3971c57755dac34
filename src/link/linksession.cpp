#include "link/linksession.h"

#include "core/linkprofile.h"
#include "core/protocol.h"
#include "link/switchon.h"

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

namespace {
qint64 steadyMs()
{
    static const QElapsedTimer started = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return started.elapsed();
}
} // namespace

LinkSession::LinkSession(std::unique_ptr<SerialPort> port, QObject *parent)
    : QObject(parent)
    , m_port(std::move(port))
    , m_clock(steadyMs)
{
    setObjectName(QStringLiteral("linkSession"));
    m_searchTimer = makeTimer("findcom", LinkProfile::kSearchTickMs, false);
    m_supervisionTimer = makeTimer("COMtimout", LinkProfile::kSupervisionTickMs, true);
    m_pollTimer = makeTimer("comunication", LinkProfile::kPollTickMs, true);
    m_blockRequestTimer = makeTimer("Timer3", LinkProfile::kBlockRequestDelayMs, false);
    m_readingTimer = makeTimer("Timer4", LinkProfile::kReadingTickMs, true);
    m_answerWatchTimer = makeTimer("answerWatch", 0, false);
    m_answerWatchTimer->setSingleShot(true);
    m_answerWatchTimer->setTimerType(Qt::PreciseTimer);

    connect(m_searchTimer, &QTimer::timeout, this, &LinkSession::searchTick);
    connect(m_supervisionTimer, &QTimer::timeout, this, &LinkSession::supervisionTick);
    connect(m_pollTimer, &QTimer::timeout, this, &LinkSession::pollTick);
    connect(m_blockRequestTimer, &QTimer::timeout, this, &LinkSession::blockRequestTick);
    connect(m_readingTimer, &QTimer::timeout, this, &LinkSession::readingTick);
    connect(m_answerWatchTimer, &QTimer::timeout, this, &LinkSession::answerWatchTick);
    connect(m_port.get(), &SerialPort::OnComm, this, &LinkSession::takeReply);
    connect(m_port.get(), &SerialPort::bytesArrived, this, &LinkSession::noteArrival);
}

LinkSession::~LinkSession() = default;

QTimer *LinkSession::makeTimer(const char *name, int interval, bool running)
{
    auto *timer = new QTimer(this);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(interval);
    if (running)
        timer->start();
    return timer;
}

void LinkSession::beginSearch()
{
    m_exchange.restartSearch();
    m_scanPort = 1;
    m_searchTimer->start();
}

void LinkSession::beginSearchNow()
{
    beginSearch();
    searchTick();
}

void LinkSession::endSearchNow()
{
    if (connected() && m_searchTimer->isActive())
        searchTick();
}

void LinkSession::setOperatingMode(Protocol::OperatingMode mode)
{
    m_operatingMode = mode;
    if (mode == Protocol::StoredData)
        m_runState = Protocol::Halted;
}

void LinkSession::startSampling()
{
    m_runState = Protocol::Running;
    requestReading();
}

void LinkSession::haltSampling()
{
    m_runState = Protocol::Halted;
}

void LinkSession::switchInstrumentMode()
{
    send(Protocol::ModeSwitch);
    startSampling();
}

void LinkSession::requestReading()
{
    if (m_operatingMode == Protocol::RealtimeSampling && m_runState == Protocol::Running)
        send(Protocol::ReadingRequest);
}

void LinkSession::startStoredRead()
{
    if (m_operatingMode == Protocol::StoredData)
        send(Protocol::CountRequest);
}

void LinkSession::release()
{
    for (QTimer *timer : findChildren<QTimer *>())
        timer->stop();
    if (m_port->portOpen())
        m_port->closePort();
}

// ---- Search and supervision ----

QString LinkSession::openOutcomeText(qint16 port, SerialPort::OpenResult outcome)
{
    const QString com = QStringLiteral("COM") + QString::number(port);
    switch (outcome) {
    case SerialPort::Opened:
        return com + QStringLiteral(" open success");
    case SerialPort::InUse:
    case SerialPort::NoPermission: // refused to this user: the notice says what to do
        return com + QStringLiteral(" be occupied");
    case SerialPort::NoSuchPort:
        return com + QStringLiteral(" null");
    default:
        // A port that could not be opened for another reason is not a success.
        return com + QStringLiteral(" open fail");
    }
}

QString LinkSession::receiveErrorText()
{
    return QStringLiteral("receive error");
}

void LinkSession::openPort(qint16 port)
{
    if (m_port->portOpen())
        m_port->closePort();
    if (m_exchange.portOpened()) {
        readEndedWithoutBlock();
        resumePolling();
    }
    m_answerWatchTimer->stop();
    m_port->setCommPort(port);
    const SerialPort::OpenResult outcome = m_port->openPort();
    emit portTried(port, outcome, openOutcomeText(port, outcome));
    noteOutcome(outcome);
}

QString LinkSession::permissionNotice(const QString &device, const QString &group)
{
    // Debian gives serial devices to "dialout"; say so where the node's own group is unknown.
    const QString owner = group.isEmpty() ? QStringLiteral("dialout") : group;
    return QStringLiteral("%1 may not be opened by this user: permission denied.\n"
                          "Add yourself to the group \"%2\" (sudo adduser $USER %2),\n"
                          "then log out and in again.")
            .arg(device.isEmpty() ? QStringLiteral("The serial port") : device, owner);
}

QString LinkSession::noDeviceNotice()
{
    return QStringLiteral("No serial device is present on this computer.\n"
                          "Is the tester's USB cable plugged in?");
}

void LinkSession::noteOutcome(SerialPort::OpenResult outcome)
{
    if (outcome == SerialPort::NoPermission && !m_permissionNoticed) {
        m_permissionNoticed = true;
        emit notice(permissionNotice(m_port->devicePath(), m_port->deviceGroup()));
    }
    // A whole round of ports that do not exist: the search would cycle through "null" for ever
    // without a hint.
    m_missingInARow = outcome == SerialPort::NoSuchPort ? m_missingInARow + 1 : 0;
    if (m_missingInARow >= LinkProfile::kPortCount && !m_noDeviceNoticed) {
        m_noDeviceNoticed = true;
        emit notice(noDeviceNotice());
    }
}

void LinkSession::searchTick()
{
    if (connected()) {
        m_searchTimer->stop();
        // A "Read" pressed since the link came up has stopped polling for its read.
        resumePolling();
        emit searchEnded();
        return;
    }
    openPort(m_scanPort);
    send(Protocol::Handshake);
    m_scanPort = Protocol::nextScanPort(m_scanPort);
}

void LinkSession::supervisionTick()
{
    if (!m_exchange.supervisionTick())
        return;
    // The search timer may still run: restarting it would postpone its tick, and while nothing
    // answers every fifth supervision tick would then cost the search a port.
    switchOn(m_searchTimer);
    m_answerWatchTimer->stop();
    if (m_exchange.lostRead())
        readEndedWithoutBlock(); // the block (or its count) went with the link: say so
    emit linkLost();
}

// ---- Commands and polling ----

void LinkSession::send(qint16 command)
{
    if (!m_port->portOpen())
        return; // nothing happens; lastCommand keeps its value
    const LinkExchange::Wanted wanted = m_exchange.want(command, now());
    if (wanted.readAbandoned) {
        // Another command in the read's place ("→" after switching back to realtime sampling,
        // say): the read ends visibly, and what already came of its answer is counted off.
        readEndedWithoutBlock();
        if (m_exchange.phase() == LinkExchange::Phase::Draining)
            dropWaiting();
        resumePolling();
    }
    if (wanted.kind == LinkExchange::Wanted::SendNow)
        transmit(wanted.send);
    watchAnswers();
}

void LinkSession::transmit(const LinkExchange::Send &send)
{
    if (send.command == Protocol::CountRequest)
        m_pollTimer->stop(); // the stored-record read runs without polling
    if (send.threshold)
        m_port->setRThreshold(*send.threshold);
    // Whatever waits then belongs to an answer nobody waits for: emptied before the command goes
    // out, so this answer is collected from scratch. Emptied after it, the answer's first byte
    // could go too: an instrument may answer within a byte time, and on a busy machine the
    // writing process can be preempted by the very write that wakes the other side.
    m_port->clearInBuffer();
    m_port->clearOutBuffer();
    m_port->output(QByteArray(1, char(quint8(send.command))));
    if (send.command == Protocol::BlockRequest) {
        // A full instrument takes tens of seconds to send its records: show them coming.
        emit transferStarted(m_exchange.blockBytes());
    }
}

void LinkSession::sendHeld()
{
    while (const std::optional<LinkExchange::Send> due = m_exchange.nextDue(now())) {
        if (!m_port->portOpen())
            return;
        transmit(*due);
    }
}

void LinkSession::watchAnswers()
{
    if (const std::optional<qint64> at = m_exchange.wakeAt())
        m_answerWatchTimer->start(int(std::clamp<qint64>(*at - now(), 0, 60000)));
    else
        m_answerWatchTimer->stop();
}

void LinkSession::answerWatchTick()
{
    if (m_exchange.timePassed(now()))
        m_port->clearInBuffer(); // the rest of an answer that ended short: never joined on
    sendHeld();
    watchAnswers();
}

void LinkSession::pollTick()
{
    if (readUnderWay())
        return; // the stored-record read runs without polling, even for a tick already due
    if (const std::optional<Protocol::Command> command
        = Protocol::pollCommand(connected(), m_operatingMode, m_runState))
        send(*command);
}

void LinkSession::readingTick()
{
    requestReading();
}

void LinkSession::blockRequestTick()
{
    m_blockRequestTimer->stop();
    send(Protocol::BlockRequest);
}

// ---- Reception ----

void LinkSession::takeReply()
{
    if (m_port->commEvent() != SerialPort::EventReceive)
        return;
    const QByteArray reply = m_port->input();
    const LinkExchange::Taken taken = m_exchange.taken(reply);
    if (taken.emptyAfter)
        m_port->clearInBuffer();
    m_port->clearOutBuffer();
    if (taken.threshold)
        m_port->setRThreshold(*taken.threshold);
    handle(taken, reply);
    sendHeld();
    watchAnswers();
}

void LinkSession::handle(const LinkExchange::Taken &taken, const QByteArray &reply)
{
    switch (taken.kind) {
    case LinkExchange::Kind::Handshake:
        emit linkUp();
        break;
    case LinkExchange::Kind::Count:
        takeCount(taken);
        break;
    case LinkExchange::Kind::CountRejected:
        m_blockRequestTimer->stop();
        emit countRejected();
        emit status(receiveErrorText());
        break;
    case LinkExchange::Kind::Block:
        emit transferEnded();
        emit blockReceived(reply, taken.count);
        endStoredRead();
        break;
    case LinkExchange::Kind::Reading:
        m_recordCount = 1;
        emit readingReceived(reply);
        emit status(QStringLiteral("receive data"));
        break;
    case LinkExchange::Kind::Stale:
        break;
    }
}

void LinkSession::takeCount(const LinkExchange::Taken &taken)
{
    m_recordCount = taken.count;
    emit countReceived(m_recordCount);
    emit status(QStringLiteral("Save num:") + QString::number(m_recordCount));
    if (m_exchange.readUnderWay()) {
        switchOn(m_blockRequestTimer);
        return;
    }
    // Nothing stored: no block will come, so take the empty block now instead of waiting for
    // bytes that never arrive and declaring the link dead.
    emit blockReceived(QByteArray(), m_recordCount);
    endStoredRead();
}

void LinkSession::endStoredRead()
{
    emit status(QStringLiteral("receive old data"));
    resumePolling();
}

void LinkSession::readEndedWithoutBlock()
{
    m_blockRequestTimer->stop();
    emit transferEnded();
    emit status(receiveErrorText());
}

void LinkSession::dropWaiting()
{
    // Taken off and counted, not emptied: emptying would also drop bytes still in the driver.
    m_exchange.taken(m_port->input());
}

void LinkSession::resumePolling()
{
    if (!readUnderWay())
        switchOn(m_pollTimer);
}

void LinkSession::noteArrival(qint64 bytesWaiting)
{
    // Silence, not the time since the last complete reply, is what tells a dead link: a long
    // block of records arrives for many seconds before its single notification.
    if (m_exchange.arrived(bytesWaiting, now())) {
        // The tail of an answer no longer wanted: off the line, never a reply.
        dropWaiting();
        sendHeld();
        watchAnswers();
        return;
    }
    if (m_exchange.phase() == LinkExchange::Phase::Block)
        emit transferProgress(bytesWaiting);
}
