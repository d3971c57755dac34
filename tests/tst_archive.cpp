// The archive of downloads on SQLite: records in, the core's listing, data file, CSV and JSON
// out; an entry whole or absent when its writer is killed mid-write; a database from a newer
// program refused untouched; the window's History.
#include "app/historydialog.h"
#include "app/listingview.h"
#include "archive/archivestore.h"
#include "archive/archivewriter.h"
#include "archive/downloadednow.h"
#include "core/datafile.h"
#include "core/export.h"
#include "core/listing.h"
#include "fakes/archivechild.h"
#include "fakes/testwindow.h"
#include "fakes/waitfor.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// One record of each kind, both values present.
const QByteArray kCycle
        = QByteArray::fromHex("01007b01002d0402012c0200051e03000c040c1e0704001605000005");

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class TestArchive : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QFile::remove(path()); }
    void roundTrip_data();
    void roundTrip();
    void killedMidWrite();
    void newerSchemaRefused();
    void windowHistory();

private:
    QString path() const { return m_dir.filePath(QStringLiteral("archive.sqlite")); }
    ArchiveLocation location() const { return ArchiveLocation::file(path()); }

    QTemporaryDir m_dir;
};

void TestArchive::roundTrip_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("singleValue");
    QTest::newRow("each kind") << kCycle << 4 << 0;
    QTest::newRow("each kind, single value before") << kCycle << 4 << 1;
    QTest::newRow("255 midway") << QByteArray::fromHex("040016000000ff") + kCycle << 5 << 0;
    QTest::newRow("no records") << QByteArray() << 0 << 0;
    QTest::newRow("off the tables, nul bytes")
            << QByteArray::fromHex("010000090000090000000000000005ffffffffffff") << 3 << 0;
}

void TestArchive::roundTrip()
{
    QFETCH(QByteArray, block);
    QFETCH(int, count);
    QFETCH(int, singleValue);
    std::optional<Archive::Entry> entry = Archive::downloadedNow(
            block, qint16(count), quint8(singleValue), 3, "/dev/ttyUSB2", "test");
    entry->note = QStringLiteral("site 7");
    QString why;
    ArchiveStore store(location(), QStringLiteral("test"));
    QVERIFY2(store.open(&why), qPrintable(why));
    const std::optional<qint64> id = store.add(*entry, &why);
    QVERIFY2(id, qPrintable(why));
    const std::optional<Archive::Entry> back = store.entry(*id, &why);
    QVERIFY2(back, qPrintable(why));
    entry->id = *id;
    QCOMPARE(back->takenAt, entry->takenAt); // to the millisecond; the line has the offset too
    QCOMPARE(Archive::historyLine(*back), Archive::historyLine(*entry));

    // What the core makes of the block as it came, against what the entry read back gives.
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(block.constData());
    const QString listing = Listing::build(bytes, block.size(), count, quint8(singleValue)).text;
    const auto records = Export::storedRecords(bytes, block.size(), count, quint8(singleValue));
    QCOMPARE(Archive::render(*back, Archive::Format::Listing), DataFile::encode(listing));
    QCOMPARE(Archive::render(*back, Archive::Format::Csv), Export::recordsCsv(records));
    QCOMPARE(Archive::render(*back, Archive::Format::Json), Export::recordsJson(records));
}

void TestArchive::killedMidWrite()
{
    QProcess child;
    ArchiveChild::start(child, {path(), "killed", "2", "--hang"});
    QVERIFY(waitFor([&] { return child.readAllStandardOutput().contains("inside"); }, 30000));
    child.kill(); // SIGKILL: no rollback, no close; the journal is all that is left
    QVERIFY(child.waitForFinished());
    // Two whole entries; the third absent, not half there.
    const QString wrong = ArchiveChild::check(location(), 2);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
}

void TestArchive::newerSchemaRefused()
{
    QString why;
    {
        ArchiveStore store(location(), QStringLiteral("test"));
        QVERIFY2(store.open(&why), qPrintable(why));
        QVERIFY(QSqlQuery(QSqlDatabase::database("test"))
                        .exec(QStringLiteral("UPDATE schema_version SET version = %1")
                                      .arg(ArchiveStore::kSchemaVersion + 1)));
    }
    const QByteArray before = fileBytes(path());
    ArchiveStore store(location(), QStringLiteral("test"));
    QVERIFY(!store.open(&why));
    QVERIFY2(why.contains("newer version") && why.contains(QDir::toNativeSeparators(path())), qPrintable(why));
    QCOMPARE(fileBytes(path()), before);
}

void TestArchive::windowHistory()
{
    TestWindow w;
    w.stopTimers();
    w.connectOn(2);
    w->Option2_Click();
    QSignalSpy written(&w->archive(), &ArchiveWriter::written);
    w->DecodeStoredRecords(kCycle.left(14), 2);
    const QString olderListing = ListingView::text(*w->ui().RichTextBox1);
    w->DecodeStoredRecords(kCycle, 4);
    QVERIFY(waitFor([&] { return written.size() == 2; }, 20000));

    w->ui().mnuhistory->trigger();
    auto *history = w->findChild<HistoryDialog *>();
    auto *list = history->findChild<QTableWidget *>("historyList");
    QCOMPARE(list->rowCount(), 2);
    QCOMPARE(list->item(0, 3)->text(), "4"); // newest first
    QCOMPARE(list->item(1, 2)->text(), "COM2");
    const QString olderId = list->item(1, 0)->text();

    list->item(1, 4)->setText(QStringLiteral("substation 4")); // kept: history shows it below
    // Only yesterday: nothing; yesterday and today: both.
    const QDate yesterday = QDate::currentDate().addDays(-1);
    history->findChild<QDateEdit *>("fromDate")->setDate(yesterday);
    history->findChild<QDateEdit *>("toDate")->setDate(yesterday);
    history->findChild<QCheckBox *>("byDate")->setChecked(true);
    QCOMPARE(list->rowCount(), 0);
    history->findChild<QDateEdit *>("toDate")->setDate(QDate::currentDate());
    QCOMPARE(list->rowCount(), 2);

    // The older one, opened in realtime mode, is back exactly, for Save and Print.
    w->Option1_Click();
    list->selectRow(1);
    history->findChild<QPushButton *>("openEntry")->click();
    QCOMPARE(w->operatingMode(), qint16(2));
    QCOMPARE(ListingView::text(*w->ui().RichTextBox1), olderListing);
    // The command line lists it with its note and exports what the window's Save writes.
    const QString archive = w.archiveFolder.filePath("archive.sqlite");
    QProcess cli;
    cli.start(QUILLO_CLI_PATH, {"history", "--archive", archive});
    QVERIFY(cli.waitForFinished(20000));
    QVERIFY(cli.readAllStandardOutput().contains("\t2\tsubstation 4\n"));
    cli.start(QUILLO_CLI_PATH, {"export", olderId, "--archive", archive});
    QVERIFY(cli.waitForFinished(20000));
    QCOMPARE(cli.readAllStandardOutput(), DataFile::encode(olderListing));
}

ARCHIVE_TEST_MAIN(TestArchive)
#include "tst_archive.moc"
