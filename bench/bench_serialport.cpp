// The serial port layer on a pseudo-terminal against the simulated instrument at 9600 baud:
//   burstToNotification  from the last byte of a nine-byte burst on the line to its one OnComm
//                        (goal: at most 5 ms), over 300 bursts;
//   pacedBlock           a full instrument's block (4681 records, 32767 bytes, 34 s on the line)
//                        read with one threshold: memory growth (goal: at most 2 MB) and CPU use
//                        (goal: at most 3 % of a core) of this process; the simulator runs as its
//                        own program, so only the port's work is counted;
//   stalledLine          a command written and the transmit queue emptied on a line that does not
//                        drain: how long the window thread is held (goal: a few ms at most).
#include "core/linkprofile.h"
#include "core/protocol.h"
#include "fakes/waitfor.h"
#include "instrument-sim/instrumentsim.h"
#include "platform/portmap.h"
#include "platform/qtserialport.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <pty.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

// A field of /proc/self/status in kB ("VmRSS", "VmHWM").
qint64 statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Peak memory counts from here on (Linux: 5 to clear_refs resets VmHWM).
void resetPeakMemory()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

qint64 cpuNs()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1'000'000'000LL
           + (qint64(usage.ru_utime.tv_usec) + usage.ru_stime.tv_usec) * 1000LL;
}

double percentile(std::vector<qint64> samples, int pct)
{
    std::sort(samples.begin(), samples.end());
    return samples[std::min(samples.size() - 1, samples.size() * size_t(pct) / 100)] / 1e6;
}

void command(SerialPort &port, int byte, int threshold)
{
    port.setRThreshold(threshold);
    port.output(QByteArray(1, char(byte)));
    port.clearInBuffer();
    port.clearOutBuffer();
}

} // namespace

class BenchSerialPort : public QObject
{
    Q_OBJECT

private slots:
    void burstToNotification();
    void pacedBlock();
    void stalledLine();
};

void BenchSerialPort::burstToNotification()
{
    InstrumentSim sim;
    QVERIFY(sim.open());
    sim.faults().burst9 = true;
    const QByteArray reply = Sim::makeRecord(4, 1234, 0, 0, 5);
    sim.realtime().setScript({reply});
    QtSerialPort port(PortMap(QStringList{sim.slavePath()}));
    QCOMPARE(port.openPort(), SerialPort::Opened);

    QElapsedTimer clock;
    clock.start();
    qint64 lastByteNs = -1;
    qint64 notifiedNs = -1;
    QByteArray taken;
    connect(&sim, &InstrumentSim::replyWritten, this, [&] { lastByteNs = clock.nsecsElapsed(); });
    connect(&port, &SerialPort::OnComm, this, [&] {
        notifiedNs = clock.nsecsElapsed();
        taken = port.input();
    });

    std::vector<qint64> samples;
    int split = 0;
    int uneven = 0;
    for (int i = 0; i < 300; ++i) {
        lastByteNs = notifiedNs = -1;
        command(port, Protocol::ReadingRequest, LinkProfile::kReadingReplyBytes);
        QVERIFY(waitFor([&] { return notifiedNs >= 0 && lastByteNs >= 0; }, 2000));
        if (sim.lastReplyLongestGapNs() > InstrumentSim::kByteNs * 3 / 2) {
            ++uneven; // the simulator was not run in time: the line itself paused
            continue;
        }
        if (taken.size() != 9)
            ++split;
        samples.push_back(notifiedNs - lastByteNs);
    }
    QVERIFY(!samples.empty());
    qInfo("last byte of a 9-byte burst to OnComm over %zu even bursts: median %.3f ms, "
          "p99 %.3f ms, max %.3f ms (goal <= 5 ms); bursts split: %d; bursts the simulator "
          "paused in, left out: %d",
          samples.size(),
          percentile(samples, 50),
          percentile(samples, 99),
          percentile(samples, 100),
          split,
          uneven);
    QCOMPARE(split, 0);
}

void BenchSerialPort::pacedBlock()
{
#ifndef QUILLO_SIM_PROGRAM
    QSKIP("the simulator program is not built");
#else
    constexpr int kRecords = 4681;
    const int blockBytes = Protocol::blockBytes(kRecords);
    QProcess sim;
    sim.start(QStringLiteral(QUILLO_SIM_PROGRAM),
              {QStringLiteral("--records"), QString::number(kRecords)});
    QVERIFY(sim.waitForStarted());
    QVERIFY(waitFor([&] { return sim.canReadLine(); }, 5000));
    const QString slave = QString::fromLocal8Bit(sim.readLine().trimmed().split(' ').value(0));

    QtSerialPort port(PortMap(QStringList{slave}));
    QCOMPARE(port.openPort(), SerialPort::Opened);
    QByteArray taken;
    qint64 arrivals = 0;
    connect(&port, &SerialPort::OnComm, this, [&] { taken = port.input(); });
    connect(&port, &SerialPort::bytesArrived, this, [&] { ++arrivals; });
    // Warm up the path once with the count request, as the program does before the block.
    command(port, Protocol::CountRequest, LinkProfile::kCountReplyBytes);
    QVERIFY(waitFor([&] { return taken.size() == 4; }, 2000));
    taken.clear();

    const qint64 rssBefore = statusKb("VmRSS");
    resetPeakMemory();
    const qint64 cpuBefore = cpuNs();
    QElapsedTimer wall;
    wall.start();
    // Nothing but the port runs meanwhile: the notification itself ends the loop.
    QEventLoop loop;
    connect(&port, &SerialPort::OnComm, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    command(port, Protocol::BlockRequest, blockBytes);
    loop.exec();
    const qint64 wallNs = wall.nsecsElapsed();
    const qint64 cpu = cpuNs() - cpuBefore;
    const qint64 peak = statusKb("VmHWM");
    const qint64 rssAfter = statusKb("VmRSS");
    QCOMPARE(taken.size(), blockBytes);

    qInfo("paced block of %d bytes in %.1f s, %lld arrivals: CPU %.2f %% of a core (goal <= 3 %%); "
          "memory growth %.2f MB at the peak, %.2f MB after (goal <= 2 MB)",
          blockBytes,
          wallNs / 1e9,
          arrivals,
          100.0 * double(cpu) / double(wallNs),
          (peak - rssBefore) / 1024.0,
          (rssAfter - rssBefore) / 1024.0);
    port.closePort();
    sim.terminate();
    sim.waitForFinished(2000);
#endif
}

void BenchSerialPort::stalledLine()
{
    // The other side of the pseudo-terminal reads nothing: once full, the line does not drain.
    int master = -1;
    int slave = -1;
    char name[256] = {};
    QCOMPARE(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    QtSerialPort port(PortMap(QStringList{QString::fromLocal8Bit(name)}));
    QCOMPARE(port.openPort(), SerialPort::Opened);
    port.output(QByteArray(64 * 1024, '\x11'));
    std::vector<qint64> samples;
    QElapsedTimer clock;
    for (int i = 0; i < 200; ++i) {
        clock.start();
        command(port, Protocol::ReadingRequest, LinkProfile::kReadingReplyBytes);
        samples.push_back(clock.nsecsElapsed());
    }
    // Closing: settling time for the last command, then the queue that cannot leave is dropped.
    QThread::msleep(10);
    clock.start();
    port.closePort();
    const qint64 closeNs = clock.nsecsElapsed();
    qInfo("command on a line that does not drain: median %.3f ms, max %.3f ms; closing the port "
          "%.3f ms after the command had its settling time (goal: a few ms at most)",
          percentile(samples, 50),
          percentile(samples, 100),
          closeNs / 1e6);
    ::close(master);
    ::close(slave);
}

QTEST_GUILESS_MAIN(BenchSerialPort)
#include "bench_serialport.moc"
