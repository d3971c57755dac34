#include "archive/archivelocation.h"

#include "core/programidentity.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>
#include <memory>

namespace {

const QString kSettingsKey = QStringLiteral("archive/location");

bool fail(QString *why, const QString &text)
{
    if (why)
        *why = text;
    return false;
}

} // namespace

ArchiveLocation ArchiveLocation::file(const QString &path)
{
    ArchiveLocation location;
    location.path = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return location;
}

ArchiveLocation ArchiveLocation::defaultLocation()
{
    // What AppDataLocation is for a program named "quillobarent". The window ("Quillo Barent")
    // and the command line ("quillobarent-cli") carry other application names, and each would
    // otherwise get an archive of its own.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return file(QDir(data).filePath(QStringLiteral("quillobarent/archive.sqlite")));
}

std::optional<ArchiveLocation> ArchiveLocation::parse(const QString &text, QString *why)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return defaultLocation();
    const QUrl url(trimmed, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1StringView("postgresql") && scheme != QLatin1StringView("postgres"))
        return file(trimmed);

    if (!url.isValid()) {
        fail(why,
             QStringLiteral("\"%1\" is no PostgreSQL address: %2").arg(trimmed, url.errorString()));
        return std::nullopt;
    }
    const QUrlQuery query(url);
    if (!url.password().isEmpty() || query.hasQueryItem(QStringLiteral("password"))) {
        fail(why,
             QStringLiteral("the address holds a password; leave it out and put it in "
                            "~/.pgpass (or PGPASSWORD), where the database client finds it"));
        return std::nullopt;
    }
    ArchiveLocation location;
    location.kind = Kind::PostgreSQL;
    location.hostName = url.host();
    location.port = url.port(-1);
    location.databaseName = url.path().mid(1);
    location.userName = url.userName();
    QStringList options;
    for (const auto &[key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (value.contains(QLatin1Char(' ')) || value.contains(QLatin1Char(';'))) {
            fail(why,
                 QStringLiteral("the option %1 of the address holds a space or a "
                                "semicolon")
                         .arg(key));
            return std::nullopt;
        }
        options.append(key + QLatin1Char('=') + value);
    }
    location.connectOptions = options.join(QLatin1Char(';'));
    return location;
}

QString ArchiveLocation::text() const
{
    if (kind == Kind::File)
        return QDir::toNativeSeparators(path);
    // Spelled out rather than through QUrl, which drops the "//" of an address without a host
    // (a local socket), and reads back as parse() takes it.
    auto encoded = [](const QString &part) {
        return QString::fromLatin1(QUrl::toPercentEncoding(part));
    };
    QString text = QStringLiteral("postgresql://");
    if (!userName.isEmpty())
        text += encoded(userName) + QLatin1Char('@');
    text += hostName.contains(QLatin1Char(':')) ? QLatin1Char('[') + hostName + QLatin1Char(']')
                                                : hostName;
    if (port >= 0)
        text += QLatin1Char(':') + QString::number(port);
    text += QLatin1Char('/') + encoded(databaseName);
    if (!connectOptions.isEmpty()) {
        QStringList query;
        for (const QString &option : connectOptions.split(QLatin1Char(';'))) {
            const qsizetype eq = option.indexOf(QLatin1Char('='));
            query.append(encoded(option.left(eq)) + QLatin1Char('=')
                         + QString::fromLatin1(QUrl::toPercentEncoding(option.mid(eq + 1), "/")));
        }
        text += QLatin1Char('?') + query.join(QLatin1Char('&'));
    }
    return text;
}

QString ArchiveLocation::serverOptions(int connectTimeoutS) const
{
    QStringList options;
    if (!connectOptions.isEmpty())
        options = connectOptions.split(QLatin1Char(';'));
    const QList<std::pair<const char *, QString>> defaults = {
            {"connect_timeout", QString::number(connectTimeoutS)},
            {"keepalives", QStringLiteral("1")},
            {"keepalives_idle", QStringLiteral("10")},
            {"keepalives_interval", QStringLiteral("5")},
            {"keepalives_count", QStringLiteral("3")},
            {"tcp_user_timeout", QStringLiteral("30000")},
    };
    for (const auto &[key, value] : defaults) {
        const QString name = QLatin1StringView(key) + QLatin1Char('=');
        const bool given = std::any_of(options.cbegin(), options.cend(), [&](const QString &o) {
            return o.startsWith(name);
        });
        if (!given)
            options.append(name + value);
    }
    return options.join(QLatin1Char(';'));
}

QString ArchiveLocation::driverName() const
{
    return kind == Kind::File ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
}

ArchiveLocation ArchiveLocation::configured()
{
    const QString text = ProgramIdentity::openSettings()->value(kSettingsKey).toString();
    // A setting that no longer reads (edited by hand) falls back to the default file rather
    // than leaving downloads unarchived.
    return parse(text, nullptr).value_or(defaultLocation());
}

bool ArchiveLocation::configure(const ArchiveLocation &location, QString *why)
{
    const std::unique_ptr<QSettings> s = ProgramIdentity::openSettings();
    if (location == defaultLocation())
        s->remove(kSettingsKey);
    else
        s->setValue(kSettingsKey, location.text());
    s->sync();
    if (s->status() != QSettings::NoError)
        return fail(why,
                    QStringLiteral("the settings file %1 cannot be written")
                            .arg(QDir::toNativeSeparators(s->fileName())));
    return true;
}

std::optional<ArchiveLocation> ArchiveLocation::forCommandLine(const QString &option, QString *why)
{
    if (!option.isEmpty())
        return parse(option, why);
    const QString variable = qEnvironmentVariable(environmentVariable().toLatin1().constData());
    if (variable.isEmpty())
        return configured();
    std::optional<ArchiveLocation> location = parse(variable, why);
    if (!location && why)
        *why = QStringLiteral("%1: %2").arg(environmentVariable(), *why);
    return location;
}
