// Soak: the window on the real serial path (Form1 over QtSerialPort, as the end-to-end rig builds
// it) against the simulated instrument at 9600 baud, for as long as asked, with a fault every few
// seconds, and now and then every core busy beside it. Checks that every lost link is found again
// in time and that no link is lost without a fault to explain it, that every reading shown is one
// the instrument sent, that every block that arrives whole is listed exactly, that memory stays
// flat after the warm-up and that the event loop never stalls. Prints one summary line on stdout,
// the events on stderr; exits 1 when a check failed.
#include "tst_e2e_window.h"

#include "app/listingview.h"
#include "core/listing.h"
#include "core/protocol.h"
#include "core/readout.h"
#include "instrument-sim/scenario.h"
#include "link/linksession.h"
#include "machine-load/machinelateness.h"
#include "machine-load/machineload.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTextStream>

#include <functional>
#include <limits>
#include <malloc.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define QUILLO_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLO_SOAK_ASAN 1
#endif
#endif
#ifdef QUILLO_SOAK_ASAN
// The sanitizer runtime's count of live heap bytes (GCC ships no header declaring it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

using namespace E2e;

namespace {

constexpr qint64 kMsNs = 1'000'000;
constexpr qint64 kNever = std::numeric_limits<qint64>::max();
// A lost link is found again within one discovery cycle (16 ports at 500 ms) and the tick that
// sees the answer.
constexpr qint64 kRecoveryBudgetNs = 8500 * kMsNs;
#ifdef QUILLO_SOAK_ASAN
// The sanitized build is unoptimised and instrumented, four times slower or more: its budget is
// the plain build's scaled alike (its run is there for the sanitizers' reports).
constexpr qint64 kStallBudgetNs = 4 * 50 * kMsNs;
#else
constexpr qint64 kStallBudgetNs = 50 * kMsNs;
#endif
constexpr qint64 kGrowthBudgetBytes = 1024 * 1024;
constexpr int kWatchdogMs = 10;
constexpr int kLargestBlock = 4681; // the most records a 16-bit block holds
const QString kReceiveOldData = QStringLiteral("receive old data");
const QString kReceiveError = QStringLiteral("receive error");

struct Options
{
    double minutes = 1;
    quint32 seed = 0;
};

QString seconds(qint64 ns)
{
    return QString::number(double(ns) / 1e9, 'f', 1) + QStringLiteral(" s");
}

QString megabytes(qint64 bytes)
{
    return (bytes >= 0 ? QStringLiteral("+") : QString())
           + QString::number(double(bytes) / double(1024 * 1024), 'f', 1) + QStringLiteral(" MB");
}

class Soak
{
public:
    explicit Soak(const Options &options);
    int run();

private:
    enum class ReadFault { None, BadCount, CableMidBlock, AdapterMidBlock };

    // Time the soak spends on its own checks inside the event loop; the watchdog leaves it out.
    class OwnTime
    {
    public:
        explicit OwnTime(Soak &soak)
            : m_soak(soak)
        {
            m_timer.start();
        }
        ~OwnTime() { m_soak.m_ownNs += m_timer.nsecsElapsed(); }

    private:
        Soak &m_soak;
        QElapsedTimer m_timer;
    };

    qint64 now() const { return m_clock.nsecsElapsed(); }
    qint64 remainingNs() const { return m_endNs - now(); }
    int randomIn(int low, int high) { return low + int(m_rng.bounded(quint32(high - low + 1))); }
    LinkSession &link() const { return m_rig.form->link(); }
    void log(const QString &line);
    void fail(const QString &what);

    // Runs the event loop, as the program's own would, until `done` holds or time is up.
    bool waitUntil(const std::function<bool()> &done, qint64 timeoutMs);
    void pause(int ms)
    {
        waitUntil([] { return false; }, ms);
    }
    // Up, and talking: no loss pending from a silence just ended.
    bool linkAlive() const;
    void awaitLink(const QString &after);

    // ---- Faults ----
    void episode();
    void instrumentGone();
    void instrumentBack();
    void pullCable();
    void plugCableIn();
    void pullAdapter();
    void plugAdapterIn();
    void garbageReplies(int ms);
    void lineNoise();
    void splitReplies(int ms);
    void nineByteBursts(int ms);
    int recordsToRead(qint64 budgetNs);
    void storedRead(ReadFault fault, int records);

    // ---- Checks ----
    void onLinkLost();
    void onLinkUp();
    void onCount();
    void onBlock(const QByteArray &block, qint16 count);
    void onReading(const QByteArray &reply);
    void noteShownTexts();
    void onWatchdog();
    void onSimCommand(int command);
    void onSimReplyWritten();
    qint64 memoryNow();

    Options m_options;
    QRandomGenerator m_rng;
    Rig m_rig;
    QElapsedTimer m_clock;
    qint64 m_endNs = 0;
    qint64 m_warmupNs = 0;
    QTextStream m_err{stderr};
    QStringList m_failures;
    bool m_stuck = false;

    // Recovery: from the later of the link lost and the instrument able to answer again.
    bool m_down = false;
    qint64 m_lostAtNs = 0;
    qint64 m_readyAtNs = 0; // kNever while unplugged or answering with noise
    // The first command after the instrument is back, until its reply has left: a reply that
    // leaves late shows the instrument answering only then.
    bool m_probing = false;
    qint64 m_probeCommandAtNs = -1;
    int m_recoveries = 0;
    qint64 m_longestRecoveryNs = 0;
    int m_heldBack = 0;
    int m_faults = 0;
    int m_largestRead = kLargestBlock; // set by the first read, within the warm-up
    int m_comPort = 1;

    // Blocks: what the instrument holds, and the flag the listing starts from.
    QByteArray m_stored;
    qint64 m_transferEndedAtNs = -1; // the block taken off the line, the listing next
    qint64 m_blockStartBytes = 0;    // the simulator's bytes written when the block was asked for
    quint8 m_singleValueBefore = 0;
    int m_blocks = 0;
    int m_exactBlocks = 0;
    int m_reads = 0;
    int m_cleanReadsFailed = 0;
    int m_repliesTaken = 0; // receive notifications the link has handled

    // Readings: what the readouts showed before the latest one, and until when line noise
    // injected by a fault may still be taken into a reading.
    QString m_shownMain;
    QString m_shownSecond;
    quint8 m_shownSingleValue = 0;
    qint64 m_noiseUntilNs = -1;
    int m_readings = 0;
    int m_wrongReadings = 0;

    // Losses: a fault that silences the instrument explains a loss until a little after it ends.
    bool m_lossesCount = false; // from the first link up
    qint64 m_lossExplainedUntilNs = -1;
    int m_unprovokedLosses = 0;

    // Spells of every core spinning, beside whatever else goes on.
    MachineLoad m_load;

    // Watchdog.
    QTimer m_watchdog;
    MachineLateness m_machine;
    qint64 m_longestMachineStallNs = 0;
    qint64 m_lastTickNs = -1;
    MachineLateness::ThreadTimes m_lastTimes;
    qint64 m_ownNs = 0;
    qint64 m_longestStallNs = 0;
    QString m_activity = QStringLiteral("start");

    qint64 m_baselineBytes = -1;
};

Soak::Soak(const Options &options)
    : m_options(options)
    , m_rng(options.seed)
{
    m_clock.start();
    m_endNs = qint64(options.minutes * 60e9);
    // Runs of a few minutes warm up for 20 s; longer ones for the first minute.
    m_warmupNs = options.minutes < 3 ? 20'000 * kMsNs : 60'000 * kMsNs;
}

void Soak::log(const QString &line)
{
    m_err << QStringLiteral("[%1] ").arg(double(now()) / 1e9, 7, 'f', 2) << line << "\n";
    m_err.flush();
}

void Soak::fail(const QString &what)
{
    log(QStringLiteral("FAILED: ") + what);
    m_failures.append(what);
}

bool Soak::waitUntil(const std::function<bool()> &done, qint64 timeoutMs)
{
    if (done())
        return true;
    QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired())
            loop.quit();
    });
    poll.start();
    loop.exec();
    return done();
}

bool Soak::linkAlive() const
{
    return !m_down && m_rig.link() == kConnected && link().connected() && link().silentTicks() == 0;
}

void Soak::awaitLink(const QString &after)
{
    // A silence just ended may still be called a loss (five ticks); a lost link comes back within
    // a discovery cycle of the instrument answering. Twice that, and the link counts as not
    // found again. Counted from the instrument answering: a reply it holds back does not count
    // against the program until it leaves (though never for more than a minute).
    const qint64 graceNs = 2 * 2500 * kMsNs + 2 * kRecoveryBudgetNs;
    const qint64 hardLimitMs = 60'000 + graceNs / kMsNs;
    const qint64 calledAtNs = now();
    const auto overdue = [&] {
        if (m_probing && m_probeCommandAtNs >= 0)
            return false; // asked, not answered yet
        const qint64 ready = m_readyAtNs == kNever ? now() : m_readyAtNs;
        const qint64 from = qMax(qMax(calledAtNs, ready), m_down ? m_lostAtNs : 0);
        return now() - from > graceNs;
    };
    waitUntil([&] { return linkAlive() || overdue(); }, hardLimitMs);
    if (linkAlive())
        return;
    fail(QStringLiteral("no link %1 after %2 (%3)").arg(seconds(graceNs), after, m_rig.link()));
    if (!waitUntil([this] { return linkAlive(); }, qMax<qint64>(0, remainingNs() / kMsNs)))
        m_stuck = true;
}

// ---- Faults ----

void Soak::instrumentGone()
{
    m_readyAtNs = kNever;
    m_probing = false;
    m_lossExplainedUntilNs = kNever;
}

void Soak::instrumentBack()
{
    m_readyAtNs = now();
    // A silence just ended may still be called a loss: five ticks, and as long again.
    m_lossExplainedUntilNs = now() + 2 * 2500 * kMsNs;
    m_probing = true;
    m_probeCommandAtNs = -1;
}

void Soak::onSimCommand(int command)
{
    if (command == Protocol::BlockRequest)
        m_blockStartBytes = m_rig.sim.bytesWritten();
    if (!m_probing || m_probeCommandAtNs >= 0)
        return;
    if (command == Protocol::BlockRequest)
        m_probing = false; // its reply takes as long as the block: no measure of promptness
    else if (command != Protocol::EndOfLink && command != Protocol::ModeSwitch)
        m_probeCommandAtNs = now();
}

void Soak::onSimReplyWritten()
{
    if (!m_probing || m_probeCommandAtNs < 0)
        return;
    m_probing = false;
    // A short reply leaves within milliseconds. One held back for longer (after a block cut
    // short, the simulator keeps to the schedule the whole block would have had) means the
    // instrument answered again only now.
    const qint64 latency = now() - m_probeCommandAtNs;
    if (latency > 250 * kMsNs) {
        ++m_heldBack;
        m_readyAtNs = now();
        log(QStringLiteral("  the instrument held its reply back for %1").arg(seconds(latency)));
    }
}

void Soak::pullCable()
{
    InstrumentSim &sim = m_rig.sim;
    // The line goes quiet at once, in the middle of a reply too: silence alone lets a reply on
    // its way finish, so what is still queued is cut after no more bytes.
    if (sim.bytesQueued() > 0)
        sim.faults().cutAfterBytes = 0;
    sim.setSilent(true);
    instrumentGone();
}

void Soak::plugCableIn()
{
    m_rig.sim.faults().cutAfterBytes = -1;
    m_rig.sim.setSilent(false);
    instrumentBack();
}

void Soak::pullAdapter()
{
    m_rig.sim.vanish();
    instrumentGone();
}

void Soak::plugAdapterIn()
{
    // Back as a new device, at the same port number or, now and then, another one.
    if (!m_rig.sim.open()) {
        fail(QStringLiteral("no pseudo-terminal for the instrument"));
        m_stuck = true;
        return;
    }
    if (m_rng.bounded(2) == 0)
        m_comPort = randomIn(1, 16);
    *m_rig.ports = QStringList(16, kMissing);
    (*m_rig.ports)[m_comPort - 1] = m_rig.sim.slavePath();
    log(QStringLiteral("  plugged in again as COM%1").arg(m_comPort));
    instrumentBack();
}

void Soak::garbageReplies(int ms)
{
    // Noise instead of every reply: the line is alive but no handshake can be understood.
    m_rig.sim.faults().garbage = true;
    instrumentGone();
    pause(ms);
    m_rig.sim.faults().garbage = false;
    instrumentBack();
}

void Soak::lineNoise()
{
    const int bursts = randomIn(2, 8);
    for (int i = 0; i < bursts; ++i) {
        m_rig.sim.injectGarbage(randomIn(1, 20));
        // Noise that came after a request joins its reply: the readings taken until it is on the
        // line and a poll or two later are not the program's misreads.
        m_noiseUntilNs = now() + m_rig.sim.bytesQueued() * InstrumentSim::kByteNs + 2000 * kMsNs;
        pause(randomIn(50, 700));
    }
}

void Soak::splitReplies(int ms)
{
    m_rig.sim.faults().splitGapMs = randomIn(2, 15);
    pause(ms);
    m_rig.sim.faults().splitGapMs = 0;
}

void Soak::nineByteBursts(int ms)
{
    m_rig.sim.faults().burst9 = true;
    pause(ms);
    m_rig.sim.faults().burst9 = false;
}

int Soak::recordsToRead(qint64 budgetNs)
{
    // Now and then none, now and then the largest block, mostly some hundreds; never more than
    // fits in the time left.
    const int pick = int(m_rng.bounded(10));
    int records = pick == 0   ? 0
                  : pick == 1 ? kLargestBlock
                  : pick < 6  ? randomIn(1, 300)
                              : randomIn(300, kLargestBlock);
    const qint64 fits = qMax<qint64>(0, budgetNs) / (7 * InstrumentSim::kByteNs);
    return int(qBound(qint64(0), qint64(records), qMin<qint64>(fits, m_largestRead)));
}

void Soak::storedRead(ReadFault fault, int records)
{
    InstrumentSim &sim = m_rig.sim;
    Form1 &form = *m_rig.form;
    const quint32 seed = m_rng.generate();
    m_stored = Sim::storedRecords(records, seed);
    sim.setStoredBlock(m_stored);
    ++m_reads;
    static const char *const names[]
            = {"", ", bad count reply", ", cable pulled mid-block", ", adapter pulled mid-block"};
    log(QStringLiteral("read %1 records (seed %2)%3")
                .arg(records)
                .arg(seed)
                .arg(QLatin1String(names[int(fault)])));

    form.Option2_Click();
    noteShownTexts();
    // "Read" pressed just after a keep-alive answer was taken, so that no answer is on its way
    // to come ahead of the count reply: the next keep-alive is half a second off. (The line
    // alone cannot tell: on a busy machine bytes the simulator has written can still be in the
    // kernel.)
    const int taken = m_repliesTaken;
    waitUntil(
            [&] {
                return m_repliesTaken > taken && link().lastCommand() == Protocol::Handshake;
            },
            2 * 1000);
    if (fault == ReadFault::BadCount)
        sim.faults().badCount = true;
    const qint64 blockMs = qint64(records) * 7 * InstrumentSim::kByteNs / kMsNs;
    form.Command4_Click();

    const auto over = [&] {
        const QString status = m_rig.status();
        return status == kReceiveOldData || status == kReceiveError || m_down;
    };
    if ((fault == ReadFault::CableMidBlock || fault == ReadFault::AdapterMidBlock) && records > 0) {
        // Somewhere in the block: after the count, a random part of the block's time.
        const bool counted = waitUntil(
                [&] {
                    return m_rig.status() == QStringLiteral("Save num:%1").arg(records) || over();
                },
                2000);
        if (counted && !over()) {
            pause(int(blockMs * randomIn(5, 95) / 100));
            log(QStringLiteral("  pulled %1 of %2 bytes into the block")
                        .arg(sim.bytesWritten() - m_blockStartBytes)
                        .arg(m_stored.size()));
            const bool cable = fault == ReadFault::CableMidBlock;
            if (cable)
                pullCable();
            else
                pullAdapter();
            pause(randomIn(300, 6000));
            if (cable)
                plugCableIn();
            else
                plugAdapterIn();
        }
    } else {
        const bool ended = waitUntil(over, 2 * (blockMs + 1000));
        if (fault == ReadFault::None && (!ended || m_rig.status() != kReceiveOldData)) {
            ++m_cleanReadsFailed;
            fail(QStringLiteral("a read without fault ended with \"%1\" (%2)")
                         .arg(m_rig.status(), m_rig.link()));
        }
    }
    sim.faults().badCount = false;
    if (fault == ReadFault::BadCount && m_rig.status() == kReceiveError) {
        // The read ends there and polling stays off: the link goes quiet and is found again.
        m_lossExplainedUntilNs = now() + 2 * 2 * 2500 * kMsNs;
        waitUntil([this] { return m_down; }, 2 * 2500);
    }
    awaitLink(QStringLiteral("a read"));
    form.Option1_Click();
    form.Command1_Click();
}

void Soak::episode()
{
    // The first is a read of the largest block the run will read, over within the warm-up: the
    // heap then has held the longest listing before the baseline is taken, and a later, longer
    // listing cannot pass for growth.
    if (m_faults++ == 0) {
        const qint64 fits
                = qMax<qint64>(0, m_warmupNs - 4000 * kMsNs) / (7 * InstrumentSim::kByteNs);
        m_largestRead = int(qMin<qint64>(kLargestBlock, fits));
        storedRead(ReadFault::None, m_largestRead);
        return;
    }
    const int pick = int(m_rng.bounded(100));
    if (pick < 18) {
        const int ms = randomIn(300, 8000);
        log(QStringLiteral("cable pulled for %1 ms").arg(ms));
        pullCable();
        pause(ms);
        plugCableIn();
    } else if (pick < 32) {
        const int ms = randomIn(300, 8000);
        log(QStringLiteral("adapter pulled for %1 ms").arg(ms));
        pullAdapter();
        pause(ms);
        plugAdapterIn();
    } else if (pick < 42) {
        const int ms = randomIn(1000, 5000);
        log(QStringLiteral("noise instead of replies for %1 ms").arg(ms));
        garbageReplies(ms);
    } else if (pick < 50) {
        log(QStringLiteral("noise bursts on the line"));
        lineNoise();
    } else if (pick < 58) {
        const int ms = randomIn(1000, 5000);
        log(QStringLiteral("split replies for %1 ms").arg(ms));
        splitReplies(ms);
    } else if (pick < 66) {
        const int ms = randomIn(1000, 5000);
        log(QStringLiteral("nine-byte bursts for %1 ms").arg(ms));
        nineByteBursts(ms);
    } else {
        // A read, sometimes refused by a bad count or cut off by an unplug.
        const int kind = int(m_rng.bounded(10));
        const ReadFault fault = kind == 0  ? ReadFault::BadCount
                                : kind < 3 ? ReadFault::CableMidBlock
                                : kind < 5 ? ReadFault::AdapterMidBlock
                                           : ReadFault::None;
        // A read never runs past the end, and in a short run leaves room for other faults.
        storedRead(fault, recordsToRead(qMin(remainingNs() - 5000 * kMsNs, m_endNs / 3)));
    }
}

// ---- Checks ----

void Soak::onLinkLost()
{
    // The supervision says so again every five ticks while the search runs: the first counts.
    if (m_down)
        return;
    m_down = true;
    m_lostAtNs = now();
    log(QStringLiteral("  link lost"));
    if (m_lossesCount && now() > m_lossExplainedUntilNs) {
        ++m_unprovokedLosses;
        fail(QStringLiteral("link lost with no fault to explain it (during: %1%2)")
                     .arg(m_activity, m_load.busy() ? QStringLiteral(", machine busy") : QString()));
    }
}

void Soak::onLinkUp()
{
    if (!m_down)
        return;
    m_down = false;
    const qint64 from = qMax(m_lostAtNs, m_readyAtNs);
    const qint64 took = from == kNever ? 0 : qMax<qint64>(0, now() - from);
    ++m_recoveries;
    m_longestRecoveryNs = qMax(m_longestRecoveryNs, took);
    log(QStringLiteral("  found again as %1 after %2").arg(m_rig.opened(), seconds(took)));
    if (m_rig.link() != kConnected)
        fail(QStringLiteral("link up, but Label2 says \"%1\"").arg(m_rig.link()));
    if (took > kRecoveryBudgetNs)
        fail(QStringLiteral("recovery took %1 (%2 allowed)")
                     .arg(seconds(took), seconds(kRecoveryBudgetNs)));
}

void Soak::onCount()
{
    m_singleValueBefore = m_rig.form->measure().singleValue;
    m_transferEndedAtNs = -1;
}

void Soak::onBlock(const QByteArray &block, qint16 count)
{
    // The window has just built and shown the listing (its handler comes first).
    const qint64 listedAtNs = now();
    const OwnTime own(*this);
    ++m_blocks;
    if (count < 0 || block.size() < qsizetype(count) * 7) {
        log(QStringLiteral("  block of %1 bytes for %2 records: not whole")
                    .arg(block.size())
                    .arg(count));
        return;
    }
    const Listing::Result expected
            = Listing::build(reinterpret_cast<const std::uint8_t *>(m_stored.constData()),
                             m_stored.size(),
                             int(m_stored.size() / 7),
                             m_singleValueBefore);
    const QString shown = ListingView::text(*m_rig.form->ui().RichTextBox1);
    if (count == m_stored.size() / 7 && block.left(qsizetype(count) * 7) == m_stored
        && shown == expected.text) {
        ++m_exactBlocks;
        log(QStringLiteral("  block of %1 records listed exactly%2")
                    .arg(count)
                    .arg(m_transferEndedAtNs < 0
                                 ? QString()
                                 : QStringLiteral(" (in %1 ms)")
                                           .arg((listedAtNs - m_transferEndedAtNs) / kMsNs)));
        return;
    }
    const QStringList want = expected.text.split(QStringLiteral("\r\n"));
    const QStringList got = shown.split(QStringLiteral("\r\n"));
    qsizetype line = 0;
    while (line < want.size() && line < got.size() && want.at(line) == got.at(line))
        ++line;
    fail(QStringLiteral("block of %1 records (instrument sent %2, %3 bytes came): listing line %4 "
                        "is \"%5\", expected \"%6\"")
                 .arg(count)
                 .arg(m_stored.size() / 7)
                 .arg(block.size())
                 .arg(line + 1)
                 .arg(got.value(line), want.value(line)));
}

void Soak::noteShownTexts()
{
    m_shownMain = m_rig.form->ui().Label7->text();
    m_shownSecond = m_rig.form->ui().Label25->text();
    m_shownSingleValue = m_rig.form->measure().singleValue;
}

void Soak::onReading(const QByteArray &reply)
{
    // The window has just shown it (its handler comes first): the texts before it were noted.
    const OwnTime own(*this);
    Realtime::ReadoutContext context;
    context.singleValue = m_shownSingleValue;
    context.secondText = m_shownSecond;
    noteShownTexts();
    const QByteArray reading = reply.left(7);
    const Realtime::Readout r = Realtime::decodeReply(reading, context);
    if (!r.complete)
        return;
    ++m_readings;
    const bool wasSent = m_rig.sim.sentReading(reading);
    const QString bytes = QString::fromLatin1(reply.toHex(' '));
    const QString shown = QStringLiteral("\"%1\" \"%2\"").arg(m_shownMain, m_shownSecond);
    if (!wasSent && now() < m_noiseUntilNs) {
        log(QStringLiteral("  reading %1 taken with line noise, shown as %2").arg(bytes, shown));
        return;
    }
    if (wasSent && m_shownMain == r.mainText && m_shownSecond == r.secondText)
        return;
    ++m_wrongReadings;
    if (wasSent)
        fail(QStringLiteral("reading %1 shown as %2, not \"%3\" \"%4\"")
                     .arg(bytes, shown, r.mainText, r.secondText));
    else
        fail(QStringLiteral("a reading the instrument never sent: %1 shown as %2").arg(bytes, shown));
}

void Soak::onWatchdog()
{
    const qint64 tick = now();
    const MachineLateness::ThreadTimes times = MachineLateness::threadTimes();
    const bool known = times.waitNs >= 0 && m_lastTimes.waitNs >= 0;
    const qint64 machine = qMax(m_machine.takeLongestNs(),
                                known ? times.waitNs - m_lastTimes.waitNs : 0);
    const qint64 work = known ? times.runNs - m_lastTimes.runNs - m_ownNs : -1;
    m_lastTimes = times;
    if (m_lastTickNs >= 0) {
        const qint64 gap = tick - m_lastTickNs - m_ownNs - kWatchdogMs * kMsNs;
        const qint64 stall = gap - machine;
        m_longestMachineStallNs = qMax(m_longestMachineStallNs, machine);
        const QString what
                = QStringLiteral("event loop stalled %1 ms (the machine %2 ms, at work %3 ms; "
                                 "during: %4)")
                          .arg(stall / kMsNs)
                          .arg(machine / kMsNs)
                          .arg(work < 0 ? QStringLiteral("?") : QString::number(work / kMsNs))
                          .arg(m_activity);
        m_longestStallNs = qMax(m_longestStallNs, stall);
        if (stall > kStallBudgetNs)
            fail(what);
        else if (gap > kStallBudgetNs / 2)
            log(QStringLiteral("  ") + what);
    }
    m_ownNs = 0;
    m_lastTickNs = now();
}

qint64 Soak::memoryNow()
{
    const OwnTime own(*this);
    // Measured with the listing emptied, so a longer listing on screen at the end is not taken
    // for growth, and with freed memory handed back to the system.
    ListingView::replace(*m_rig.form->ui().RichTextBox1, Listing::startText());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
#ifdef QUILLO_SOAK_ASAN
    // Under AddressSanitizer the resident size is mostly its quarantine of freed blocks: count
    // the live heap instead.
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    ::malloc_trim(0);
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * ::sysconf(_SC_PAGESIZE) : -1;
#endif
}

int Soak::run()
{
    log(QStringLiteral("soak for %1 min, seed %2 (--seed %2 repeats the faults)")
                .arg(m_options.minutes)
                .arg(m_options.seed));
    if (!m_rig.sim.open()) {
        m_err << "soak: cannot create a pseudo-terminal\n";
        return 1;
    }
    m_comPort = randomIn(1, 4);
    *m_rig.ports = QStringList(16, kMissing);
    (*m_rig.ports)[m_comPort - 1] = m_rig.sim.slavePath();
    m_rig.sim.setPaced(true);
    m_rig.start();
    Form1 &form = *m_rig.form;
    form.show();

    QObject::connect(&link(), &LinkSession::linkLost, &form, [this] { onLinkLost(); });
    QObject::connect(&link(), &LinkSession::linkUp, &form, [this] { onLinkUp(); });
    QObject::connect(&link(), &LinkSession::countReceived, &form, [this] { onCount(); });
    QObject::connect(
            &link(), &LinkSession::transferEnded, &form, [this] { m_transferEndedAtNs = now(); });
    QObject::connect(&link(),
                     &LinkSession::blockReceived,
                     &form,
                     [this](const QByteArray &block, qint16 count) { onBlock(block, count); });
    QObject::connect(&link(),
                     &LinkSession::readingReceived,
                     &form,
                     [this](const QByteArray &reply) { onReading(reply); });
    noteShownTexts();
    QObject::connect(&link().MSComm1(), &SerialPort::OnComm, &form, [this] { ++m_repliesTaken; });
    QObject::connect(&m_rig.sim, &InstrumentSim::commandReceived, &form, [this](int command) {
        onSimCommand(command);
    });
    QObject::connect(
            &m_rig.sim, &InstrumentSim::replyWritten, &form, [this] { onSimReplyWritten(); });
    m_watchdog.setTimerType(Qt::PreciseTimer);
    m_watchdog.setInterval(kWatchdogMs);
    QObject::connect(&m_watchdog, &QTimer::timeout, &form, [this] { onWatchdog(); });
    m_watchdog.start();

    awaitLink(QStringLiteral("start-up"));
    m_lossesCount = true;
    m_load.startSpells(m_options.seed);
    while (!m_stuck && remainingNs() > 0) {
        if (m_baselineBytes < 0 && now() >= m_warmupNs) {
            m_baselineBytes = memoryNow();
            log(QStringLiteral("warm-up over: %1 bytes").arg(m_baselineBytes));
        }
        m_activity = QStringLiteral("fault %1").arg(m_faults + 1);
        episode();
        m_activity = QStringLiteral("recovery after fault %1").arg(m_faults);
        awaitLink(QStringLiteral("fault %1").arg(m_faults));
        m_activity = QStringLiteral("quiet time after fault %1").arg(m_faults);
        pause(randomIn(500, 3000));
    }
    m_watchdog.stop();
    m_load.stop();
    const qint64 endBytes = memoryNow();
    log(QStringLiteral("end: %1 bytes").arg(endBytes));
    const qint64 growth = m_baselineBytes < 0 || endBytes < 0 ? 0 : endBytes - m_baselineBytes;
    if (m_baselineBytes < 0)
        fail(QStringLiteral("the run ended before its warm-up did"));
    else if (growth > kGrowthBudgetBytes)
        fail(QStringLiteral("memory grew %1 after the warm-up").arg(megabytes(growth)));
    if (m_heldBack > 0)
        log(QStringLiteral("%1 times the instrument held its first reply back when it was back")
                    .arg(m_heldBack));
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM"))
                log(QStringLiteral("peak resident size: ")
                    + QString::fromLatin1(line.mid(6).trimmed()));
        }
    }
    log(QStringLiteral("longest the machine held the event loop back: %1 ms")
                .arg(m_longestMachineStallNs / kMsNs));
    if (m_cleanReadsFailed > 0)
        log(QStringLiteral("%1 of %2 reads without a fault got no block")
                    .arg(m_cleanReadsFailed)
                    .arg(m_reads));
    m_rig.stop();

#ifdef QUILLO_SOAK_ASAN
    const QString memory = QStringLiteral("heap");
#else
    const QString memory = QStringLiteral("memory");
#endif
    QString summary = QStringLiteral("soak: %1 min, %2 faults, %3 recoveries (longest %4), %5 "
                                     "blocks (%6 exact), readings %7 (%8 wrong), unprovoked "
                                     "losses %9, machine busy %10 times, %11 %12 after warm-up "
                                     "(%13 s), longest stall %14 ms")
                              .arg(m_options.minutes)
                              .arg(m_faults)
                              .arg(m_recoveries)
                              .arg(seconds(m_longestRecoveryNs))
                              .arg(m_blocks)
                              .arg(m_exactBlocks)
                              .arg(m_readings)
                              .arg(m_wrongReadings)
                              .arg(m_unprovokedLosses)
                              .arg(m_load.spells())
                              .arg(memory, megabytes(growth))
                              .arg(m_warmupNs / 1'000'000'000)
                              .arg(m_longestStallNs / kMsNs);
    if (!m_failures.isEmpty())
        summary += QStringLiteral(" -- FAILED (%1): %2 (seed %3)")
                           .arg(m_failures.size())
                           .arg(m_failures.constFirst())
                           .arg(m_options.seed);
    QTextStream(stdout) << summary << "\n";
    return m_failures.isEmpty() ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
            QStringLiteral("Runs the window against the simulated instrument with faults at "
                           "random and checks it holds up."));
    parser.addHelpOption();
    const QCommandLineOption minutesOpt(QStringLiteral("minutes"),
                                        QStringLiteral("How long to run (default 1)."),
                                        QStringLiteral("m"),
                                        QStringLiteral("1"));
    const QCommandLineOption seedOpt(QStringLiteral("seed"),
                                     QStringLiteral("Seed of the faults (default: from the time)."),
                                     QStringLiteral("n"));
    parser.addOptions({minutesOpt, seedOpt});
    parser.process(app);

    Options options;
    bool ok = false;
    options.minutes = parser.value(minutesOpt).toDouble(&ok);
    if (!ok || options.minutes <= 0) {
        QTextStream(stderr) << "soak: --minutes wants a positive number\n";
        return 2;
    }
    options.seed = parser.isSet(seedOpt) ? parser.value(seedOpt).toUInt()
                                         : quint32(QDateTime::currentMSecsSinceEpoch());
    Soak soak(options);
    return soak.run();
}
