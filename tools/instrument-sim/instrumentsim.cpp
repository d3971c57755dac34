#include "instrument-sim/instrumentsim.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <pty.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <unistd.h>

namespace {
// Bytes nobody reads for this long are lost, as on a real line with nobody listening.
constexpr qint64 kStalledWriteNs = 1'000'000'000;
constexpr qint64 kMsNs = 1'000'000;
// Readings kept for readingsSent(): several seconds of polling.
constexpr size_t kReadingsKept = 16;
} // namespace

InstrumentSim::InstrumentSim(QObject *parent)
    : QObject(parent)
    , m_pumpFd(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC))
    , m_stored(Sim::storedRecords(36))
{
    if (m_pumpFd >= 0) {
        m_pumpNotifier = new QSocketNotifier(qintptr(m_pumpFd), QSocketNotifier::Read, this);
        connect(m_pumpNotifier, &QSocketNotifier::activated, this, [this] {
            std::uint64_t expirations = 0;
            [[maybe_unused]] const ssize_t n = ::read(m_pumpFd, &expirations, sizeof expirations);
            pump();
        });
    }
    m_clock.start();
}

InstrumentSim::~InstrumentSim()
{
    closePty();
    delete m_pumpNotifier;
    if (m_pumpFd >= 0)
        ::close(m_pumpFd);
}

void InstrumentSim::startPumpIn(qint64 ns)
{
    if (m_pumpFd < 0)
        return;
    itimerspec when{};
    ns = qMax<qint64>(ns, 1000); // 0 would disarm it
    when.it_value.tv_sec = time_t(ns / 1'000'000'000);
    when.it_value.tv_nsec = long(ns % 1'000'000'000);
    ::timerfd_settime(m_pumpFd, 0, &when, nullptr);
}

void InstrumentSim::stopPump()
{
    if (m_pumpFd < 0)
        return;
    const itimerspec never{};
    ::timerfd_settime(m_pumpFd, 0, &never, nullptr);
}

void InstrumentSim::cutLine()
{
    m_queue.clear();
    stopPump();
    m_blockedSinceNs = -1;
    m_lastDueNs = 0; // the next reply starts now, not after the bytes that were cut
    m_lineFreeNs = 0;
    m_inReply = false;
    m_replyGapNs = 0;
}

bool InstrumentSim::open()
{
    closePty();
    if (m_pumpFd < 0)
        return false; // no pacing clock
    int master = -1;
    int slave = -1;
    char name[256] = {};
    // Raw from the start: before the program opens the port nothing may be echoed back to the
    // instrument or translated (0x0D, 0x11, 0x13 are ordinary bytes here).
    termios tio{};
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    if (::openpty(&master, &slave, name, &tio, nullptr) != 0)
        return false;
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    m_master = master;
    m_slaveKeepAlive = slave;
    m_slavePath = QString::fromLocal8Bit(name);
    m_received.clear();
    m_notifier = new QSocketNotifier(qintptr(master), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &InstrumentSim::onReadable);
    return true;
}

void InstrumentSim::closePty()
{
    cutLine();
    delete m_notifier;
    m_notifier = nullptr;
    if (m_master >= 0)
        ::close(m_master);
    if (m_slaveKeepAlive >= 0)
        ::close(m_slaveKeepAlive);
    m_master = -1;
    m_slaveKeepAlive = -1;
}

void InstrumentSim::setRecordCount(int count, quint32 seed)
{
    m_stored = Sim::storedRecords(count, seed);
}

void InstrumentSim::setStoredBlock(const QByteArray &block)
{
    m_stored = block.left(qMin<qsizetype>(block.size() / 7, 9999) * 7);
}

bool InstrumentSim::sentReading(const QByteArray &reading) const
{
    return std::any_of(m_readingsSent.begin(), m_readingsSent.end(), [&](const QByteArray &sent) {
        return sent.startsWith(reading);
    });
}

void InstrumentSim::setSilent(bool silent)
{
    m_faults.silent = silent;
    if (!silent) {
        m_faults.silentAfter = -1;
        return;
    }
    // Unplugged: the line goes dead at once, in the middle of a reply as well.
    if (!m_queue.empty())
        emit log(QStringLiteral("unplugged: %1 bytes still to send cut off").arg(m_queue.size()));
    cutLine();
}

void InstrumentSim::vanish()
{
    if (m_master < 0)
        return;
    emit log(QStringLiteral("vanishing: %1 closed").arg(m_slavePath));
    closePty();
    emit vanished();
}

quint8 InstrumentSim::noiseByte()
{
    m_noise ^= m_noise << 13;
    m_noise ^= m_noise >> 17;
    m_noise ^= m_noise << 5;
    return quint8(m_noise >> 24);
}

void InstrumentSim::injectGarbage(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(char(noiseByte()));
    inject(bytes);
}

void InstrumentSim::inject(const QByteArray &bytes)
{
    if (m_master < 0 || bytes.isEmpty())
        return;
    const qint64 now = m_clock.nsecsElapsed();
    qint64 due = qMax(now, m_lastDueNs);
    for (char byte : bytes) {
        m_queue.push_back({byte, due, false});
        due += m_paced ? kByteNs : 0;
    }
    m_lastDueNs = due;
    pump();
}

void InstrumentSim::onReadable()
{
    if (m_master < 0)
        return;
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            for (ssize_t i = 0; i < n && m_master >= 0; ++i) {
                m_received.append(buffer[i]);
                handleCommand(quint8(buffer[i]));
            }
            if (m_master < 0)
                return;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // EAGAIN: all read; EIO cannot happen while the slave is held open
    }
}

void InstrumentSim::handleCommand(quint8 command)
{
    emit commandReceived(command);
    switch (command) {
    case 0:
        // End of the session: whatever was still on its way stops, nothing is answered.
        cutLine();
        emit log(QStringLiteral("0: session ended"));
        emit sessionEnded();
        return;
    case 55:
        m_realtime.switchKind();
        emit log(QStringLiteral("55: kind %1").arg(m_realtime.kind()));
        return;
    default:
        break;
    }
    if (m_faults.silent)
        return;
    switch (command) {
    case 5:
        queueReply(Sim::handshakeReply(), false);
        break;
    case 15:
        queueReply(Sim::countReply(recordCount(), !m_faults.badCount), false);
        break;
    case 25:
        if (!m_stored.isEmpty())
            queueReply(m_stored, false);
        break;
    case 35:
        queueReply(m_realtime.next(), true);
        break;
    default:
        emit log(QStringLiteral("%1: not a command, ignored").arg(command));
        break;
    }
}

void InstrumentSim::queueReply(QByteArray reply, bool realtime)
{
    if (realtime && m_faults.burst9)
        reply += reply.left(2);
    if (m_faults.garbage) {
        for (char &byte : reply)
            byte = char(noiseByte());
    }
    if (realtime) {
        m_readingsSent.push_back(reply);
        if (m_readingsSent.size() > kReadingsKept)
            m_readingsSent.pop_front();
        // A byte lost on the line: the reply is not one the tester sent whole.
        if (m_faults.loseByteOneIn > 0 && noiseByte() % m_faults.loseByteOneIn == 0) {
            m_readingsSent.pop_back();
            reply.remove(noiseByte() % reply.size(), 1);
        }
    }
    const qint64 now = m_clock.nsecsElapsed();
    const qint64 step = (m_paced ? kByteNs : 0) + qint64(m_faults.splitGapMs) * kMsNs;
    const qint64 late = qint64(m_turnaroundMs + m_faults.lateMs) * kMsNs;
    qint64 due = qMax(now + late, m_lastDueNs + step);
    for (qsizetype i = 0; i < reply.size(); ++i) {
        m_queue.push_back({reply.at(i), due, i == reply.size() - 1});
        if (i + 1 < reply.size())
            due += step;
    }
    m_lastDueNs = due;

    if (m_faults.silentAfter > 0 && --m_faults.silentAfter == 0) {
        m_faults.silent = true;
        m_faults.silentAfter = -1;
        emit log(QStringLiteral("falling silent"));
    }
    pump();
}

void InstrumentSim::pump()
{
    if (m_master < 0 || m_queue.empty())
        return;
    const qint64 now = m_clock.nsecsElapsed();
    const QByteArray chunk = dueBytes(now);
    if (chunk.isEmpty() && m_faults.cutAfterBytes != 0) {
        scheduleNext();
        return;
    }
    const qint64 written = writeLine(chunk, now);
    if (written < 0)
        return;
    const int repliesDone = dropWritten(written, now);
    if (cutIfDue(written) || !tellReplies(repliesDone))
        return;
    scheduleNext();
}

// The bytes whose time has come, as far as a cut allows; even, one byte at the most.
QByteArray InstrumentSim::dueBytes(qint64 now) const
{
    QByteArray chunk;
    if (m_even && m_lineFreeNs > now)
        return chunk;
    for (const OutByte &out : m_queue) {
        if (out.dueNs > now)
            break;
        if (m_faults.cutAfterBytes >= 0 && chunk.size() >= m_faults.cutAfterBytes)
            break;
        chunk.append(out.byte);
        if (m_even)
            break;
    }
    return chunk;
}

// Writes the chunk; how many bytes the line took, or -1 when the line was cut or is full (and
// the next try is set).
qint64 InstrumentSim::writeLine(const QByteArray &chunk, qint64 now)
{
    if (chunk.isEmpty()) {
        m_blockedSinceNs = -1;
        return 0;
    }
    ssize_t n = ::write(m_master, chunk.constData(), size_t(chunk.size()));
    if (n < 0) {
        if (errno != EAGAIN && errno != EINTR) {
            cutLine();
            return -1;
        }
        n = 0;
    }
    if (n > 0) {
        m_blockedSinceNs = -1;
        m_lineFreeNs = now + kByteNs;
        return qint64(n);
    }
    // The line is full: the program is not reading. Give up after a while.
    if (m_blockedSinceNs < 0)
        m_blockedSinceNs = now;
    if (now - m_blockedSinceNs > kStalledWriteNs) {
        emit log(QStringLiteral("nobody reads: %1 bytes dropped").arg(m_queue.size()));
        cutLine();
        return -1;
    }
    startPumpIn(2 * kMsNs);
    return -1;
}

// Takes the written bytes off the queue; how many replies they ended.
int InstrumentSim::dropWritten(qint64 count, qint64 now)
{
    int repliesDone = 0;
    for (qint64 i = 0; i < count; ++i) {
        // How evenly the reply left: the longest pause between two of its bytes.
        if (i == 0 && m_inReply)
            m_replyGapNs = qMax(m_replyGapNs, now - m_lastWriteNs);
        m_inReply = true;
        if (m_queue.front().lastOfReply) {
            ++repliesDone;
            m_lastReplyGapNs = m_replyGapNs;
            m_replyGapNs = 0;
            m_inReply = false;
        }
        m_queue.pop_front();
    }
    if (count > 0)
        m_lastWriteNs = now;
    m_bytesWritten += count;
    return repliesDone;
}

// A cut asked for (cutAfterBytes) that these bytes reached: the line stops. True when it did.
bool InstrumentSim::cutIfDue(qint64 written)
{
    if (m_faults.cutAfterBytes < 0)
        return false;
    m_faults.cutAfterBytes -= written;
    if (m_faults.cutAfterBytes > 0)
        return false;
    m_faults.cutAfterBytes = -1;
    cutLine();
    if (m_faults.cutVanishes) {
        vanish();
        return true;
    }
    m_faults.silent = true;
    emit log(QStringLiteral("cut off mid-reply, falling silent"));
    return false;
}

// Tells of replies sent in full; false when the instrument vanished after one.
bool InstrumentSim::tellReplies(int count)
{
    for (int i = 0; i < count; ++i) {
        ++m_repliesSent;
        emit replyWritten();
        if (m_faults.vanishAfter > 0 && --m_faults.vanishAfter == 0) {
            m_faults.vanishAfter = -1;
            vanish();
            return false;
        }
    }
    return true;
}

qint64 InstrumentSim::nextDueNs() const
{
    const qint64 due = m_queue.front().dueNs;
    return m_even ? qMax(due, m_lineFreeNs) : due;
}

void InstrumentSim::scheduleNext()
{
    if (m_master < 0 || m_queue.empty())
        return;
    startPumpIn(nextDueNs() - m_clock.nsecsElapsed());
}
