#include "platform/portlist.h"

#include "core/linkprofile.h"

#include <QDir>
#include <QRegularExpression>
#include <QSet>

namespace PortList {

namespace {

Parsed refused(const QString &why)
{
    return {{}, why};
}

// An entry as the port map takes it, and the key that tells two entries for one port; an empty
// name when the entry cannot name a port.
struct Entry
{
    QString name;
    QString key;
};

Entry entryFor(const QString &given, Naming naming)
{
    if (naming == Naming::DevicePaths) {
        // A relative name would depend on the folder the program was started in.
        if (!given.startsWith(QLatin1Char('/')))
            return {};
        return {given, QDir::cleanPath(given)};
    }
    // The device namespace's prefix is the port's own business (the port adds it): COM20 and
    // \\.\COM20 are one port, and so are com20 and COM20, as Windows takes them.
    static const QRegularExpression windowsName(
            QStringLiteral("^(?:\\\\\\\\\\.\\\\)?([A-Za-z][A-Za-z0-9_]*)$"));
    const QRegularExpressionMatch match = windowsName.match(given);
    if (!match.hasMatch())
        return {};
    QString name = match.captured(1);
    if (name.startsWith(QLatin1String("com"), Qt::CaseInsensitive))
        name = name.toUpper();
    return {name, name.toUpper()};
}

QString notAPort(const QString &option, const QString &given, Naming naming)
{
    return naming == Naming::DevicePaths
                   ? QStringLiteral("%1: \"%2\" is not an absolute device path like /dev/ttyUSB0")
                             .arg(option, given)
                   : QStringLiteral("%1: \"%2\" is not a port name like COM3").arg(option, given);
}

} // namespace

QString help(Naming naming)
{
    if (naming == Naming::WindowsNames)
        return QStringLiteral("Comma-separated port names that become COM1, COM2, ... in this "
                              "order (e.g. COM20,COM3). Without it COMn is the port Windows "
                              "calls COMn.");
    return QStringLiteral("Comma-separated device paths that become COM1, COM2, ... in this "
                          "order (e.g. /dev/rfcomm0,/dev/ttyAMA0). Without it COMn is the n-th "
                          "of /dev/ttyUSB*, /dev/ttyACM*, /dev/ttyS*.");
}

Parsed parse(const QStringList &values, Naming naming)
{
    const QString what = naming == Naming::DevicePaths ? QStringLiteral("device paths")
                                                       : QStringLiteral("port names");
    QStringList devices;
    QSet<QString> seen;
    for (const QString &list : values) {
        if (list.trimmed().isEmpty())
            return refused(QStringLiteral("--ports needs a comma-separated list of %1").arg(what));
        const QStringList entries = list.split(QLatin1Char(','));
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const QString given = entries.at(i).trimmed();
            if (given.isEmpty())
                return refused(QStringLiteral("--ports: entry %1 of \"%2\" is empty")
                                       .arg(i + 1)
                                       .arg(list));
            const Entry entry = entryFor(given, naming);
            if (entry.name.isEmpty())
                return refused(notAPort(QStringLiteral("--ports"), given, naming));
            // One device as two ports would be opened twice by the search.
            if (seen.contains(entry.key))
                return refused(QStringLiteral("--ports: \"%1\" is listed twice").arg(given));
            seen.insert(entry.key);
            devices.append(entry.name);
        }
    }
    // The search tries COM1 to COM16: a seventeenth device would never be opened.
    if (devices.size() > LinkProfile::kPortCount)
        return refused(QStringLiteral("--ports: at most %1 devices (COM1 to COM%1), %2 given")
                               .arg(LinkProfile::kPortCount)
                               .arg(devices.size()));
    return {devices, {}};
}

Parsed parseOne(const QString &value, Naming naming)
{
    if (value.isEmpty())
        return refused(QStringLiteral("--port wants a device"));
    if (naming == Naming::DevicePaths)
        return {{value}, {}};
    const Entry entry = entryFor(value.trimmed(), naming);
    if (entry.name.isEmpty())
        return refused(notAPort(QStringLiteral("--port"), value, naming));
    return {{entry.name}, {}};
}

} // namespace PortList
