#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Maps the port numbers 1..16 the program scans onto devices of the platform.
//
// On Windows COMn is "COMn". Elsewhere COMn is the n-th serial device present, in the order
// /dev/ttyUSB*, /dev/ttyACM*, /dev/ttyS*, each in natural numeric order, so USB adapters (where
// instruments are usually plugged) come first. An empty result means there is no such port.
class PortMap
{
public:
    using Lister = std::function<QStringList()>;

    // Lists /dev of the running system.
    PortMap();
    // A fixed list of device paths: COMn is entry n - 1. Tests point ports at pseudo-terminals.
    explicit PortMap(QStringList devices);
    // A custom lister, consulted at every lookup (devices come and go).
    explicit PortMap(Lister lister);

    QString devicePath(int portNumber) const;

    // The serial devices among the names of one folder, in scan order, as full paths.
    static QStringList orderSerialDevices(const QStringList &names, const QString &folder);
    // The serial devices of a folder (/dev on the running system), symbolic links included.
    static QStringList listFolder(const QString &folder);
    static QStringList listDevFolder();

private:
    Lister m_lister;
};
