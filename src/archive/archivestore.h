#pragma once

#include "archive/archivelocation.h"
#include "core/archiveentry.h"

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <optional>

// The archive of downloads in a database, through Qt SQL: the same SQL on SQLite and on
// PostgreSQL. Opening to write brings the schema up to this program's version (numbered
// migrations from the first one, under a lock, so several programs opening a new database at once
// create it once); opening to read creates nothing, and an archive not made yet is Missing. A
// database from a newer program, or one that holds tables of something else, is refused and left
// as it is. Every entry is written in one transaction: whole or absent.
//
// A store is one connection, used on the thread that made it, as Qt SQL requires; each thread
// makes its own store under its own connection name.
class ArchiveStore
{
public:
    static constexpr int kSchemaVersion = 1;
    // On a server: how long one statement, and one wait for a lock, may take before the server
    // gives up on it, and how long an unanswered connection lives on the wire.
    static constexpr int kStatementTimeoutMs = 15000;
    static constexpr int kLockTimeoutMs = 5000;
    // Looking the server's name up and connecting to it, as a whole.
    static constexpr int kConnectTimeoutS = 10;
    static constexpr int kAddressesTried = 3;

    enum class Mode { Read, Write };
    enum class Status { Open, Missing, Failed };

    ArchiveStore(const ArchiveLocation &location, const QString &connectionName);
    ~ArchiveStore();
    ArchiveStore(const ArchiveStore &) = delete;
    ArchiveStore &operator=(const ArchiveStore &) = delete;

    const ArchiveLocation &location() const { return m_location; }

    // Connects and checks the schema; to write, also creates the SQLite file (and its folder) and
    // the schema on first use. Unless Open, *why says what went wrong, naming the archive.
    Status open(Mode mode, QString *why);
    bool open(QString *why) { return open(Mode::Write, why) == Status::Open; }

    // Stores the entry, returns its ID.
    std::optional<qint64> add(const Archive::Entry &entry, QString *why);
    // Entries without their records, newest first: at most `limit` (all when negative) of those
    // taken on the viewer's local dates span.from..span.to (a null date leaves that end open),
    // after `after` when given (the last one of the page before).
    std::optional<QList<Archive::Entry>> list(const Archive::Span &span,
                                              int limit,
                                              const Archive::Entry *after,
                                              QString *why);
    std::optional<QList<Archive::Entry>> list(QDate from, QDate to, QString *why)
    {
        return list(Archive::Span{from, to}, -1, nullptr, why);
    }
    // The same, one entry at a time as the database yields it, until `each` says false.
    bool forEach(const Archive::Span &span,
                 const std::function<bool(const Archive::Entry &)> &each,
                 QString *why);
    // One entry with its records; empty optional when it is not there or cannot be read.
    std::optional<Archive::Entry> entry(qint64 id, QString *why);
    bool setNote(qint64 id, const QString &note, QString *why);

    // The one form of every problem with the archive: "the archive LOCATION WHAT: DETAIL".
    static QString problem(const ArchiveLocation &location,
                           const QString &what,
                           const QString &detail = QString());

    // For the test of a write cut short: runs inside add()'s transaction, after the entry's row
    // and before its records.
    static void setWriteHook(std::function<void()> hook);

private:
    Status connect(Mode mode, QString *why);
    bool aimAtServer(QSqlDatabase &db, QString *why) const;
    bool limitWaits(QString *why);
    bool migrate(QString *why);
    int storedVersion(QString *why) const;
    bool fail(QString *why, const QString &what, const QString &detail) const;

    ArchiveLocation m_location;
    QString m_connection;
    bool m_sqlite = true;
};
