#include "platform/portmap.h"

#include "core/linkprofile.h"

#include <QDir>

#include <algorithm>

PortMap::PortMap()
    : m_lister(&PortMap::listDevFolder)
{}

PortMap::PortMap(QStringList devices)
    : m_lister([devices] { return devices; })
{}

PortMap::PortMap(Lister lister)
    : m_lister(std::move(lister))
{}

QString PortMap::devicePath(int portNumber) const
{
    if (portNumber < 1 || !m_lister)
        return {};
    const QStringList devices = m_lister();
    if (portNumber > devices.size())
        return {};
    return devices.at(portNumber - 1);
}

QStringList PortMap::orderSerialDevices(const QStringList &names, const QString &folder)
{
    static const char *const prefixes[] = {"ttyUSB", "ttyACM", "ttyS"};
    QStringList result;
    for (const char *prefix : prefixes) {
        const QString p = QLatin1String(prefix);
        QList<std::pair<qulonglong, QString>> found;
        for (const QString &name : names) {
            if (!name.startsWith(p))
                continue;
            const QStringView digits = QStringView(name).mid(p.size());
            // Only plain numbered names: ttyUSB0, not ttyUSB, ttyUSB0.lock, ttyS1a or ttyS+1.
            const bool plain
                    = !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](QChar c) {
                          return c >= QLatin1Char('0') && c <= QLatin1Char('9');
                      });
            bool ok = false;
            const qulonglong number = plain ? digits.toULongLong(&ok) : 0;
            if (!ok)
                continue;
            found.append({number, name});
        }
        std::sort(found.begin(), found.end());
        for (const auto &entry : found)
            result.append(folder + QLatin1Char('/') + entry.second);
    }
    return result;
}

QStringList PortMap::listDevFolder()
{
#ifdef Q_OS_WIN
    QStringList ports;
    for (int n = 1; n <= LinkProfile::kPortCount; ++n)
        ports.append(QStringLiteral("COM%1").arg(n));
    return ports;
#else
    return listFolder(QStringLiteral("/dev"));
#endif
}

QStringList PortMap::listFolder(const QString &folder)
{
    const QDir dir(folder);
    // Symbolic links count too: a simulator's pseudo-terminal linked as /dev/ttyUSB0 is a port.
    const QStringList names = dir.entryList({QStringLiteral("tty*")},
                                            QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    return orderSerialDevices(names, folder);
}
