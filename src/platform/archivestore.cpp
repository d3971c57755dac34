#include "platform/archivestore.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>

#include <limits>

namespace {

std::function<void()> &writeHook()
{
    static std::function<void()> hook;
    return hook;
}

// Each migration takes the schema from the version before it to its own. The two databases
// differ only in the spelling of an identity column and of raw bytes.
struct Migration
{
    int version;
    QList<const char *> statements;
};

const Migration kMigrations[] = {
        {1,
         {"CREATE TABLE schema_version (version INTEGER NOT NULL)",
          "INSERT INTO schema_version (version) VALUES (0)",
          // One row per download: what the list shows. taken_at in milliseconds since
          // 1970 UTC, utc_offset in seconds, so the time reads as it did where it was taken.
          "CREATE TABLE downloads ("
          " id %IDENTITY%,"
          " taken_at BIGINT NOT NULL,"
          " utc_offset INTEGER NOT NULL,"
          " port TEXT NOT NULL,"
          " device TEXT NOT NULL,"
          " program TEXT NOT NULL,"
          " computer TEXT NOT NULL,"
          " record_count INTEGER NOT NULL,"
          " single_value INTEGER NOT NULL,"
          " note TEXT NOT NULL DEFAULT '')",
          // The records apart, so listing many downloads never reads their bytes.
          "CREATE TABLE download_records ("
          " download_id BIGINT PRIMARY KEY REFERENCES downloads (id),"
          " records %BYTES% NOT NULL)",
          "CREATE INDEX downloads_taken_at ON downloads (taken_at)"}},
};

// Any number will do as long as it is ours alone: "QBAR".
constexpr qint64 kMigrationLockKey = 0x51424152;

const char *kEntryColumns = "id, taken_at, utc_offset, port, device, program, computer, "
                            "record_count, single_value, note";

Archive::Entry entryFrom(const QSqlQuery &q)
{
    Archive::Entry e;
    e.id = q.value(0).toLongLong();
    e.takenAt = QDateTime::fromMSecsSinceEpoch(
            q.value(1).toLongLong(), Qt::OffsetFromUTC, q.value(2).toInt());
    e.port = q.value(3).toString();
    e.device = q.value(4).toString();
    e.program = q.value(5).toString();
    e.computer = q.value(6).toString();
    e.recordCount = qint16(q.value(7).toInt());
    e.singleValue = quint8(q.value(8).toInt());
    e.note = q.value(9).toString();
    return e;
}

// Texts never go in as NULL: the columns say NOT NULL, and an empty note is still a note.
QString notNull(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

qint64 startOfDay(QDate date)
{
    return date.startOfDay().toMSecsSinceEpoch();
}

} // namespace

ArchiveStore::ArchiveStore(const ArchiveLocation &location, const QString &connectionName)
    : m_location(location)
    , m_connection(connectionName)
    , m_sqlite(location.kind == ArchiveLocation::Kind::File)
{}

ArchiveStore::~ArchiveStore()
{
    if (!QSqlDatabase::contains(m_connection))
        return;
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

void ArchiveStore::setWriteHook(std::function<void()> hook)
{
    writeHook() = std::move(hook);
}

bool ArchiveStore::fail(QString *why, const QString &what, const QString &detail) const
{
    if (why)
        *why = QStringLiteral("the archive %1 %2").arg(m_location.text(), what)
               + (detail.isEmpty() ? QString() : QStringLiteral(": ") + detail.simplified());
    return false;
}

// Where a missing PostgreSQL driver comes from, in the words of the system the program runs on.
#ifdef Q_OS_WIN
constexpr char kPsqlDriverHint[] = " (none comes with the Windows program: keep the archive "
                                   "in a file)";
#else
constexpr char kPsqlDriverHint[] = " (Debian: libqt6sql6-psql)";
#endif

bool ArchiveStore::open(QString *why)
{
    const QString cannotOpen = QStringLiteral("cannot be opened");
    QSqlDatabase db = QSqlDatabase::addDatabase(m_location.driverName(), m_connection);
    if (!db.isValid())
        return fail(
                why,
                cannotOpen,
                QStringLiteral("the database driver %1 is not installed%2")
                        .arg(m_location.driverName(),
                             m_sqlite ? QString() : QString::fromLatin1(kPsqlDriverHint)));
    if (m_sqlite) {
        const QFileInfo file(m_location.path);
        if (!QDir().mkpath(file.absolutePath()))
            return fail(why,
                        cannotOpen,
                        QStringLiteral("the folder %1 cannot be created")
                                .arg(QDir::toNativeSeparators(file.absolutePath())));
        db.setDatabaseName(m_location.path);
        // Another program writing at the same moment holds the file for milliseconds: wait.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
    } else {
        db.setHostName(m_location.hostName);
        db.setPort(m_location.port);
        db.setDatabaseName(m_location.databaseName);
        db.setUserName(m_location.userName);
        QString options = m_location.connectOptions;
        // A server down or out of reach is reported after this long rather than hanging.
        if (!options.contains(QLatin1StringView("connect_timeout=")))
            options += QLatin1StringView(options.isEmpty() ? "" : ";")
                       + QLatin1StringView("connect_timeout=10");
        db.setConnectOptions(options);
    }
    if (!db.open())
        return fail(why, cannotOpen, db.lastError().text());

    QString detail;
    const int version = storedVersion(&detail);
    if (version < 0)
        return fail(why, cannotOpen, detail);
    if (version > kSchemaVersion) {
        db.close();
        return fail(why,
                    QStringLiteral("is left untouched"),
                    QStringLiteral("it was written by a newer version of this program (schema %1, "
                                   "this one knows up to %2)")
                            .arg(version)
                            .arg(kSchemaVersion));
    }
    return version == kSchemaVersion || migrate(why);
}

int ArchiveStore::storedVersion(QString *why) const
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.tables().contains(QStringLiteral("schema_version"))) {
        // tables() says nothing of its own failures (a file that is no database, say).
        if (db.lastError().isValid()) {
            *why = db.lastError().text();
            return -1;
        }
        return 0;
    }
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT version FROM schema_version")) || !q.next()) {
        *why = q.lastError().isValid() ? q.lastError().text()
                                       : QStringLiteral("the schema version is missing");
        return -1;
    }
    return q.value(0).toInt();
}

bool ArchiveStore::migrate(QString *why)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const QString cannotPrepare = QStringLiteral("cannot be prepared");
    QSqlQuery q(db);
    auto run = [&q](const QString &sql) { return q.exec(sql); };
    // Whoever migrates holds the database alone until it commits; the others then find the
    // schema in place. SQLite takes its write lock at BEGIN IMMEDIATE, PostgreSQL an advisory
    // lock held to the end of the transaction.
    const bool locked = m_sqlite ? run(QStringLiteral("BEGIN IMMEDIATE"))
                                 : run(QStringLiteral("BEGIN"))
                                           && run(QStringLiteral("SELECT pg_advisory_xact_lock(%1)")
                                                          .arg(kMigrationLockKey));
    if (!locked)
        return fail(why, cannotPrepare, q.lastError().text());

    QString detail;
    const int version = storedVersion(&detail);
    bool ok = version >= 0 && version <= kSchemaVersion;
    if (ok && version == kSchemaVersion) {
        // Another program did it meanwhile.
    } else if (ok) {
        for (const Migration &m : kMigrations) {
            if (m.version <= version)
                continue;
            for (const char *statement : m.statements) {
                QString sql = QString::fromLatin1(statement);
                sql.replace(QStringLiteral("%IDENTITY%"),
                            m_sqlite ? QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT")
                                     : QStringLiteral(
                                             "BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY"));
                sql.replace(QStringLiteral("%BYTES%"),
                            m_sqlite ? QStringLiteral("BLOB") : QStringLiteral("BYTEA"));
                ok = ok && run(sql);
            }
            ok = ok && run(QStringLiteral("UPDATE schema_version SET version = %1").arg(m.version));
        }
        if (!ok)
            detail = q.lastError().text();
    } else if (version > kSchemaVersion) {
        detail = QStringLiteral("another program made it schema %1").arg(version);
    }
    if (ok && run(QStringLiteral("COMMIT")))
        return true;
    if (detail.isEmpty())
        detail = q.lastError().text();
    run(QStringLiteral("ROLLBACK"));
    return fail(why, cannotPrepare, detail);
}

std::optional<qint64> ArchiveStore::add(const Archive::Entry &entry, QString *why)
{
    const QString cannotWrite = QStringLiteral("cannot be written");
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction()) {
        fail(why, cannotWrite, db.lastError().text());
        return std::nullopt;
    }
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO downloads (taken_at, utc_offset, port, device, program, "
                             "computer, record_count, single_value, note) "
                             "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"));
    q.addBindValue(entry.takenAt.toMSecsSinceEpoch());
    q.addBindValue(entry.takenAt.offsetFromUtc());
    q.addBindValue(notNull(entry.port));
    q.addBindValue(notNull(entry.device));
    q.addBindValue(notNull(entry.program));
    q.addBindValue(notNull(entry.computer));
    q.addBindValue(int(entry.recordCount));
    q.addBindValue(int(entry.singleValue));
    q.addBindValue(notNull(entry.note));
    bool ok = q.exec() && q.next();
    const qint64 id = ok ? q.value(0).toLongLong() : 0;
    q.finish();
    if (ok && writeHook())
        writeHook()();
    if (ok) {
        q.prepare(QStringLiteral("INSERT INTO download_records (download_id, records) "
                                 "VALUES (?, ?)"));
        q.addBindValue(id);
        // No records are still records: a null array would go in as NULL.
        q.addBindValue(entry.records.isNull() ? QByteArray("", 0) : entry.records);
        ok = q.exec();
    }
    if (ok && db.commit())
        return id;
    const QString detail = q.lastError().isValid() ? q.lastError().text() : db.lastError().text();
    db.rollback();
    fail(why, cannotWrite, detail);
    return std::nullopt;
}

std::optional<QList<Archive::Entry>> ArchiveStore::list(QDate from, QDate to, QString *why)
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM downloads WHERE taken_at >= ? AND taken_at < ? "
                             "ORDER BY taken_at DESC, id DESC")
                      .arg(QLatin1StringView(kEntryColumns)));
    q.addBindValue(from.isValid() ? startOfDay(from) : std::numeric_limits<qint64>::min());
    q.addBindValue(to.isValid() ? startOfDay(to.addDays(1)) : std::numeric_limits<qint64>::max());
    if (!q.exec()) {
        fail(why, QStringLiteral("cannot be read"), q.lastError().text());
        return std::nullopt;
    }
    QList<Archive::Entry> entries;
    while (q.next())
        entries.append(entryFrom(q));
    return entries;
}

std::optional<Archive::Entry> ArchiveStore::entry(qint64 id, QString *why)
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1, records FROM downloads JOIN download_records "
                             "ON download_id = id WHERE id = ?")
                      .arg(QLatin1StringView(kEntryColumns)));
    q.addBindValue(id);
    if (!q.exec()) {
        fail(why, QStringLiteral("cannot be read"), q.lastError().text());
        return std::nullopt;
    }
    if (!q.next()) {
        fail(why, QStringLiteral("has no entry %1").arg(id), QString());
        return std::nullopt;
    }
    Archive::Entry e = entryFrom(q);
    e.records = q.value(10).toByteArray();
    return e;
}

bool ArchiveStore::setNote(qint64 id, const QString &note, QString *why)
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("UPDATE downloads SET note = ? WHERE id = ?"));
    q.addBindValue(notNull(note));
    q.addBindValue(id);
    if (!q.exec())
        return fail(why, QStringLiteral("cannot be written"), q.lastError().text());
    if (q.numRowsAffected() != 1)
        return fail(why, QStringLiteral("has no entry %1").arg(id), QString());
    return true;
}

std::optional<Archive::Entry> Archive::downloadedNow(const QByteArray &block,
                                                     qint16 count,
                                                     quint8 singleValue,
                                                     int port,
                                                     const QString &device,
                                                     const QString &program)
{
    std::optional<Entry> entry = completedDownload(block, count, singleValue);
    if (entry) {
        entry->takenAt = QDateTime::currentDateTime();
        entry->port = QStringLiteral("COM%1").arg(port);
        entry->device = device;
        entry->program = program;
        entry->computer = QSysInfo::machineHostName();
    }
    return entry;
}
