// The archive of downloads on SQLite: records in, the core's listing, data file, CSV and JSON
// out; an entry whole or absent when its writer is killed mid-write; a wrong schema and a foreign
// file refused untouched; a missing archive said so and not made by reading; two zones in one
// archive; the window's History; reports from the window, History and the command line.
#include "app/historydialog.h"
#include "app/historymodel.h"
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
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextDocument>
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
    // The settings (the limit a report keeps for the command line) go to a folder of the
    // test's own, for it and the command line it runs, before anything reads them.
    void initTestCase() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_settings.path())); }
    void cleanup() { QFile::remove(path()); }
    void roundTrip_data();
    void roundTrip();
    void killedMidWrite();
    void wrongSchema_data();
    void wrongSchema();
    void foreignFile_data();
    void foreignFile();
    void missingArchive_data();
    void missingArchive();
    void twoZones_data();
    void twoZones();
    void windowHistory();
    void reports();
    void markupShownAsTyped();
    void historyPages();

private:
    QString path() const { return m_dir.filePath(QStringLiteral("archive.sqlite")); }
    ArchiveLocation location() const { return ArchiveLocation::file(path()); }

    QTemporaryDir m_dir;
    QTemporaryDir m_settings;
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

void TestArchive::wrongSchema_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("said");
    QTest::newRow("a newer program's") << "UPDATE schema_version SET version = 99"
                                       << "newer version";
    QTest::newRow("a version table of another shape")
            << "ALTER TABLE schema_version RENAME COLUMN version TO release"
            << "version";
}

void TestArchive::wrongSchema()
{
    QFETCH(QString, change);
    QFETCH(QString, said);
    QString why;
    {
        ArchiveStore store(location(), QStringLiteral("test"));
        QVERIFY2(store.open(&why), qPrintable(why));
        QVERIFY(QSqlQuery(QSqlDatabase::database("test")).exec(change));
    }
    const QByteArray before = fileBytes(path());
    for (const auto mode : {ArchiveStore::Mode::Read, ArchiveStore::Mode::Write}) {
        ArchiveStore store(location(), QStringLiteral("test"));
        QCOMPARE(store.open(mode, &why), ArchiveStore::Status::Failed);
        QVERIFY2(why.contains(said) && why.contains(QDir::toNativeSeparators(path())),
                 qPrintable(why));
    }
    QCOMPARE(fileBytes(path()), before);
}

void TestArchive::foreignFile_data()
{
    QTest::addColumn<bool>("database");
    QTest::newRow("another program's database") << true;
    QTest::newRow("no database at all") << false;
}

void TestArchive::foreignFile()
{
    QFETCH(bool, database);
    if (database) {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "foreign");
        db.setDatabaseName(path());
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec("CREATE TABLE customers (name TEXT)"));
        db.close();
    } else {
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("a letter, not a database\n").repeated(200));
    }
    QSqlDatabase::removeDatabase("foreign");
    const QByteArray before = fileBytes(path());
    // Neither a download nor a reader adds anything to it.
    QString why;
    ArchiveStore store(location(), QStringLiteral("test"));
    QCOMPARE(store.open(ArchiveStore::Mode::Write, &why), ArchiveStore::Status::Failed);
    QProcess cli;
    cli.start(QUILLO_CLI_PATH, {"history", "--archive", path()});
    QVERIFY(cli.waitForFinished(20000));
    QCOMPARE(cli.exitCode(), 6);
    QVERIFY(cli.readAllStandardError().contains(QDir::toNativeSeparators(path()).toLocal8Bit()));
    QCOMPARE(fileBytes(path()), before);
}

void TestArchive::missingArchive_data()
{
    QTest::addColumn<bool>("emptyFile");
    QTest::addColumn<QStringList>("command"); // empty: the window's History
    QTest::newRow("history") << false << QStringList{"history"};
    QTest::newRow("export") << false << QStringList{"export", "1", "--format", "csv"};
    QTest::newRow("report") << false << QStringList{"report", "1", "--limit", "25", "--out", "-"};
    QTest::newRow("History") << false << QStringList();
    QTest::newRow("history, an empty file") << true << QStringList{"history"};
    QTest::newRow("History, an empty file") << true << QStringList();
}

void TestArchive::missingArchive()
{
    QFETCH(bool, emptyFile);
    QFETCH(QStringList, command);
    const QString missing = emptyFile ? path() : m_dir.filePath("no/such/archive.sqlite");
    if (emptyFile)
        QVERIFY(QFile(missing).open(QIODevice::WriteOnly));
    const QString said = emptyFile ? "holds no downloads yet" : "does not exist yet";
    if (command.isEmpty()) {
        TestWindow w;
        w.stopTimers();
        w->archive().setLocation(ArchiveLocation::file(missing));
        w->ui().mnuhistory->trigger();
        auto *problem = w->findChild<QLabel *>("archiveProblem");
        QVERIFY(waitFor([&] { return problem->text().contains(said); }, 10000));
    } else {
        QProcess cli;
        cli.start(QUILLO_CLI_PATH, command + QStringList{"--archive", missing});
        QVERIFY(cli.waitForFinished(20000));
        QCOMPARE(cli.exitCode(), 7);
        QVERIFY(cli.readAllStandardError().contains(said.toLatin1()));
        QVERIFY(cli.readAllStandardOutput().isEmpty());
    }
    QVERIFY(!QFileInfo::exists(m_dir.filePath("no")));
    QCOMPARE(fileBytes(missing), emptyFile ? QByteArray() : QByteArray("<missing>"));
}

void TestArchive::twoZones_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QStringList>("times");
    const QString newYork = "2026-12-09 05:30 +01:00", here = "2026-12-09 03:00 +01:00",
                  tokyo = "2026-12-08 04:00 +01:00";
    QTest::newRow("all, newest first") << QDate() << QDate() << QStringList{newYork, here, tokyo};
    QTest::newRow("the viewer's 8 December")
            << QDate(2026, 12, 8) << QDate(2026, 12, 8) << QStringList{tokyo};
    QTest::newRow("the viewer's 9 December")
            << QDate(2026, 12, 9) << QDate(2026, 12, 9) << QStringList{newYork, here};
}

void TestArchive::twoZones()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QStringList, times);
    // The viewer is at +01:00; the archive holds downloads taken in New York, here and Tokyo,
    // the New York one on its author's 8 December.
    qputenv("TZ", "CET-1");
    tzset();
    QString why;
    ArchiveStore store(location(), QStringLiteral("test"));
    QVERIFY2(store.open(&why), qPrintable(why));
    const QList<std::pair<QDateTime, int>> taken
            = {{QDateTime(QDate(2026, 12, 8), QTime(23, 30), Qt::OffsetFromUTC, -5 * 3600), 1},
               {QDateTime(QDate(2026, 12, 9), QTime(3, 0), Qt::OffsetFromUTC, 3600), 2},
               {QDateTime(QDate(2026, 12, 8), QTime(12, 0), Qt::OffsetFromUTC, 9 * 3600), 3}};
    for (const auto &[when, n] : taken) {
        Archive::Entry e = *Archive::completedDownload(kCycle, 4, 0);
        e.takenAt = when;
        QVERIFY2(store.add(e, &why), qPrintable(why));
    }
    const std::optional<QList<Archive::Entry>> listed = store.list(from, to, &why);
    QVERIFY2(listed, qPrintable(why));
    QStringList shown;
    for (const Archive::Entry &e : *listed)
        shown.append(Archive::historyLine(e).section('\t', 1, 1));
    QCOMPARE(shown, times);
    if (from.isValid())
        return;
    QProcess cli; // the same rule on the command line, whatever zone the author was in
    cli.start(QUILLO_CLI_PATH, {"history", "--archive", path()});
    QVERIFY(cli.waitForFinished(20000));
    const QStringList lines = QString::fromLocal8Bit(cli.readAllStandardOutput()).split('\n');
    QCOMPARE(lines.value(0).section('\t', 1, 1), times.at(0));
    QCOMPARE(lines.value(2).section('\t', 1, 1), times.at(2));
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
    auto *list = history->findChild<QTableView *>("historyList");
    QAbstractItemModel *model = list->model();
    auto cell
            = [model](int row, int column) { return model->index(row, column).data().toString(); };
    QVERIFY(waitFor([&] { return model->rowCount() == 2; }, 10000));
    QCOMPARE(cell(0, HistoryModel::CountColumn), "4"); // newest first
    QCOMPARE(cell(1, HistoryModel::PortColumn), "COM2");
    const QString olderId = cell(1, HistoryModel::IdColumn);

    // A note being typed when another download is archived: the list grows by one above it,
    // and the note and the selection stay where they were.
    list->selectRow(1);
    list->edit(model->index(1, HistoryModel::NoteColumn));
    auto *editor = list->findChild<QLineEdit *>();
    QVERIFY(editor);
    editor->setText(QStringLiteral("substation 4"));
    w->DecodeStoredRecords(kCycle.left(7), 1);
    QVERIFY(waitFor([&] { return model->rowCount() == 3; }, 20000));
    QCOMPARE(editor->text(), "substation 4");
    QCOMPARE(history->selectedId(), olderId.toLongLong());
    QTest::keyClick(editor, Qt::Key_Return); // kept: history shows it below

    // Only yesterday: nothing; yesterday and today: all three.
    const QDate yesterday = QDate::currentDate().addDays(-1);
    history->findChild<QDateEdit *>("fromDate")->setDate(yesterday);
    history->findChild<QDateEdit *>("toDate")->setDate(yesterday);
    history->findChild<QCheckBox *>("byDate")->setChecked(true);
    QVERIFY(waitFor([&] { return model->rowCount() == 0; }, 10000));
    history->findChild<QDateEdit *>("toDate")->setDate(QDate::currentDate());
    QVERIFY(waitFor([&] { return model->rowCount() == 3; }, 10000));

    // The older one, opened in realtime mode, is back exactly, for Save and Print.
    w->Option1_Click();
    list->selectRow(2);
    history->findChild<QPushButton *>("openEntry")->click();
    QVERIFY(waitFor([&] { return w->operatingMode() == 2; }, 10000));
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

// The report of the download on screen carries the ID the archive gave it and the note typed
// since; History reports the entry selected; the command line judges with the limit the
// window's report used.
void TestArchive::reports()
{
    TestWindow w;
    w.stopTimers();
    w.connectOn(1);
    w->Option2_Click();
    w->mnureport_Click(); // nothing downloaded yet
    QSignalSpy written(&w->archive(), &ArchiveWriter::written);
    w->DecodeStoredRecords(kCycle, 4);
    QVERIFY(waitFor([&] { return written.size() == 1; }, 20000));
    const qint64 id = written.first().first().toLongLong();
    w->mnureport_Click(); // no limit in the box, none read by the alarm
    QVERIFY(waitFor([&] { return w.messages->shown.size() == 2; }, 10000));
    QVERIFY(w.messages->shown.at(1).text.contains("limit"));
    QVERIFY(w.dialog->shownSaves.isEmpty());

    {
        ArchiveStore store(w->archive().location(), QStringLiteral("note"));
        QVERIFY(store.open(nullptr) && store.setNote(id, QStringLiteral("pit 3"), nullptr));
    }
    w->ui().Text1->setText(QStringLiteral("12.3"));
    const QString onScreen = m_dir.filePath(QStringLiteral("screen.pdf"));
    const QString fromHistory = m_dir.filePath(QStringLiteral("history.pdf"));
    w.dialog->saveAnswers
            = {{CommonDialog::Accepted, onScreen, 0}, {CommonDialog::Accepted, fromHistory, 0}};
    w->ui().mnureport->trigger(); // the entry is read again, for its note
    QVERIFY(waitFor([&] { return w.dialog->shownSaves.size() == 1; }, 10000));
    QCOMPARE(w.dialog->shownSaves.first().fileName, QStringLiteral("Report %1").arg(id));
    QCOMPARE(w.dialog->shownSaves.first().filter, QStringLiteral("PDF (*.pdf)|*.pdf|"));
    w->ui().mnuhistory->trigger();
    auto *history = w->findChild<HistoryDialog *>();
    auto *list = history->findChild<QTableView *>("historyList");
    QVERIFY(waitFor([&] { return list->model()->rowCount() == 1; }, 10000));
    list->selectRow(0);
    history->findChild<QPushButton *>("reportEntry")->click();
    QVERIFY(waitFor([&] { return w.dialog->shownSaves.size() == 2; }, 10000));

    QProcess cli;
    cli.start(QUILLO_CLI_PATH,
              {"report",
               QString::number(id),
               "--archive",
               w.archiveFolder.filePath("archive.sqlite"),
               "--out",
               "-"});
    QVERIFY(cli.waitForFinished(20000));
    QCOMPARE(cli.exitCode(), 0);
    const QByteArray fromCli = cli.readAllStandardOutput();
    for (const QByteArray &pdf : {fileBytes(onScreen), fileBytes(fromHistory), fromCli}) {
        QVERIFY(pdf.startsWith("%PDF-"));
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {"-", "-"});
        text.write(pdf);
        text.closeWriteChannel();
        if (!text.waitForFinished(20000) || text.exitCode() != 0)
            QSKIP("pdftotext (poppler-utils) is not installed");
        const QString words = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY(words.contains(QStringLiteral("Archive ID %1").arg(id)));
        QVERIFY(words.contains(QStringLiteral("Site: pit 3")));
        QVERIFY(words.contains(QStringLiteral("12.3 \u03A9: a resistance at or below it passes")));
    }
    cli.start(QUILLO_CLI_PATH,
              {"report",
               QString::number(id + 1),
               "--limit",
               "25",
               "--archive",
               w.archiveFolder.filePath("archive.sqlite"),
               "--out",
               "-"});
    QVERIFY(cli.waitForFinished(20000));
    QCOMPARE(cli.exitCode(), 6); // no such entry
    QVERIFY(cli.readAllStandardOutput().isEmpty());
}

void TestArchive::markupShownAsTyped()
{
    // Anyone sharing the archive writes the device and computer fields.
    Archive::Entry e;
    e.id = 1;
    e.device = QStringLiteral("<b>COM</b>");
    e.computer = QStringLiteral("<img src=x>");
    HistoryModel model;
    model.merge({e}, true);
    QTextDocument shown;
    shown.setHtml(model.index(0, HistoryModel::PortColumn).data(Qt::ToolTipRole).toString());
    QCOMPARE(shown.toPlainText(), QStringLiteral("<b>COM</b> on <img src=x> ()"));
}

void TestArchive::historyPages()
{
    // 450 downloads, many in the same millisecond: pages of 200 in order, none twice, none lost.
    QString why;
    {
        ArchiveStore store(location(), QStringLiteral("test"));
        QVERIFY2(store.open(&why), qPrintable(why));
        QVERIFY(QSqlQuery(QSqlDatabase::database("test")).exec("PRAGMA synchronous = OFF"));
        Archive::Entry e = *Archive::completedDownload(kCycle, 4, 0);
        const QDateTime start = QDateTime::currentDateTime();
        for (int n = 0; n < 450; ++n) {
            e.takenAt = start.addMSecs(n / 7);
            QVERIFY2(store.add(e, &why), qPrintable(why));
        }
    }
    ArchiveWriter writer(location());
    HistoryDialog history(writer);
    history.show();
    history.reload();
    QAbstractItemModel *model = history.findChild<QTableView *>()->model();
    QVERIFY(waitFor([&] { return model->rowCount() == 200; }, 10000));
    for (int rows : {400, 450}) {
        QVERIFY(model->canFetchMore({}));
        model->fetchMore({});
        QVERIFY(waitFor([&] { return model->rowCount() == rows; }, 10000));
    }
    QVERIFY(!model->canFetchMore({}));
    history.reload(); // all 450 read again, in place
    QVERIFY(waitFor([&] { return history.findChild<QLabel *>("archiveLoading")->isHidden(); },
                    10000));
    for (int row = 0; row < 450; ++row) // newest first: the IDs run down from 450
        QCOMPARE(model->index(row, HistoryModel::IdColumn).data().toInt(), 450 - row);
}

ARCHIVE_TEST_MAIN(TestArchive)
#include "tst_archive.moc"
