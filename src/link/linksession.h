#pragma once

#include "core/linkexchange.h"
#include "core/protocol.h"
#include "platform/serialport.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QTimer;

// The link to the instrument: the serial port and the timers of the search, the supervision and
// the polling, wired around the exchange (LinkExchange), which decides what goes out when and
// what comes in is. It finds the instrument on ports 1..16, notices when it falls silent, polls
// for readings and runs the stored-record read.
//
// What arrives leaves as signal payloads, in the order the exchange produces them: a reading's
// bytes, a record count, a block of records, link up and link lost, each port tried with its
// outcome, status texts and transfer progress. Nothing is read back out of a field.
//
// Every timer is a child with the object name the window has always given it (findcom,
// COMtimout, comunication, Timer3, Timer4), and every tick can be called directly.
class LinkSession : public QObject
{
    Q_OBJECT

public:
    explicit LinkSession(std::unique_ptr<SerialPort> port, QObject *parent = nullptr);
    ~LinkSession() override;

    SerialPort &port() { return *m_port; }
    // The monotonic clock in milliseconds the exchange is told; tests set their own.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

    // ---- State ----
    qint16 scanPort() const { return m_scanPort; } // next port the search tries, 1..16
    qint16 silentTicks() const { return m_exchange.silentTicks(); }
    bool connected() const { return m_exchange.connected(); }
    qint16 lastCommand() const { return m_exchange.lastCommand(); } // last command byte written
    qint16 recordCount() const { return m_recordCount; } // 1 after a reading, else the count
    Protocol::OperatingMode operatingMode() const { return m_operatingMode; }
    Protocol::RunState runState() const { return m_runState; }
    bool readUnderWay() const { return m_exchange.readUnderWay(); }
    const LinkExchange &exchange() const { return m_exchange; }

    QTimer *searchTimer() const { return m_searchTimer; }           // findcom
    QTimer *supervisionTimer() const { return m_supervisionTimer; } // COMtimout
    QTimer *pollTimer() const { return m_pollTimer; }               // comunication
    QTimer *blockRequestTimer() const { return m_blockRequestTimer; } // Timer3
    QTimer *readingTimer() const { return m_readingTimer; }         // Timer4
    QTimer *answerWatchTimer() const { return m_answerWatchTimer; }

    // ---- What the window and the command line ask for ----
    // Starts the search for the instrument from port 1, whose turn comes at the search's first
    // tick.
    void beginSearch();
    // The same, with port 1 tried at once.
    void beginSearchNow();
    // Once the instrument has answered, the search ends at once rather than at its next tick,
    // and polling takes over; otherwise nothing happens.
    void endSearchNow();
    // Stored data halts sampling.
    void setOperatingMode(Protocol::OperatingMode mode);
    // "→": sampling runs and a reading is asked for at once.
    void startSampling();
    // "‖" and "■": sampling halts; the link is kept alive.
    void haltSampling();
    // "》": the instrument's mode switch, then sampling as "→".
    void switchInstrumentMode();
    // A reading, when sampling runs in realtime mode.
    void requestReading();
    // "Read": the count of stored records, in the stored-data mode, unless a read is under way.
    void startStoredRead();
    // Stops every timer of the link and releases the port: nothing is sent after this.
    void release();

    // ---- The port and the ticks ----
    // Closes whatever port is open and tries port n (1..16).
    void openPort(qint16 port);
    // A command is wanted: it goes out now, once the answer in its way is in, or not at all.
    void send(qint16 command);
    void searchTick();
    void supervisionTick();
    void pollTick();
    void blockRequestTick();
    void readingTick();
    void answerWatchTick();
    // The port's notification: a reply (kind 2) is in.
    void takeReply();
    void noteArrival(qint64 bytesWaiting);

    // Text of an open attempt: "COM3 open success", "COM3 be occupied", "COM3 null", ...
    static QString openOutcomeText(qint16 port, SerialPort::OpenResult outcome);
    static QString noDeviceNotice();
    static QString permissionNotice(const QString &device, const QString &group);
    // What the status line says when a read ends without its block.
    static QString receiveErrorText();

signals:
    void portTried(qint16 port, SerialPort::OpenResult outcome, const QString &text);
    // Something the user can put right and would not guess from the port texts: no serial
    // device at all, or a port this user may not open. Each kind is said once per session; the
    // search goes on.
    void notice(const QString &text);
    void linkUp();
    // The search saw the link up and handed over to polling.
    void searchEnded();
    void linkLost();
    void status(const QString &text);
    void readingReceived(const QByteArray &reply);
    void countReceived(qint16 count);
    // The answer to a count request was not a count: the read ends there.
    void countRejected();
    // A block of `count` records announced (bytes may be fewer when cut short).
    void blockReceived(const QByteArray &block, qint16 count);
    void transferStarted(qint32 totalBytes);
    void transferProgress(qint64 bytesReceived);
    // The block transfer is over: whole, abandoned or lost with the link.
    void transferEnded();

private:
    QTimer *makeTimer(const char *name, int interval, bool running);
    qint64 now() const { return m_clock(); }
    void transmit(const LinkExchange::Send &send);
    void sendHeld();
    void watchAnswers();
    void handle(const LinkExchange::Taken &taken, const QByteArray &reply);
    void takeCount(const LinkExchange::Taken &taken);
    void endStoredRead();
    void readEndedWithoutBlock();
    void dropWaiting();
    // Polling resumes, unless a stored-record read is under way: a keep-alive sent then would
    // take the place of the read's command.
    void resumePolling();
    void noteOutcome(SerialPort::OpenResult outcome);

    std::unique_ptr<SerialPort> m_port;
    std::function<qint64()> m_clock;
    LinkExchange m_exchange;
    qint16 m_scanPort = 0;
    qint16 m_recordCount = 0;
    Protocol::OperatingMode m_operatingMode = Protocol::NoMode;
    Protocol::RunState m_runState = Protocol::Halted;
    int m_missingInARow = 0; // ports in a row that do not exist
    bool m_noDeviceNoticed = false;
    bool m_permissionNoticed = false;

    QTimer *m_searchTimer = nullptr;
    QTimer *m_supervisionTimer = nullptr;
    QTimer *m_pollTimer = nullptr;
    QTimer *m_blockRequestTimer = nullptr;
    QTimer *m_readingTimer = nullptr;
    QTimer *m_answerWatchTimer = nullptr;
};
