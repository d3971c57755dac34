#pragma once

#include <QString>

#include <optional>

// Where the archive of downloads lives: a SQLite file, by default in the user's data folder, or
// a PostgreSQL database that a team shares. Written as a path or as
// postgresql://user@host:port/database?option=value; a password never appears in it (libpq
// takes it from ~/.pgpass or PGPASSWORD), so the location can be kept in the settings in clear.
struct ArchiveLocation
{
    enum class Kind { File, PostgreSQL };

    Kind kind = Kind::File;
    QString path; // File: the database file
    // PostgreSQL: what libpq is given; empty parts are left to its defaults and environment.
    QString hostName;
    int port = -1;
    QString databaseName;
    QString userName;
    QString connectOptions; // "key=value;key=value"

    // Reads what a user types or the settings keep; an empty text is the default file. Empty
    // optional and *why for an address that is not understood or that carries a password.
    static std::optional<ArchiveLocation> parse(const QString &text, QString *why);
    static ArchiveLocation file(const QString &path);
    // The file "archive.sqlite" in the data folder of the program "quillobarent", created on
    // first use. Both programs name it alike, so the window and the command line share it.
    static ArchiveLocation defaultLocation();

    // Where the window's settings point; the default file when they name nothing.
    static ArchiveLocation configured();
    // Keeps `location` in the settings (the default file as no entry at all, so it follows
    // the data folder).
    static bool configure(const ArchiveLocation &location, QString *why);
    // The command line's archive: --archive when given, else the environment variable, else
    // the window's setting.
    static std::optional<ArchiveLocation> forCommandLine(const QString &option, QString *why);
    static QString environmentVariable() { return QStringLiteral("QUILLO_ARCHIVE"); }

    // As parse() reads it back: the path, or the postgresql:// address.
    QString text() const;
    // PostgreSQL: connectOptions, and where the address does not say otherwise, a connection
    // attempt given up after `connectTimeoutS` and a connection whose peer has gone found dead
    // by TCP within about half a minute (keep-alive probes, and a limit on unacknowledged data).
    QString serverOptions(int connectTimeoutS) const;
    // The Qt SQL driver that reaches it.
    QString driverName() const;
    bool operator==(const ArchiveLocation &other) const = default;
};
