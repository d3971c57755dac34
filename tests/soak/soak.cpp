// Soak: the window on the real serial path (Form1 over QtSerialPort, as the end-to-end rig builds
// it) against the simulated instrument at 9600 baud, for as long as asked, with a fault every few
// seconds, and now and then every core busy beside it. A fault plan plays the faults; monitors
// check that every lost link is found again in time and that no link is lost without a fault to
// explain it, that every reading shown is one the instrument sent, that every block that arrives
// whole is listed exactly, that memory stays flat after the warm-up and that the event loop never
// stalls. Prints one summary line on stdout, the events on stderr; exits 1 when a check failed.
#include "blockmonitor.h"
#include "faultplan.h"
#include "journal.h"
#include "memorymonitor.h"
#include "readiness.h"
#include "readingmonitor.h"
#include "recoverymonitor.h"
#include "stallmonitor.h"
#include "tst_e2e_window.h"

#include "machine-load/machineload.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>

using namespace Soak;

namespace {

struct Options
{
    double minutes = 1;
    quint32 seed = 0;
};

class Driver
{
public:
    explicit Driver(const Options &options);
    int run();

private:
    void connectMonitors();
    void playFaults();
    void printSummary(qint64 growth);

    Options m_options;
    E2e::Rig m_rig;
    Journal m_journal;
    InstrumentReadiness m_instrument{m_journal};
    RecoveryMonitor m_recovery{m_journal, m_rig, m_instrument};
    BlockMonitor m_blocks{m_journal, m_rig};
    ReadingMonitor m_readings{m_journal, m_rig};
    MemoryMonitor m_memory{m_journal, m_rig, m_options.minutes};
    StallMonitor m_stalls{m_journal};
    FaultPlan m_plan;
    // Spells of every core spinning, beside whatever else goes on.
    MachineLoad m_load;
};

Driver::Driver(const Options &options)
    : m_options(options)
    , m_journal(options.minutes)
    , m_plan(m_journal,
             m_rig,
             options.seed,
             m_instrument,
             m_recovery,
             m_blocks,
             m_readings,
             m_memory.warmupNs())
{}

void Driver::connectMonitors()
{
    // Connected after the window's own handlers, so each monitor sees what the window made of it.
    LinkSession &link = m_rig.form->link();
    QObject *const context = m_rig.form.get();
    QObject::connect(&link, &LinkSession::linkLost, context, [this] {
        m_recovery.onLinkLost(m_load.busy());
    });
    QObject::connect(&link, &LinkSession::linkUp, context, [this] { m_recovery.onLinkUp(); });
    QObject::connect(&link, &LinkSession::countReceived, context, [this] { m_blocks.onCount(); });
    QObject::connect(
            &link, &LinkSession::transferEnded, context, [this] { m_blocks.onTransferEnded(); });
    QObject::connect(&link,
                     &LinkSession::blockReceived,
                     context,
                     [this](const QByteArray &block, qint16 count) {
                         m_blocks.onBlock(block, count, m_readings.singleValue());
                         m_readings.onBlock(block, count);
                     });
    QObject::connect(&link, &LinkSession::readingReceived, context, [this](const QByteArray &r) {
        m_readings.onReading(r);
    });
    QObject::connect(&m_rig.sim, &InstrumentSim::commandReceived, context, [this](int command) {
        m_plan.onSimCommand(command);
        m_instrument.onSimCommand(command);
    });
    QObject::connect(&m_rig.sim, &InstrumentSim::replyWritten, context, [this] {
        m_instrument.onSimReplyWritten();
    });
}

void Driver::playFaults()
{
    while (!m_journal.stuck() && m_journal.remainingNs() > 0) {
        m_memory.onFaultDue();
        m_journal.setActivity(QStringLiteral("fault %1").arg(m_plan.faults() + 1));
        m_plan.episode();
        const int fault = m_plan.faults();
        m_journal.setActivity(QStringLiteral("recovery after fault %1").arg(fault));
        m_recovery.awaitLink(QStringLiteral("fault %1").arg(fault));
        m_journal.setActivity(QStringLiteral("quiet time after fault %1").arg(fault));
        m_plan.quietTime();
    }
}

int Driver::run()
{
    m_journal.log(QStringLiteral("soak for %1 min, seed %2 (--seed %2 repeats the faults)")
                          .arg(m_options.minutes)
                          .arg(m_options.seed));
    if (!m_plan.plugIn()) {
        QTextStream(stderr) << "soak: cannot create a pseudo-terminal\n";
        return 1;
    }
    m_rig.sim.setPaced(true);
    m_rig.start();
    m_rig.form->show();
    connectMonitors();
    m_stalls.start();

    m_recovery.awaitLink(QStringLiteral("start-up"));
    m_recovery.countLosses();
    m_load.startSpells(m_options.seed);
    playFaults();
    m_stalls.stop();
    m_load.stop();
    const qint64 growth = m_memory.finish();
    if (const int heldBack = m_instrument.heldBack(); heldBack > 0)
        m_journal.log(
                QStringLiteral("%1 times the instrument held its first reply back when it was back")
                        .arg(heldBack));
    m_journal.log(QStringLiteral("longest the machine held the event loop back: %1 ms")
                          .arg(m_stalls.longestMachineNs() / kMsNs));
    if (m_plan.reads().cleanReadsFailed() > 0)
        m_journal.log(QStringLiteral("%1 of %2 reads without a fault got no block")
                              .arg(m_plan.reads().cleanReadsFailed())
                              .arg(m_plan.reads().reads()));
    m_rig.stop();
    printSummary(growth);
    return m_journal.failures().isEmpty() ? 0 : 1;
}

void Driver::printSummary(qint64 growth)
{
    // scripts/soak and CI read this line: its words and order stay as they are.
    QString summary = QStringLiteral("soak: %1 min, %2 faults, %3 recoveries (longest %4), %5 "
                                     "blocks (%6 exact), readings %7 (%8 wrong), unprovoked "
                                     "losses %9, machine busy %10 times, %11 %12 after warm-up "
                                     "(%13 s), longest stall %14 ms")
                              .arg(m_options.minutes)
                              .arg(m_plan.faults())
                              .arg(m_recovery.recoveries())
                              .arg(seconds(m_recovery.longestNs()))
                              .arg(m_blocks.blocks())
                              .arg(m_blocks.exactBlocks())
                              .arg(m_readings.readings())
                              .arg(m_readings.wrongReadings())
                              .arg(m_recovery.unprovokedLosses())
                              .arg(m_load.spells())
                              .arg(MemoryMonitor::what(), megabytes(growth))
                              .arg(m_memory.warmupNs() / 1'000'000'000)
                              .arg(m_stalls.longestNs() / kMsNs);
    const QStringList &failures = m_journal.failures();
    if (!failures.isEmpty())
        summary += QStringLiteral(" -- FAILED (%1): %2 (seed %3)")
                           .arg(failures.size())
                           .arg(failures.constFirst())
                           .arg(m_options.seed);
    QTextStream(stdout) << summary << "\n";
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
    Driver driver(options);
    return driver.run();
}
