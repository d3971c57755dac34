#include "platform/portlist.h"

#include "core/linkprofile.h"

#include <QDir>
#include <QSet>

namespace PortList {

namespace {

Parsed refused(const QString &why)
{
    return {{}, why};
}

} // namespace

Parsed parse(const QStringList &values)
{
    QStringList devices;
    QSet<QString> seen;
    for (const QString &list : values) {
        if (list.trimmed().isEmpty())
            return refused(QStringLiteral("--ports needs a comma-separated list of device paths"));
        const QStringList entries = list.split(QLatin1Char(','));
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const QString device = entries.at(i).trimmed();
            if (device.isEmpty())
                return refused(QStringLiteral("--ports: entry %1 of \"%2\" is empty")
                                       .arg(i + 1)
                                       .arg(list));
            // A relative name would depend on the folder the program was started in.
            if (!device.startsWith(QLatin1Char('/')))
                return refused(QStringLiteral("--ports: \"%1\" is not an absolute device path "
                                              "like /dev/ttyUSB0")
                                       .arg(device));
            // One device as two ports would be opened twice by the search.
            const QString key = QDir::cleanPath(device);
            if (seen.contains(key))
                return refused(QStringLiteral("--ports: \"%1\" is listed twice").arg(device));
            seen.insert(key);
            devices.append(device);
        }
    }
    // The search tries COM1 to COM16: a seventeenth device would never be opened.
    if (devices.size() > LinkProfile::kPortCount)
        return refused(QStringLiteral("--ports: at most %1 devices (COM1 to COM%1), %2 given")
                               .arg(LinkProfile::kPortCount)
                               .arg(devices.size()));
    return {devices, {}};
}

} // namespace PortList
