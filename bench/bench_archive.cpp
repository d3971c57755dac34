// The archive grown large: 10 000 downloads of 100 records each, on SQLite. How long
// `quillobarent-cli history` takes to list them all, History to show its first rows from the
// moment it is opened, and `quillobarent-cli export` to write one (both programs started afresh
// each time, as a user runs them). Goals: under 1 s, 200 ms and 100 ms.
#include "app/historydialog.h"
#include "archive/archivestore.h"
#include "archive/archivewriter.h"
#include "fakes/waitfor.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kDownloads = 10000;
constexpr int kRecords = 100;

// 100 records, each kind in turn.
QByteArray hundredRecords()
{
    return QByteArray::fromHex("01007b01002d0402012c0200051e03000c040c1e0704001605000005")
            .repeated(kRecords / 4);
}

QByteArray runCli(const QStringList &arguments)
{
    QProcess cli;
    cli.start(QUILLO_CLI_PATH, arguments);
    return cli.waitForFinished(60000) && cli.exitCode() == 0 ? cli.readAllStandardOutput()
                                                             : QByteArray();
}

} // namespace

class ArchiveBench : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QString why;
        ArchiveStore store(location(), QStringLiteral("fill"));
        QVERIFY2(store.open(&why), qPrintable(why));
        // Filling, not measured: no waiting for the disk after each entry.
        QVERIFY(QSqlQuery(QSqlDatabase::database("fill")).exec("PRAGMA synchronous = OFF"));
        Archive::Entry entry = *Archive::completedDownload(hundredRecords(), kRecords, 0);
        entry.port = QStringLiteral("COM1");
        entry.device = QStringLiteral("/dev/ttyUSB0");
        const QDateTime start = QDateTime::currentDateTime().addDays(-kDownloads / 10);
        for (int n = 0; n < kDownloads; ++n) {
            entry.takenAt = start.addSecs(qint64(n) * 8640);
            entry.note = QStringLiteral("site %1").arg(n % 37);
            QVERIFY2(store.add(entry, &why), qPrintable(why));
        }
    }

    void history()
    {
        QByteArray lines;
        QBENCHMARK
        {
            lines = runCli({"history", "--archive", path()});
        }
        QCOMPARE(lines.count('\n'), kDownloads);
    }

    void historyDialogFirstRows()
    {
        ArchiveWriter writer(location());
        QBENCHMARK
        {
            HistoryDialog dialog(writer);
            dialog.show();
            dialog.reload();
            const QAbstractItemModel *rows = dialog.findChild<QTableView *>()->model();
            QVERIFY(waitFor([rows] { return rows->rowCount() > 0; }, 10000));
        }
    }

    void exportOne()
    {
        QByteArray json;
        QBENCHMARK
        {
            json = runCli({"export", "5000", "--format", "json", "--archive", path()});
        }
        const Archive::Entry entry = *Archive::completedDownload(hundredRecords(), kRecords, 0);
        QCOMPARE(json, *Archive::render(entry, Archive::Format::Json));
    }

private:
    QString path() const { return m_dir.filePath(QStringLiteral("archive.sqlite")); }
    ArchiveLocation location() const { return ArchiveLocation::file(path()); }

    QTemporaryDir m_dir;
};

QTEST_MAIN(ArchiveBench)
#include "bench_archive.moc"
