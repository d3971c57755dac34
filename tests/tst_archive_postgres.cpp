// The archive on a real PostgreSQL server that the test starts for itself (initdb and pg_ctl in a
// temporary folder, reached through a socket there only, run as an unprivileged user since the
// server refuses root): two programs writing at once into a new database, the server stopped in
// the middle of a download, a team's tables outside the public schema, and the server stalled
// (SIGSTOP) under the real window while History is open and a download comes in.
#include "app/historydialog.h"
#include "archive/archivereader.h"
#include "archive/archivestore.h"
#include "archive/archivewriter.h"
#include "fakes/archivechild.h"
#include "fakes/testwindow.h"
#include "fakes/waitfor.h"
#include "tst_e2e_window.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <pwd.h>
#include <unistd.h>

namespace {

// A server of the test's own, in a folder that the user nobody owns when the test runs as root.
class Server
{
public:
    ~Server() { run("pg_ctl", {"-D", data(), "-m", "immediate", "-w", "stop"}); }

    QString init()
    {
        const QStringList versions = QDir("/usr/lib/postgresql").entryList({"[0-9]*"}, QDir::Dirs);
        if (versions.isEmpty())
            return "no PostgreSQL server installed (scripts/bootstrap installs it)";
        m_bin = QStringLiteral("/usr/lib/postgresql/%1/bin/").arg(versions.last());
        const passwd *nobody = getpwnam("nobody");
        if (geteuid() == 0 && (!nobody || chown(qPrintable(m_dir.path()), nobody->pw_uid, 0) != 0))
            return "cannot hand the folder to the user nobody";
        if (!run("initdb",
                 {"-D", data(), "-U", "quillo", "-A", "trust", "-E", "UTF8", "--locale=C"}))
            return "initdb failed";
        return start() ? QString() : "the server did not start";
    }
    bool start()
    {
        const QString options = "-k " + m_dir.path() + " -c listen_addresses= -c fsync=off";
        return run("pg_ctl",
                   {"-D", data(), "-l", m_dir.filePath("log"), "-o", options, "-w", "start"});
    }
    bool stop() { return run("pg_ctl", {"-D", data(), "-m", "fast", "-w", "stop"}); }
    ArchiveLocation location() const { return *ArchiveLocation::parse(text(), nullptr); }
    QString text(const QString &database = "postgres", const QString &user = "quillo") const
    {
        return QStringLiteral("postgresql:///%1?user=%2&host=%3").arg(database, user, m_dir.path());
    }
    // Runs statements as the superuser; the first that fails, or nothing.
    QString sql(const QString &database, const QStringList &statements) const
    {
        QString failed;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "admin");
            db.setHostName(m_dir.path());
            db.setDatabaseName(database);
            db.setUserName("quillo");
            if (!db.open())
                failed = db.lastError().text();
            QSqlQuery q(db);
            for (const QString &statement : statements) {
                if (failed.isEmpty() && !q.exec(statement))
                    failed = statement + ": " + q.lastError().text();
            }
        }
        QSqlDatabase::removeDatabase("admin");
        return failed;
    }
    // Sends `sig` to the server and every process it started (the backends serving open
    // connections too), the server first, so that none starts meanwhile.
    bool signal(int sig) const
    {
        QFile pidFile(data() + "/postmaster.pid");
        if (!pidFile.open(QIODevice::ReadOnly))
            return false;
        const QByteArray pid = pidFile.readLine().trimmed();
        QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(QString::fromLatin1(pid)));
        if (!children.open(QIODevice::ReadOnly) || ::kill(pid.toInt(), sig) != 0)
            return false;
        for (const QByteArray &child : children.readAll().split(' ')) {
            if (!child.trimmed().isEmpty())
                ::kill(child.trimmed().toInt(), sig);
        }
        return true;
    }

private:
    QString data() const { return m_dir.filePath("data"); }
    bool run(const QString &program, const QStringList &arguments)
    {
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (geteuid() == 0)
            p.start("runuser", QStringList{"-u", "nobody", "--", m_bin + program} + arguments);
        else
            p.start(m_bin + program, arguments);
        return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit
               && p.exitCode() == 0;
    }

    QTemporaryDir m_dir;
    QString m_bin;
};

} // namespace

class TestArchivePostgres : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void twoWriters();
    void serverStoppedMidDownload();
    void teamSchema();
    void stalledServer_data();
    void stalledServer();

private:
    Server m_server;
};

void TestArchivePostgres::initTestCase()
{
    QVERIFY2(QSqlDatabase::isDriverAvailable("QPSQL"), "no QPSQL (scripts/bootstrap installs it)");
    const QString failed = m_server.init();
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
}

void TestArchivePostgres::twoWriters()
{
    // Both find a new database and create its schema at the same moment: once.
    const QString failed = ArchiveChild::writeTogether(m_server.text(), 20);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    const QString wrong = ArchiveChild::check(m_server.location(), 40);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
}

void TestArchivePostgres::serverStoppedMidDownload()
{
    TestWindow w;
    w.stopTimers();
    w->archive().setLocation(m_server.location());
    QSignalSpy written(&w->archive(), &ArchiveWriter::written);
    QSignalSpy failed(&w->archive(), &ArchiveWriter::failed);
    w.connectOn();
    w->Option2_Click();
    auto download = [&w](const QByteArray &block, const std::function<void()> &midway) {
        w->Command4_Click();
        w.port->deliver(QByteArray::fromHex("050500") + char(block.size() / 7));
        midway();
        w->Timer3_Timer();
        w.port->deliver(block);
    };
    const QByteArray back = QByteArray::fromHex("04001605000005");
    download(QByteArray::fromHex("01007b01002d04"), [] {});
    QVERIFY(waitFor([&] { return written.size() == 1; }, 20000));
    download(QByteArray::fromHex("02012c0200051e03000c040c1e07"),
             [this] { QVERIFY(m_server.stop()); });
    QVERIFY(waitFor([&] { return failed.size() == 1; }, 30000));
    QCOMPARE(w.messages->shown.size(), 1);
    QCOMPARE(w.messages->shown.first().title, "Archive Error!");
    QVERIFY(w->ui().RichTextBox1->toPlainText().contains("1230：07")); // the listing stays

    QVERIFY(m_server.start());
    download(back, [] {});
    QVERIFY(waitFor([&] { return written.size() == 2; }, 30000));
    QCOMPARE(w.messages->shown.size(), 1);
    QString why;
    ArchiveStore store(m_server.location(), QStringLiteral("test"));
    QVERIFY2(store.open(&why), qPrintable(why));
    QCOMPARE(store.entry(written.at(1).at(0).toLongLong(), &why)->records, back);
    QCOMPARE(store.list(QDate(), QDate(), &why)->size(), 40 + 2); // nothing of the lost one
}

void TestArchivePostgres::teamSchema()
{
    // The team's role works in a schema of its own; public holds a schema_version of another
    // tool, which is none of this archive's business.
    const QString failed = m_server.sql("postgres", {"CREATE DATABASE team"});
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    const QString setUp = m_server.sql("team",
                                       {"CREATE ROLE ann LOGIN",
                                        "CREATE SCHEMA site AUTHORIZATION ann",
                                        "ALTER ROLE ann SET search_path = site",
                                        "CREATE TABLE public.schema_version (version INTEGER)",
                                        "INSERT INTO public.schema_version VALUES (7)"});
    QVERIFY2(setUp.isEmpty(), qPrintable(setUp));
    // Three program starts, one download each.
    for (const QString tag : {"first", "second", "third"}) {
        QProcess child;
        ArchiveChild::start(child, {m_server.text("team", "ann"), tag, "1"});
        QVERIFY(child.waitForFinished(60000));
        QVERIFY2(child.exitCode() == 0, child.readAllStandardError().constData());
    }
    const ArchiveLocation team = *ArchiveLocation::parse(m_server.text("team", "ann"), nullptr);
    const QString wrong = ArchiveChild::check(team, 3);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    const QString untouched = m_server.sql("team",
                                           {"SELECT 1 FROM site.downloads",
                                            "DELETE FROM public.schema_version "
                                            "WHERE version <> 7"});
    QVERIFY2(untouched.isEmpty(), qPrintable(untouched));
}

void TestArchivePostgres::stalledServer_data()
{
    QTest::addColumn<bool>("openBefore");
    QTest::newRow("History open and connected before") << true;
    QTest::newRow("History opened during the stall") << false;
}

void TestArchivePostgres::stalledServer()
{
    QFETCH(bool, openBefore);
    // The real window on the simulated instrument, polling it all along.
    E2e::Rig rig;
    QVERIFY(rig.plugIn(1));
    rig.sim.setStoredBlock(QByteArray::fromHex("01007b01002d0402012c0200051e"));
    rig.start();
    rig.form->archive().setLocation(m_server.location());
    QVERIFY(waitFor([&] { return !rig.form->link().searchTimer()->isActive(); }, E2e::kRecoveryMs));
    rig.form->Option2_Click();
    QSignalSpy lost(&rig.form->link(), &LinkSession::linkLost);
    // The download during the stall is kept once the server is back, or said to be lost once
    // when the connect time ran out first; the next one is kept.
    QStringList outcomes;
    connect(&rig.form->archive(), &ArchiveWriter::written, [&] { outcomes.append("written"); });
    connect(&rig.form->archive(), &ArchiveWriter::failed, [&] { outcomes.append("failed"); });
    if (openBefore) {
        rig.form->ui().mnuhistory->trigger();
        auto *list = rig.form->findChild<QTableView *>("historyList");
        QVERIFY(waitFor([&] { return list->model()->rowCount() > 0; }, 20000));
    }

    QVERIFY(m_server.signal(SIGSTOP));
    // Whatever fails below, the server goes on (and so can be shut down).
    const auto resume = qScopeGuard([this] { m_server.signal(SIGCONT); });
    QVERIFY(rig.pressRead()); // a download while the server is stopped
    QVERIFY(waitFor([&] { return E2e::recordLines(rig.listing()).size() == 2; }, 10000));
    rig.form->ui().mnuhistory->trigger();
    auto *history = rig.form->findChild<HistoryDialog *>();
    history->reload();
    auto *problem = history->findChild<QLabel *>("archiveProblem");
    QVERIFY(waitFor([&] { return problem->text().contains("does not answer"); },
                    2 * ArchiveReader::kAnswerWithinMs));
    QVERIFY(m_server.signal(SIGCONT));
    QCOMPARE(lost.size(), 0);
    QCOMPARE(rig.link(), E2e::kConnected);

    QVERIFY(waitFor([&] { return outcomes.size() == 1; }, 30000));
    QVERIFY(rig.pressRead());
    QVERIFY(waitFor([&] { return outcomes.size() == 2; }, 30000));
    QCOMPARE(outcomes.last(), "written");
    QCOMPARE(rig.messages->shown.size(), outcomes.count("failed"));
    QVERIFY(waitFor([&] { return problem->text().isEmpty(); }, 20000));
    QCOMPARE(lost.size(), 0);
}

ARCHIVE_TEST_MAIN(TestArchivePostgres)
#include "tst_archive_postgres.moc"
