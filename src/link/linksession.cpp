#include "link/linksession.h"

#include "core/linkprofile.h"
#include "core/protocol.h"
#include "core/record.h"
#include "link/switchon.h"

#include <QTimer>

LinkSession::LinkSession(std::unique_ptr<SerialPort> port, QObject *parent)
    : QObject(parent)
    , m_port(std::move(port))
{
    setObjectName(QStringLiteral("linkSession"));
    m_findcom = makeTimer("findcom", LinkProfile::kSearchTickMs, false);
    m_COMtimout = makeTimer("COMtimout", LinkProfile::kSupervisionTickMs, true);
    m_comunication = makeTimer("comunication", LinkProfile::kPollTickMs, true);
    m_timer3 = makeTimer("Timer3", LinkProfile::kBlockRequestDelayMs, false);
    m_timer4 = makeTimer("Timer4", LinkProfile::kReadingTickMs, true);

    connect(m_findcom, &QTimer::timeout, this, &LinkSession::findcom_Timer);
    connect(m_COMtimout, &QTimer::timeout, this, &LinkSession::COMtimout_Timer);
    connect(m_comunication, &QTimer::timeout, this, &LinkSession::comunication_Timer);
    connect(m_timer3, &QTimer::timeout, this, &LinkSession::Timer3_Timer);
    connect(m_timer4, &QTimer::timeout, this, &LinkSession::Timer4_Timer);
    connect(m_port.get(), &SerialPort::OnComm, this, &LinkSession::MSComm1_OnComm);
    connect(m_port.get(), &SerialPort::bytesArrived, this, &LinkSession::MSComm1_BytesArrived);
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
    m_connected = false;
    m_scanPort = 1;
    m_findcom->start();
}

void LinkSession::beginSearchNow()
{
    beginSearch();
    findcom_Timer();
}

void LinkSession::endSearchNow()
{
    if (m_connected && m_findcom->isActive())
        findcom_Timer();
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
    RequestReading();
}

void LinkSession::haltSampling()
{
    m_runState = Protocol::Halted;
}

void LinkSession::switchInstrumentMode()
{
    SendCommand(Protocol::ModeSwitch);
    startSampling();
}

void LinkSession::release()
{
    for (QTimer *timer : {m_findcom, m_COMtimout, m_comunication, m_timer3, m_timer4})
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

void LinkSession::comopen(qint16 port)
{
    if (m_port->portOpen())
        m_port->closePort();
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

void LinkSession::findcom_Timer()
{
    if (m_connected) {
        m_findcom->stop();
        // A "Read" pressed since the link came up has stopped polling for its exchange.
        resumePolling();
        emit searchEnded();
        return;
    }
    comopen(m_scanPort);
    SendCommand(Protocol::Handshake);
    m_scanPort = Protocol::nextScanPort(m_scanPort);
}

void LinkSession::COMtimout_Timer()
{
    if (m_silentTicks > 0)
        m_readingsOwed = 0; // a whole tick without a byte: no answer is on its way any more
    if (m_silentTicks < LinkProfile::kSilentTicksTolerated) {
        m_silentTicks = qint16(m_silentTicks + 1);
        return;
    }
    m_silentTicks = 0;
    m_connected = false;
    // The search timer may still run: restarting it would postpone its tick, and while nothing
    // answers every fifth supervision tick would then cost the search a port.
    switchOn(m_findcom);
    m_discardBytes = 0; // whatever was left of an abandoned block went with the link
    if (m_storedReadActive) {
        // The block (or its count) is lost with the link: say so rather than wait in silence.
        m_storedReadActive = false;
        emit transferEnded();
        emit status(QStringLiteral("receive error"));
    }
    emit linkLost();
}

// ---- Commands and polling ----

void LinkSession::SendCommand(qint16 command)
{
    if (!m_port->portOpen())
        return; // nothing happens; lastCommand keeps its value

    if (m_storedReadActive && command != Protocol::CountRequest
        && command != Protocol::BlockRequest)
        abandonStoredRead();
    if (m_discardBytes > 0 && command != Protocol::EndOfLink) {
        // The instrument is still sending an abandoned block: a request now would only queue
        // behind it, and emptying the buffer for its reply would drop tail bytes uncounted. The
        // polling asks again once the tail has passed.
        return;
    }
    if (command == Protocol::CountRequest) {
        m_comunication->stop(); // the stored-record exchange runs without polling
        m_storedReadActive = true;
        m_discardBytes = 0;
    }
    if (const std::optional<int> threshold = Protocol::thresholdFor(command))
        m_port->setRThreshold(*threshold);
    // The two polling timers each ask for a reading; when their ticks are apart, the second
    // request can go out while the answer to the first is coming in. Emptying the buffer then
    // would cut that answer and align the next one on its tail: it is left to complete instead.
    const bool answerComing = command == Protocol::ReadingRequest
                              && m_lastCommand == Protocol::ReadingRequest && m_readingsOwed > 0;
    // Whatever is waiting belongs to an earlier request: emptied before the command goes out, so
    // this reply is collected from scratch. Emptied after it, the reply's first byte could go too:
    // an instrument may answer within a byte time, and on a busy machine the writing process
    // can be preempted by the very write that wakes the other side.
    if (!answerComing)
        m_port->clearInBuffer();
    m_port->clearOutBuffer();
    m_readingsOwed = command == Protocol::ReadingRequest ? m_readingsOwed + 1 : 0;
    m_lastCommand = command;
    m_port->output(QByteArray(1, char(quint8(command))));
}

void LinkSession::RequestReading()
{
    if (m_operatingMode == Protocol::RealtimeSampling && m_runState == Protocol::Running)
        SendCommand(Protocol::ReadingRequest);
}

void LinkSession::StartStoredRead()
{
    if (m_operatingMode == Protocol::StoredData)
        SendCommand(Protocol::CountRequest);
}

void LinkSession::comunication_Timer()
{
    if (m_storedReadActive)
        return; // the stored-record exchange runs without polling, even for a tick already due
    if (const std::optional<Protocol::Command> command
        = Protocol::pollCommand(m_connected, m_operatingMode, m_runState))
        SendCommand(*command);
}

void LinkSession::Timer4_Timer()
{
    RequestReading();
}

void LinkSession::Timer3_Timer()
{
    SendCommand(Protocol::BlockRequest);
    m_timer3->stop();
    // A full instrument takes tens of seconds to send its records: show them coming.
    if (m_lastCommand == Protocol::BlockRequest) {
        m_blockBytesExpected = Protocol::blockBytes(m_recordCount);
        emit transferStarted(m_blockBytesExpected);
    }
}

// ---- Reception ----

void LinkSession::MSComm1_OnComm()
{
    if (m_port->commEvent() != SerialPort::EventReceive)
        return;

    const QByteArray reply = m_port->input();
    const Protocol::Route route = Protocol::routeReply(m_lastCommand, m_connected, reply);
    // Readings asked for back to back come back to back. When this take ended where a reading
    // ends and another is still owed, what arrives next is that one's start, and stays. Ended
    // inside one (a reply cut, a longer burst), the count is lost: start again from scratch.
    const bool wholeReadings = route == Protocol::Route::Reading
                               && reply.size() % Record::kBytes == 0;
    m_readingsOwed = wholeReadings
                             ? qMax(0, m_readingsOwed - int(reply.size() / Record::kBytes))
                             : 0;
    if (m_readingsOwed == 0)
        m_port->clearInBuffer();
    m_port->clearOutBuffer();
    m_silentTicks = 0;

    switch (route) {
    case Protocol::Route::Handshake:
        m_connected = true;
        emit linkUp();
        break;
    case Protocol::Route::Count:
        takeCount(reply);
        break;
    case Protocol::Route::Block:
        m_storedReadActive = false;
        emit transferEnded();
        emit blockReceived(reply, m_recordCount);
        endStoredRead();
        break;
    case Protocol::Route::Reading:
        m_recordCount = 1;
        emit readingReceived(reply);
        emit status(QStringLiteral("receive data"));
        break;
    case Protocol::Route::Ignored:
        break;
    }
}

void LinkSession::takeCount(const QByteArray &reply)
{
    const std::optional<qint16> count = Protocol::parseCountReply(reply);
    if (!count) {
        m_storedReadActive = false;
        m_timer3->stop();
        m_port->setRThreshold(LinkProfile::kCountReplyBytes);
        emit countRejected();
        emit status(QStringLiteral("receive error"));
        return;
    }
    m_recordCount = *count;
    emit countReceived(m_recordCount);
    emit status(QStringLiteral("Save num:") + QString::number(m_recordCount));
    if (m_recordCount <= 0) {
        // Nothing stored: no block will come, so take the empty block now instead of waiting for
        // bytes that never arrive and declaring the link dead.
        m_storedReadActive = false;
        emit blockReceived(QByteArray(), m_recordCount);
        endStoredRead();
        return;
    }
    m_port->setRThreshold(int(Protocol::blockBytes(m_recordCount)));
    switchOn(m_timer3);
}

void LinkSession::endStoredRead()
{
    emit status(QStringLiteral("receive old data"));
    m_port->setRThreshold(LinkProfile::kHandshakeReplyBytes); // the keep-alive's answer
    resumePolling();
}

void LinkSession::abandonStoredRead()
{
    // Another command goes out while the exchange is under way ("→" after switching back to
    // realtime sampling, say): the read ends visibly, and what is left of a block already coming
    // is dropped as it arrives instead of being decoded as readings.
    m_storedReadActive = false;
    if (m_lastCommand == Protocol::BlockRequest) {
        // Nothing has emptied the buffer since the block request: what waits is what came.
        const qint64 received = m_port->input().size();
        m_discardBytes = qMax<qint64>(0, m_blockBytesExpected - received);
    }
    m_timer3->stop();
    emit transferEnded();
    emit status(QStringLiteral("receive error"));
    resumePolling();
}

void LinkSession::resumePolling()
{
    if (!m_storedReadActive)
        switchOn(m_comunication);
}

void LinkSession::MSComm1_BytesArrived(qint64 bytesWaiting)
{
    // Silence, not the time since the last complete reply, is what tells a dead link: a long
    // block of records arrives for many seconds before its single notification.
    m_silentTicks = 0;
    if (m_discardBytes > 0) {
        // The tail of an abandoned block: off the line, never a reply. A reply to the command
        // that followed may share the last chunk; it is dropped with it, and the next poll asks
        // again on a clean line.
        // Taken with input(), not cleared: clearing would also drop bytes still in the driver,
        // uncounted, and the count would then eat into the next reply.
        m_discardBytes = qMax<qint64>(0, m_discardBytes - m_port->input().size());
        return;
    }
    if (m_lastCommand == Protocol::BlockRequest && m_storedReadActive)
        emit transferProgress(bytesWaiting);
}
