// The inspection report of a full instrument, 4681 stored records: drawn in the program, and
// made by `quillobarent-cli report` from an archive on disk, start to exit (goal: under 2 s).
// QUILLO_REPORT_KEEP=FILE.pdf keeps the command line's PDF for a look.
#include "archive/archivestore.h"
#include "core/report.h"
#include "draw/reportpdf.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

constexpr int kRecords = 4681;

// A site's worth of readings: resistances around 10 to 30 Ω in three ranges with now and then
// an over range, an under range or an error; currents and voltages between them.
Archive::Entry fullEntry()
{
    Archive::Entry e;
    e.takenAt = QDateTime::currentDateTime();
    e.port = QStringLiteral("COM1");
    e.device = QStringLiteral("/dev/ttyUSB0");
    e.program = QStringLiteral("quillobarent");
    e.computer = QStringLiteral("bench");
    e.note = QStringLiteral("Substation 7, ring electrode (bench)");
    e.recordCount = kRecords;
    for (int i = 0; i < kRecords; ++i) {
        const int counts = 800 + (i * 37) % 2400; // 8.00 to 31.99 Ω in range 2
        char r[Record::kBytes] = {2,
                                  char(counts / 100),
                                  char(counts % 100),
                                  2,
                                  char(i % 24),
                                  char(i % 60),
                                  char(i % 60)};
        if (i % 50 == 7)
            r[3] = char(9); // ERROR
        else if (i % 50 == 19)
            r[0] = 3, r[3] = char(4); // a current
        else if (i % 50 == 31)
            r[0] = 4; // a voltage
        else if (i % 50 == 43)
            r[1] = 15, r[2] = 0, r[3] = 4; // 0L
        else if (i % 3 == 0)
            r[0] = 1, r[6] = char(5); // resistance and a current in range 5
        e.records.append(r, Record::kBytes);
    }
    return e;
}

} // namespace

class ReportBench : public QObject
{
    Q_OBJECT

private slots:
    void renderInProgram()
    {
        const Archive::Entry entry = fullEntry();
        QBENCHMARK
        {
            const QByteArray pdf = ReportPdf::render(Report::build(entry, 25), QPageSize::A4);
            QVERIFY(pdf.startsWith("%PDF"));
        }
    }

    // The command as a user runs it: start, open the archive, read the entry, write the PDF.
    void commandLine()
    {
        QTemporaryDir dir;
        const QString archive = dir.filePath(QStringLiteral("archive.sqlite"));
        QString why;
        qint64 id = 0;
        {
            ArchiveStore store(ArchiveLocation::file(archive), QStringLiteral("bench"));
            QVERIFY2(store.open(&why), qPrintable(why));
            const std::optional<qint64> added = store.add(fullEntry(), &why);
            QVERIFY2(added, qPrintable(why));
            id = *added;
        }
        const QString out = dir.filePath(QStringLiteral("report.pdf"));
        QList<qint64> times;
        for (int run = 0; run < 5; ++run) {
            QElapsedTimer clock;
            clock.start();
            QProcess cli;
            cli.start(QStringLiteral(QUILLO_CLI_PATH),
                      {QStringLiteral("report"),
                       QString::number(id),
                       QStringLiteral("--limit"),
                       QStringLiteral("25"),
                       QStringLiteral("--archive"),
                       archive,
                       QStringLiteral("--out"),
                       out});
            QVERIFY(cli.waitForFinished(60000));
            times << clock.elapsed();
            QCOMPARE(cli.exitCode(), 0);
        }
        std::sort(times.begin(), times.end());
        qInfo("report of %d records from the command line: median %lld ms (fastest %lld, "
              "slowest %lld), %lld bytes",
              kRecords,
              times.at(2),
              times.first(),
              times.last(),
              QFile(out).size());
        if (const QString keep = qEnvironmentVariable("QUILLO_REPORT_KEEP"); !keep.isEmpty()) {
            QFile::remove(keep);
            QVERIFY(QFile::copy(out, keep));
        }
    }
};

QTEST_MAIN(ReportBench)
#include "bench_report.moc"
