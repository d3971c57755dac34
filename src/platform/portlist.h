#pragma once

#include <QString>
#include <QStringList>

// The --ports option of both programs, and --port of the command line: the ports that become
// COM1, COM2, ... in their order. On Linux they are device paths; on Windows the names Windows
// gives its ports (COM20, or \\.\COM20). Devices need not exist yet (an adapter plugged in later,
// an rfcomm link bound later): the search says when one is not there. What is refused is what
// can only be a typing slip.
namespace PortList {

// How the system names a port.
enum class Naming {
    DevicePaths, // /dev/ttyUSB0: absolute paths
    WindowsNames, // COM3, \\.\COM3: taken as COM3; one name is one port, whatever its case
};
#ifdef Q_OS_WIN
inline constexpr Naming kSystemNaming = Naming::WindowsNames;
#else
inline constexpr Naming kSystemNaming = Naming::DevicePaths;
#endif

struct Parsed
{
    QStringList devices; // in order; empty when refused
    QString error;       // one line, naming the option; empty when accepted
};

// What --help says of --ports on this system.
QString help(Naming naming = kSystemNaming);

// `values`: the option's value at each place it was given, in order; their lists join.
Parsed parse(const QStringList &values, Naming naming = kSystemNaming);
// --port's one device: on Windows a port name as --ports takes it, elsewhere any device.
Parsed parseOne(const QString &value, Naming naming = kSystemNaming);

} // namespace PortList
