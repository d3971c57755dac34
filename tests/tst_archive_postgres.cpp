// The archive on a real PostgreSQL server that the test starts for itself (initdb and pg_ctl in a
// temporary folder, reached only through a socket there, run as an unprivileged user since the
// server refuses root): two programs writing at once into a new database, a wrong password, and
// the server stopped in the middle of a download.
#include "fakes/archivechild.h"
#include "fakes/testwindow.h"
#include "fakes/waitfor.h"
#include "platform/archivestore.h"
#include "platform/archivewriter.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>

#include <pwd.h>
#include <unistd.h>

namespace {

// A server of the test's own, in a folder the unprivileged user owns.
class Server
{
public:
    ~Server() { run(QStringLiteral("pg_ctl"), {"-D", data(), "-m", "immediate", "-w", "stop"}); }

    bool init(QString *why)
    {
        const QStringList found = QDir(QStringLiteral("/usr/lib/postgresql"))
                                          .entryList({"[0-9]*"}, QDir::Dirs, QDir::Name);
        if (found.isEmpty()) {
            *why = QStringLiteral("no PostgreSQL server installed (scripts/bootstrap installs it)");
            return false;
        }
        m_bin = QStringLiteral("/usr/lib/postgresql/%1/bin/").arg(found.last());
        if (geteuid() == 0) {
            const passwd *nobody = getpwnam("nobody");
            if (!nobody || chown(qPrintable(m_dir.path()), nobody->pw_uid, nobody->pw_gid) != 0) {
                *why = QStringLiteral("cannot hand the folder to the user nobody");
                return false;
            }
        }
        QFile password(m_dir.filePath(QStringLiteral("password")));
        QFile pgpass(m_dir.filePath(QStringLiteral("pgpass")));
        if (!password.open(QIODevice::WriteOnly) || password.write("secret\n") != 7
            || !pgpass.open(QIODevice::WriteOnly) || pgpass.write("*:*:*:quillo:secret\n") != 20
            || !pgpass.setPermissions(QFile::ReadOwner | QFile::WriteOwner)) {
            *why = QStringLiteral("cannot write the password files");
            return false;
        }
        password.close();
        pgpass.close();
        // The client finds the password where users keep it, as the program's users do.
        qputenv("PGPASSFILE", pgpass.fileName().toLocal8Bit());
        if (!run(QStringLiteral("initdb"),
                 {"-D",
                  data(),
                  "-U",
                  "quillo",
                  "--auth=scram-sha-256",
                  "--pwfile",
                  password.fileName(),
                  "-E",
                  "UTF8",
                  "--locale=C"})) {
            *why = QStringLiteral("initdb failed");
            return false;
        }
        return start();
    }
    bool start()
    {
        return run(QStringLiteral("pg_ctl"),
                   {"-D",
                    data(),
                    "-l",
                    m_dir.filePath("server.log"),
                    "-w",
                    "-o",
                    QStringLiteral("-k %1 -c listen_addresses= -c fsync=off").arg(m_dir.path()),
                    "start"});
    }
    bool stop()
    {
        return run(QStringLiteral("pg_ctl"), {"-D", data(), "-m", "fast", "-w", "stop"});
    }
    QString location() const
    {
        return QStringLiteral("postgresql:///postgres?host=%1&user=quillo").arg(m_dir.path());
    }

private:
    QString data() const { return m_dir.filePath(QStringLiteral("data")); }
    bool run(const QString &program, QStringList arguments)
    {
        if (m_bin.isEmpty())
            return false;
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (geteuid() == 0)
            p.start(QStringLiteral("runuser"),
                    QStringList{"-u", "nobody", "--", m_bin + program} + arguments);
        else
            p.start(m_bin + program, arguments);
        return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit
               && p.exitCode() == 0;
    }

    QTemporaryDir m_dir;
    QString m_bin;
};

ArchiveLocation parsed(const QString &text)
{
    return ArchiveLocation::parse(text, nullptr).value_or(ArchiveLocation());
}

} // namespace

class TestArchivePostgres : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void twoWriters();
    void wrongPassword();
    void serverStoppedMidDownload();

private:
    std::unique_ptr<Server> m_server;
};

void TestArchivePostgres::initTestCase()
{
    QVERIFY2(QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")),
             "Qt's PostgreSQL driver is missing (scripts/bootstrap installs it)");
    m_server = std::make_unique<Server>();
    QString why;
    QVERIFY2(m_server->init(&why), qPrintable(why));
}

void TestArchivePostgres::twoWriters()
{
    // Both find a new database and create its schema at the same moment: once.
    QProcess a, b;
    ArchiveChild::start(a, m_server->location(), QStringLiteral("a"), 20);
    ArchiveChild::start(b, m_server->location(), QStringLiteral("b"), 20);
    for (QProcess *p : {&a, &b}) {
        QVERIFY(p->waitForFinished(60000));
        QVERIFY2(p->exitCode() == 0, p->readAllStandardError().constData());
    }
    QString why;
    ArchiveStore store(parsed(m_server->location()), QStringLiteral("test"));
    QVERIFY2(store.open(&why), qPrintable(why));
    const auto entries = store.list(QDate(), QDate(), &why);
    QVERIFY2(entries, qPrintable(why));
    QSet<QString> notes;
    for (const Archive::Entry &listed : *entries) {
        QVERIFY(ArchiveChild::intact(*store.entry(listed.id, &why)));
        notes.insert(listed.note);
    }
    QCOMPARE(notes.size(), 40);
}

void TestArchivePostgres::wrongPassword()
{
    const QByteArray right = qgetenv("PGPASSFILE");
    QTemporaryDir dir;
    QFile wrong(dir.filePath(QStringLiteral("pgpass")));
    QVERIFY(wrong.open(QIODevice::WriteOnly) && wrong.write("*:*:*:quillo:guess\n") == 19);
    QVERIFY(wrong.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    wrong.close();
    qputenv("PGPASSFILE", wrong.fileName().toLocal8Bit());
    QString why;
    ArchiveStore store(parsed(m_server->location()), QStringLiteral("test"));
    const bool opened = store.open(&why);
    qputenv("PGPASSFILE", right);
    QVERIFY(!opened);
    QVERIFY2(why.contains(QStringLiteral("password authentication failed")), qPrintable(why));
}

void TestArchivePostgres::serverStoppedMidDownload()
{
    TestWindow w;
    w.stopTimers();
    w->archive().setLocation(parsed(m_server->location()));
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
    const QByteArray first = QByteArray::fromHex("01007b01002d04");
    const QByteArray lost = QByteArray::fromHex("02012c0200051e03000c040c1e07");
    const QByteArray back = QByteArray::fromHex("04001605000005");

    download(first, [] {});
    QVERIFY(waitFor([&] { return written.size() == 1; }, 20000));
    download(lost, [this] { QVERIFY(m_server->stop()); });
    QVERIFY(waitFor([&] { return failed.size() == 1; }, 30000));
    QCOMPARE(w.messages->shown.size(), 1);
    QCOMPARE(w.messages->shown.first().title, QStringLiteral("Archive Error!"));
    QVERIFY(w->ui().RichTextBox1->toPlainText().contains(QStringLiteral("1230：07")));

    QVERIFY(m_server->start());
    download(back, [] {});
    QVERIFY(waitFor([&] { return written.size() == 2; }, 30000));
    QCOMPARE(w.messages->shown.size(), 1);

    QString why;
    ArchiveStore store(parsed(m_server->location()), QStringLiteral("test"));
    QVERIFY2(store.open(&why), qPrintable(why));
    const auto entries = store.list(QDate(), QDate(), &why);
    QVERIFY2(entries, qPrintable(why));
    QList<QByteArray> kept;
    for (const Archive::Entry &e : *entries) {
        if (e.program == QLatin1StringView("quillobarent"))
            kept.prepend(store.entry(e.id, &why)->records);
    }
    QCOMPARE(kept, (QList<QByteArray>{first, back}));
}

int main(int argc, char *argv[])
{
    if (const std::optional<int> code = ArchiveChild::run(argc, argv))
        return *code;
    QApplication app(argc, argv);
    TestArchivePostgres test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_archive_postgres.moc"
