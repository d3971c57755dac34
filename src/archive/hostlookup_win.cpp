#include "archive/hostlookup.h"

// Windows' program has no PostgreSQL driver: nothing is looked up, the name stays the driver's.
std::optional<QStringList> HostLookup::addresses(const QString &, int, QString *)
{
    return QStringList();
}

QString HostLookup::driverHint()
{
    return QStringLiteral(" (none comes with the Windows program: keep the archive in a file)");
}
