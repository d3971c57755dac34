#pragma once

#include "core/linkprofile.h"
#include "instrument-sim/scenario.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <deque>

class QSocketNotifier;

// The tester's side of the serial link, played on the master side of a pseudo-terminal. The
// program under test opens slavePath() as its serial port.
//
// Runs on the thread's Qt event loop (a socket notifier for the commands, a timerfd for the
// pacing), so a test drives it and the window in one loop, one handler at a time.
class InstrumentSim : public QObject
{
    Q_OBJECT

public:
    // Time one byte takes on the line (10 bits at 9600 baud).
    static constexpr qint64 kByteNs = LinkProfile::kByteNs;

    // What goes wrong, on demand. All off by default.
    struct Faults
    {
        bool silent = false;       // hears commands, answers nothing (see setSilent)
        int silentAfter = -1;      // fall silent after this many more replies (-1: never)
        int vanishAfter = -1;      // close the pty after this many more replies (-1: never)
        qint64 cutAfterBytes = -1; // mid-reply: after this many more bytes, stop (-1: never)
        bool cutVanishes = false;  // ... and close the pty instead of only falling silent
        int lateMs = 0;            // every reply starts this late
        bool garbage = false;      // every reply is replaced by as many random bytes
        int splitGapMs = 0;        // > 0: reply bytes leave one at a time, this far apart
        bool burst9 = false;       // realtime replies carry two extra bytes (9 in all)
        bool badCount = false;     // the count reply is 05 04 hi lo
        int loseByteOneIn = 0;     // > 0: one realtime reply in this many loses a byte
    };

    explicit InstrumentSim(QObject *parent = nullptr);
    ~InstrumentSim() override;

    // Creates a fresh pseudo-terminal (raw mode) and starts listening on it. A vanished
    // instrument comes back this way, under a new slave path. False when no pty (or no timerfd
    // for the pacing) can be made.
    bool open();
    bool isOpen() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }

    // 9600-baud pacing (default) or everything at once.
    void setPaced(bool paced) { m_paced = paced; }
    bool paced() const { return m_paced; }
    // Paced, the bytes due when the simulator gets to run leave in one write, so a late run sends
    // a short burst. Even, every byte is written on its own, never sooner than a byte time after
    // the one before, as a UART shifts them out: a long reply then never pauses on the line.
    void setEven(bool even) { m_even = even; }
    bool even() const { return m_even; }
    // A real tester behind a USB adapter cannot answer sooner than this after a command: the
    // adapter's round trip and the tester's own reply time.
    static constexpr int kRealisticTurnaroundMs = 4;
    // By default every reply starts the moment its command is read, which leaves a program no
    // time at all between writing a command and its reply's first byte.
    void setTurnaroundMs(int ms) { m_turnaroundMs = ms; }

    // The stored records: `count` from the built-in scenario, or an exact block (a multiple of
    // 7 bytes; at most 9999 records).
    void setRecordCount(int count, quint32 seed = 1);
    void setStoredBlock(const QByteArray &block);
    int recordCount() const { return int(m_stored.size() / 7); }

    Sim::RealtimeScenario &realtime() { return m_realtime; }
    Faults &faults() { return m_faults; }
    // Unplugs (true) or plugs in again (false). Unplugging cuts the line at once: whatever was
    // still on its way, a block half sent included, never arrives.
    void setSilent(bool silent);

    // The instrument vanishes: the pty is closed, pending bytes are lost.
    void vanish();
    // Sends `count` pseudo-random bytes now, unasked (line noise).
    void injectGarbage(int count);
    // Sends raw bytes now, unasked, as they are.
    void inject(const QByteArray &bytes);

    // Every byte the program has sent, in order, since open() or clearReceived().
    QByteArray received() const { return m_received; }
    void clearReceived() { m_received.clear(); }
    int repliesSent() const { return m_repliesSent; }
    // One of the latest realtime replies, as it went on the line (faults included), began with
    // these bytes: a reading the program shows must be one of them.
    bool sentReading(const QByteArray &reading) const;
    qint64 bytesQueued() const { return qint64(m_queue.size()); }
    qint64 bytesWritten() const { return m_bytesWritten; }
    // The longest pause between two bytes of the last reply sent in full. Paced, it is one byte
    // time; much more means this process was not run in time and the line stood still.
    qint64 lastReplyLongestGapNs() const { return m_lastReplyGapNs; }

signals:
    void commandReceived(int command);
    // The program sent 0: the session is over, nothing is answered.
    void sessionEnded();
    // The last byte of a reply has just been written to the line.
    void replyWritten();
    void vanished();
    // Diagnostics for the command-line program.
    void log(const QString &line);

private:
    struct OutByte
    {
        char byte;
        qint64 dueNs; // not before this time on m_clock
        bool lastOfReply;
    };

    void onReadable();
    void handleCommand(quint8 command);
    void queueReply(QByteArray reply, bool realtime);
    void pump();
    QByteArray dueBytes(qint64 now) const;
    qint64 writeLine(const QByteArray &chunk, qint64 now);
    int dropWritten(qint64 count, qint64 now);
    bool cutIfDue(qint64 written);
    bool tellReplies(int count);
    qint64 nextDueNs() const;
    void scheduleNext();
    void startPumpIn(qint64 ns);
    void stopPump();
    void cutLine();
    void closePty();
    quint8 noiseByte();

    int m_master = -1;
    int m_slaveKeepAlive = -1; // held so the pty survives while the program has it closed
    QString m_slavePath;
    QSocketNotifier *m_notifier = nullptr;
    // The pacing clock: a timerfd wakes the event loop to the microsecond, where a QTimer would
    // round each wait to whole milliseconds and let the bytes of one reply leave up to 2 ms
    // apart, which looks like the end of a burst to the program.
    int m_pumpFd = -1;
    QSocketNotifier *m_pumpNotifier = nullptr;
    QElapsedTimer m_clock;
    std::deque<OutByte> m_queue;
    qint64 m_lastDueNs = 0;
    qint64 m_blockedSinceNs = -1;
    bool m_paced = true;
    bool m_even = false;
    qint64 m_lineFreeNs = 0; // even: when the line can take the next byte
    int m_turnaroundMs = 0;
    std::deque<QByteArray> m_readingsSent;
    Faults m_faults;
    Sim::RealtimeScenario m_realtime;
    QByteArray m_stored;
    QByteArray m_received;
    int m_repliesSent = 0;
    qint64 m_bytesWritten = 0;
    qint64 m_lastWriteNs = 0;
    bool m_inReply = false;
    qint64 m_replyGapNs = 0;
    qint64 m_lastReplyGapNs = 0;
    quint32 m_noise = 0x2545F491u;
};
