#pragma once

#include "core/protocol.h"
#include "platform/serialport.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class QTimer;

// The link to the instrument: owns the serial port and the timers of the search, the
// supervision and the polling, and keeps the link's own state. It finds the instrument on ports
// 1..16, notices when it falls silent, polls for readings and runs the stored-record exchange.
//
// What arrives leaves as signal payloads, in the order the exchange produces them: a reading's
// bytes, a record count, a block of records, link up and link lost, each port tried with its
// outcome, status texts and transfer progress. Nothing is read back out of a field.
//
// The handlers keep the names the window has always given them; every timer is a child named as
// before (findcom, COMtimout, comunication, Timer3, Timer4), and every tick handler can be called
// directly.
class LinkSession : public QObject
{
    Q_OBJECT

public:
    explicit LinkSession(std::unique_ptr<SerialPort> port, QObject *parent = nullptr);
    ~LinkSession() override;

    SerialPort &MSComm1() { return *m_port; }

    // ---- State ----
    qint16 scanPort() const { return m_scanPort; }       // next port the search tries, 1..16
    qint16 silentTicks() const { return m_silentTicks; } // supervision ticks without a byte
    bool connected() const { return m_connected; }       // the instrument answered the handshake
    qint16 lastCommand() const { return m_lastCommand; } // last command byte written
    qint16 recordCount() const { return m_recordCount; } // records of the count reply
    Protocol::OperatingMode operatingMode() const { return m_operatingMode; }
    Protocol::RunState runState() const { return m_runState; }
    bool storedReadActive() const { return m_storedReadActive; }

    QTimer *findcom() const { return m_findcom; }
    QTimer *COMtimout() const { return m_COMtimout; }
    QTimer *comunication() const { return m_comunication; }
    QTimer *Timer3() const { return m_timer3; }
    QTimer *Timer4() const { return m_timer4; }

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
    // Stops every timer of the link and releases the port: nothing is sent after this.
    void release();

    // ---- Handlers ----
    void comopen(qint16 port);
    void SendCommand(qint16 command);
    void RequestReading();
    void StartStoredRead();
    void findcom_Timer();
    void COMtimout_Timer();
    void comunication_Timer();
    void Timer3_Timer();
    void Timer4_Timer();
    void MSComm1_OnComm();
    void MSComm1_BytesArrived(qint64 bytesWaiting);

    // Text of an open attempt: "COM3 open success", "COM3 be occupied", "COM3 null", ...
    static QString openOutcomeText(qint16 port, SerialPort::OpenResult outcome);
    static QString noDeviceNotice();
    static QString permissionNotice(const QString &device, const QString &group);

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
    void takeCount(const QByteArray &reply);
    void endStoredRead();
    void abandonStoredRead();
    // Polling resumes, unless a stored-record exchange is under way: a keep-alive sent then
    // would take the place of the exchange's command and its reply would be lost.
    void resumePolling();
    void noteOutcome(SerialPort::OpenResult outcome);

    std::unique_ptr<SerialPort> m_port;
    qint16 m_scanPort = 0;
    qint16 m_silentTicks = 0;
    bool m_connected = false;
    qint16 m_lastCommand = 0;
    qint16 m_recordCount = 0;
    Protocol::OperatingMode m_operatingMode = Protocol::NoMode;
    Protocol::RunState m_runState = Protocol::Halted;
    // From the count request until the block is in, refused, abandoned or lost.
    bool m_storedReadActive = false;
    qint32 m_blockBytesExpected = 0;
    // Bytes of an abandoned block still on their way: taken off the line and dropped, never
    // decoded as replies to what was asked next.
    qint64 m_discardBytes = 0;
    // Reading requests sent whose answers have not been taken yet; 0 after any other command.
    int m_readingsOwed = 0;
    int m_missingInARow = 0; // ports in a row that do not exist
    bool m_noDeviceNoticed = false;
    bool m_permissionNoticed = false;

    QTimer *m_findcom = nullptr;
    QTimer *m_COMtimout = nullptr;
    QTimer *m_comunication = nullptr;
    QTimer *m_timer3 = nullptr;
    QTimer *m_timer4 = nullptr;
};
