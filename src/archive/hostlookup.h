#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace HostLookup {

// The addresses of a host name, as text, found within `timeoutMs`; empty optional and *why when
// the name is unknown or the lookup took longer. The system's resolver takes no time limit from a
// caller, so the lookup runs on a thread of its own, left to finish by itself when it is late.
// An empty list: this system looks nothing up here, the caller leaves the name to its driver.
std::optional<QStringList> addresses(const QString &name, int timeoutMs, QString *why);

// Where the PostgreSQL driver comes from on this system, as a parenthesised hint for the message
// that it is missing.
QString driverHint();

} // namespace HostLookup
