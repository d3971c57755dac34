#include "archive/archivestore.h"

#include "archive/hostlookup.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

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

// What the schema looks like where this connection's statements land: SQLite's main database,
// PostgreSQL's search path (so tables in a role's own schema are found, and a schema_version in a
// schema outside the path is not taken for ours). "Other tables" counts those of the schema where
// CREATE TABLE would put ours. Read from the catalog under the statement's own snapshot: a name
// lookup (to_regclass) may answer from the session's cache, which misses tables that another
// program committed while this one waited for the migration lock. One statement, so both counts
// come from one snapshot: the tables another program is creating are seen all or not at all.
const char *const kSqliteProbe
        = "SELECT (SELECT count(*) FROM sqlite_master WHERE type = 'table' "
          "AND name = 'schema_version'), "
          "(SELECT count(*) FROM sqlite_master WHERE name NOT LIKE 'sqlite_%')";
const char *const kPostgresProbe
        = "SELECT (SELECT count(*) FROM pg_class JOIN pg_namespace ON pg_namespace.oid = "
          "relnamespace WHERE relname = 'schema_version' AND nspname = ANY "
          "(current_schemas(false)) AND relkind IN ('r', 'v', 'p', 'f')), "
          "(SELECT count(*) FROM pg_class JOIN pg_namespace ON pg_namespace.oid = relnamespace "
          "WHERE nspname = current_schema() AND relkind IN ('r', 'v', 'm', 'p', 'f'))";

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

constexpr int kUnreadable = -1; // storedVersion(): the schema cannot be read
constexpr int kForeign = -2;    // storedVersion(): tables of something else, none of ours

// The entries of a span, newest first, from just after `after`.
void prepareList(QSqlQuery &q, const Archive::Span &span, int limit, const Archive::Entry *after)
{
    const auto [from, to] = span.bounds();
    QString sql = QStringLiteral("SELECT %1 FROM downloads WHERE taken_at >= ? AND taken_at < ?")
                          .arg(QLatin1StringView(kEntryColumns));
    if (after)
        sql += QStringLiteral(" AND (taken_at < ? OR (taken_at = ? AND id < ?))");
    sql += QStringLiteral(" ORDER BY taken_at DESC, id DESC");
    if (limit >= 0)
        sql += QStringLiteral(" LIMIT %1").arg(limit);
    q.setForwardOnly(true);
    q.prepare(sql);
    q.addBindValue(from);
    q.addBindValue(to);
    if (after) {
        const qint64 taken = after->takenAt.toMSecsSinceEpoch();
        q.addBindValue(taken);
        q.addBindValue(taken);
        q.addBindValue(after->id);
    }
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

QString ArchiveStore::problem(const ArchiveLocation &location,
                              const QString &what,
                              const QString &detail)
{
    return QStringLiteral("the archive %1 %2").arg(location.text(), what)
           + (detail.isEmpty() ? QString() : QStringLiteral(": ") + detail.simplified());
}

bool ArchiveStore::fail(QString *why, const QString &what, const QString &detail) const
{
    if (why)
        *why = problem(m_location, what, detail);
    return false;
}

ArchiveStore::Status ArchiveStore::connect(Mode mode, QString *why)
{
    const QString cannotOpen = QStringLiteral("cannot be opened");
    QSqlDatabase db = QSqlDatabase::addDatabase(m_location.driverName(), m_connection);
    if (!db.isValid()) {
        fail(why,
             cannotOpen,
             QStringLiteral("the database driver %1 is not installed%2")
                     .arg(m_location.driverName(),
                          m_sqlite ? QString() : HostLookup::driverHint()));
        return Status::Failed;
    }
    if (m_sqlite) {
        const QFileInfo file(m_location.path);
        if (mode == Mode::Read && !file.exists()) {
            fail(why, QStringLiteral("does not exist yet"), QStringLiteral("a download makes it"));
            return Status::Missing;
        }
        if (!QDir().mkpath(file.absolutePath())) {
            fail(why,
                 cannotOpen,
                 QStringLiteral("the folder %1 cannot be created")
                         .arg(QDir::toNativeSeparators(file.absolutePath())));
            return Status::Failed;
        }
        db.setDatabaseName(m_location.path);
        // Another program writing at the same moment holds the file for milliseconds: wait.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
    } else {
        db.setPort(m_location.port);
        db.setDatabaseName(m_location.databaseName);
        db.setUserName(m_location.userName);
        if (!aimAtServer(db, why))
            return Status::Failed;
    }
    if (!db.open() || !limitWaits(why)) {
        if (db.isOpenError())
            fail(why, cannotOpen, db.lastError().text());
        return Status::Failed;
    }
    return Status::Open;
}

bool ArchiveStore::aimAtServer(QSqlDatabase &db, QString *why) const
{
    const QString host = m_location.hostName;
    db.setHostName(host);
    db.setConnectOptions(m_location.serverOptions(kConnectTimeoutS));
    // The driver's connect_timeout counts for each address alone, and its name lookup not at
    // all: the name is looked up here, and what is left of the time shared among the addresses.
    static const QRegularExpression literal(QStringLiteral("^[0-9.]*$|:"));
    if (host.isEmpty() || host.startsWith(QLatin1Char('/')) || literal.match(host).hasMatch()
        || m_location.connectOptions.contains(QLatin1StringView("hostaddr=")))
        return true;
    const QDeadlineTimer deadline(kConnectTimeoutS * 1000);
    QString detail;
    std::optional<QStringList> addresses
            = HostLookup::addresses(host, kConnectTimeoutS * 1000, &detail);
    if (!addresses)
        return fail(why, QStringLiteral("cannot be opened"), detail);
    if (addresses->isEmpty())
        return true;
    if (addresses->size() > kAddressesTried)
        addresses->resize(kAddressesTried);
    const int n = int(addresses->size());
    // libpq's least: a shorter connect_timeout counts as 2 s.
    const int each = qMax(2, int(deadline.remainingTime() / 1000) / n);
    db.setHostName(QStringList(n, host).join(QLatin1Char(',')));
    db.setConnectOptions(m_location.serverOptions(each) + QStringLiteral(";hostaddr=")
                         + addresses->join(QLatin1Char(',')));
    return true;
}

bool ArchiveStore::limitWaits(QString *why)
{
    if (m_sqlite)
        return true;
    // A statement or a lock that the server cannot serve in time ends in an error rather than in
    // a connection waiting for ever; a server that stops answering at all is the caller's to
    // give up on (the reader's deadline).
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (q.exec(QStringLiteral("SET statement_timeout = %1").arg(kStatementTimeoutMs))
        && q.exec(QStringLiteral("SET lock_timeout = %1").arg(kLockTimeoutMs)))
        return true;
    return fail(why, QStringLiteral("cannot be opened"), q.lastError().text());
}

ArchiveStore::Status ArchiveStore::open(Mode mode, QString *why)
{
    if (const Status connected = connect(mode, why); connected != Status::Open)
        return connected;
    QString detail;
    const int version = storedVersion(&detail);
    if (version == kUnreadable) {
        fail(why, QStringLiteral("cannot be opened"), detail);
        return Status::Failed;
    }
    if (version == kForeign) {
        fail(why,
             QStringLiteral("is left untouched"),
             QStringLiteral("it holds tables of something else and no schema_version: it is no "
                            "archive of this program"));
        return Status::Failed;
    }
    if (version > kSchemaVersion) {
        fail(why,
             QStringLiteral("is left untouched"),
             QStringLiteral("it was written by a newer version of this program (schema %1, "
                            "this one knows up to %2)")
                     .arg(version)
                     .arg(kSchemaVersion));
        return Status::Failed;
    }
    if (version == 0 && mode == Mode::Read) {
        fail(why, QStringLiteral("holds no downloads yet"), QStringLiteral("a download makes it"));
        return Status::Missing;
    }
    return version == kSchemaVersion || migrate(why) ? Status::Open : Status::Failed;
}

// The schema's version; 0 for an empty database; kUnreadable or kForeign.
int ArchiveStore::storedVersion(QString *why) const
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QString::fromLatin1(m_sqlite ? kSqliteProbe : kPostgresProbe)) || !q.next()) {
        *why = q.lastError().text();
        return kUnreadable;
    }
    const qint64 found = q.value(0).toLongLong();
    const qint64 others = q.value(1).toLongLong();
    if (found == 0)
        return others == 0 ? 0 : kForeign;
    if (!q.exec(QStringLiteral("SELECT version FROM schema_version")) || !q.next()) {
        *why = q.lastError().isValid() ? q.lastError().text()
                                       : QStringLiteral("the schema version is missing");
        return kUnreadable;
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

std::optional<QList<Archive::Entry>> ArchiveStore::list(const Archive::Span &span,
                                                        int limit,
                                                        const Archive::Entry *after,
                                                        QString *why)
{
    QList<Archive::Entry> entries;
    if (limit > 0)
        entries.reserve(limit);
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    prepareList(q, span, limit, after);
    if (!q.exec()) {
        fail(why, QStringLiteral("cannot be read"), q.lastError().text());
        return std::nullopt;
    }
    while (q.next())
        entries.append(entryFrom(q));
    return entries;
}

bool ArchiveStore::forEach(const Archive::Span &span,
                           const std::function<bool(const Archive::Entry &)> &each,
                           QString *why)
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    prepareList(q, span, -1, nullptr);
    if (!q.exec())
        return fail(why, QStringLiteral("cannot be read"), q.lastError().text());
    while (q.next()) {
        if (!each(entryFrom(q)))
            return true;
    }
    // A server may fail midway: the rows so far are not all there are.
    if (q.lastError().isValid())
        return fail(why, QStringLiteral("cannot be read"), q.lastError().text());
    return true;
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
