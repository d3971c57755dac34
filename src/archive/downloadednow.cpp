#include "archive/downloadednow.h"

#include <QSysInfo>

std::optional<Archive::Entry> Archive::downloadedNow(const QByteArray &block,
                                                     qint16 count,
                                                     quint8 singleValue,
                                                     int port,
                                                     const QString &device,
                                                     const QString &program)
{
    std::optional<Entry> entry = completedDownload(block, count, singleValue);
    if (entry) {
        entry->takenAt = QDateTime::currentDateTime();
        entry->port = QStringLiteral("COM%1").arg(port);
        entry->device = device;
        entry->program = program;
        entry->computer = QSysInfo::machineHostName();
    }
    return entry;
}
