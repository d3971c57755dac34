#pragma once

#include "archive/archivelocation.h"
#include "core/archiveentry.h"

#include <QDate>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// The archive of downloads in a database, through Qt SQL: the same SQL on SQLite and on
// PostgreSQL. Opening brings the schema up to this program's version (numbered migrations from
// the first one, under a lock, so several programs opening a new database at once create it
// once); a database from a newer program is refused and left as it is. Every entry is written
// in one transaction: whole or absent.
//
// A store is one connection, used on the thread that made it, as Qt SQL requires; each thread
// makes its own store under its own connection name.
class ArchiveStore
{
public:
    static constexpr int kSchemaVersion = 1;

    ArchiveStore(const ArchiveLocation &location, const QString &connectionName);
    ~ArchiveStore();
    ArchiveStore(const ArchiveStore &) = delete;
    ArchiveStore &operator=(const ArchiveStore &) = delete;

    const ArchiveLocation &location() const { return m_location; }

    // Connects (creating the SQLite file and its folder on first use) and migrates. On failure
    // *why says what went wrong, naming the archive.
    bool open(QString *why);

    // Stores the entry, returns its ID.
    std::optional<qint64> add(const Archive::Entry &entry, QString *why);
    // The entries taken on the local dates from..to (a null date leaves that end open), newest
    // first, without their records.
    std::optional<QList<Archive::Entry>> list(QDate from, QDate to, QString *why);
    // One entry with its records; empty optional when it is not there or cannot be read.
    std::optional<Archive::Entry> entry(qint64 id, QString *why);
    bool setNote(qint64 id, const QString &note, QString *why);

    // For the test of a write cut short: runs inside add()'s transaction, after the entry's row
    // and before its records.
    static void setWriteHook(std::function<void()> hook);

private:
    bool migrate(QString *why);
    int storedVersion(QString *why) const; // 0: no schema yet; -1: cannot be read
    bool fail(QString *why, const QString &what, const QString &detail) const;

    ArchiveLocation m_location;
    QString m_connection;
    bool m_sqlite = true;
};
