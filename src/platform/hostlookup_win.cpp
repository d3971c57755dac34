#include "platform/hostlookup.h"

// Windows' program has no PostgreSQL driver: nothing is looked up, the name stays the driver's.
std::optional<QStringList> HostLookup::addresses(const QString &, int, QString *)
{
    return QStringList();
}
