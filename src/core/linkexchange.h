#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

#include <optional>

// The exchange with the instrument as a rule on plain values: which command may go out when,
// what a batch of received bytes is, when the receive buffer is emptied, and when the link is
// lost. No port, no timer, no clock: times are milliseconds of one monotonic clock (any origin),
// passed in by the owner, which performs what each answer says.
//
// The instrument answers one command at a time and knows nothing of framing, so the rule is: no
// command goes out while an earlier answer may still be arriving. A command wanted then is held
// until that answer has been taken or can no longer come (its bytes' time on the line plus the
// longest turnaround, counted again from every byte that arrives), and goes out then, in the
// order wanted. Reading requests too: answers back to back cannot be told apart once one of them
// is a byte short or long, so every reply taken is one answer.
class LinkExchange
{
public:
    // What the exchange waits for.
    enum class Phase : quint8 {
        Idle,       // nothing on its way
        Handshake,  // 5 sent: the search's handshake, or a keep-alive once linked
        Readings,   // 35 sent: a reading of 7 bytes to come
        Count,      // 15 sent: the count of stored records
        BlockDue,   // the count is in; the block request waits for its delay
        Block,      // 25 sent: the block of records
        Draining,   // an answer no longer wanted: its bytes are dropped until they stop
        Other,      // 0 or 55 sent: an answer, if any, is of no use
    };

    // One command byte to write, after emptying the receive buffer (what waits then is nobody's
    // answer), and the receive threshold to set (none for the block request, whose threshold the
    // count set).
    struct Send
    {
        qint16 command = 0;
        std::optional<int> threshold;
        bool operator==(const Send &) const = default;
    };

    // The answer to "this command is wanted now".
    struct Wanted
    {
        enum Kind : quint8 { SendNow, Hold, Refuse } kind = Refuse;
        Send send;             // SendNow
        qint64 holdUntilMs = 0; // Hold: when the answer in the way can no longer come
        // A stored-record read under way ended here (another command went out in its place): say
        // so, stop the block request's delay, and take what waits so its bytes are counted off.
        bool readAbandoned = false;
    };

    // What a batch of bytes taken off the port is.
    enum class Kind : quint8 {
        Handshake,     // the instrument answered the search: the link is up
        Reading,       // a realtime reading, whole
        Count,         // the count of stored records, in `count`
        CountRejected, // the answer to a count request was not a count
        Block,         // the stored records, `count` of them announced
        Stale,         // nothing to use: a keep-alive's answer, a dropped tail, noise
    };
    struct Taken
    {
        Kind kind = Kind::Stale;
        qint16 count = 0;             // Count and Block
        std::optional<int> threshold; // set the receive threshold to this
        bool emptyAfter = false;      // empty the receive buffer: nothing more is owed
    };

    // ---- The four questions ----
    Wanted want(qint16 command, qint64 nowMs);
    // A held command whose way is now free, marked with how it goes out; call until none. Held
    // commands also go out after a take, so ask after every event.
    std::optional<Send> nextDue(qint64 nowMs);
    Taken taken(const QByteArray &bytes);
    // Time has passed: true when what waits is the rest of an answer that ended short (or that
    // nobody waits for any more) and is to be emptied, never joined to the next answer.
    bool timePassed(qint64 nowMs);
    // When to call timePassed() next; nullopt: nothing to watch.
    std::optional<qint64> wakeAt() const;

    // ---- The line ----
    // Bytes arrived (bytesWaiting in all): the link is alive. True when they are to be taken off
    // at once and dropped (the tail of an abandoned answer).
    bool arrived(qint64 bytesWaiting, qint64 nowMs);
    // A supervision tick went by. True when it was the tick too many without a byte: the link is
    // lost, and with it whatever was under way (see lostRead()).
    bool supervisionTick();
    // A port was opened: nothing asked before concerns it. True when that ended a read under way.
    bool portOpened();
    // The search starts again: the link counts as down until the instrument answers it.
    void restartSearch();

    // ---- State ----
    Phase phase() const { return m_phase; }
    bool connected() const { return m_connected; }
    // "Read" was pressed and its block is not yet in, refused, abandoned or lost.
    bool readUnderWay() const;
    // The link loss just reported ended a read under way.
    bool lostRead() const { return m_lostRead; }
    qint16 silentTicks() const { return m_silentTicks; }
    qint16 lastCommand() const { return m_lastCommand; }
    qint16 recordCount() const { return m_recordCount; }
    // Bytes of the block announced by the count.
    qint32 blockBytes() const;
    const QList<qint16> &held() const { return m_held; }

private:
    bool answerMayArrive(qint64 nowMs) const;
    qint64 answerDeadline() const;
    bool holds(qint16 command) const;
    Wanted abandonRead();
    Send sendNow(qint16 command, qint64 nowMs);
    void settle(qint64 nowMs);
    Taken takeCount(const QByteArray &bytes);
    void drain(qint64 bytesLeft);

    Phase m_phase = Phase::Idle;
    bool m_connected = false;
    qint16 m_lastCommand = 0;
    qint16 m_recordCount = 0;
    qint16 m_silentTicks = 0;
    bool m_lostRead = false;
    qint64 m_answerBytes = 0;  // bytes the answer on its way has on the line
    qint64 m_sentAtMs = 0;      // when its command went out
    qint64 m_lastArrivalMs = 0; // the latest byte, of whatever
    qint64 m_waiting = 0;       // bytes waiting on the port since the last take or emptying
    qint64 m_drainLeft = 0;     // bytes of the dropped answer still to come
    std::optional<qint64> m_recheckAt; // a held-up look asked to look once more
    QList<qint16> m_held; // commands held, in the order wanted
};
