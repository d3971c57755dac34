// The archive on a real PostgreSQL server that the test starts for itself (initdb and pg_ctl in a
// temporary folder, reached through a socket there only, run as an unprivileged user since the
// server refuses root): two programs writing at once into a new database, and the server
// stopped in the middle of a download.
#include "archive/archivestore.h"
#include "archive/archivewriter.h"
#include "fakes/archivechild.h"
#include "fakes/testwindow.h"
#include "fakes/waitfor.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>

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
    QString text() const { return "postgresql:///postgres?user=quillo&host=" + m_dir.path(); }

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

ARCHIVE_TEST_MAIN(TestArchivePostgres)
#include "tst_archive_postgres.moc"
