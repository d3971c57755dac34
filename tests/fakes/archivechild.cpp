#include "fakes/archivechild.h"

#include "platform/archivestore.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

namespace ArchiveChild {

Archive::Entry entry(const QString &tag, int n)
{
    Archive::Entry e;
    e.takenAt = QDateTime::currentDateTime();
    e.port = QStringLiteral("COM%1").arg(n % 16 + 1);
    e.device = tag;
    e.note = QStringLiteral("%1 %2").arg(tag).arg(n);
    e.recordCount = qint16(n % 7 + 1);
    for (int i = 0; i < e.recordCount; ++i) // kind 1, values from the tag's length, n and i
        e.records += QByteArray::fromHex("01") + char(tag.size()) + char(n % 100) + '\x01' + char(i)
                     + char(n / 100) + '\x04';
    return e;
}

bool intact(const Archive::Entry &stored)
{
    const QStringList mark = stored.note.split(QLatin1Char(' '));
    const Archive::Entry written = entry(mark.value(0), mark.value(1).toInt());
    return mark.size() == 2 && stored.records == written.records
           && stored.recordCount == written.recordCount && stored.device == written.device;
}

void start(QProcess &process, const QString &location, const QString &tag, int count, bool hang)
{
    QStringList arguments{QStringLiteral("--write"), location, tag, QString::number(count)};
    if (hang)
        arguments.append(QStringLiteral("--hang"));
    process.start(QCoreApplication::applicationFilePath(), arguments);
}

std::optional<int> run(int argc, char **argv)
{
    if (argc < 5 || qstrcmp(argv[1], "--write") != 0)
        return std::nullopt;
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString why;
    const std::optional<ArchiveLocation> location = ArchiveLocation::parse(args.at(2), &why);
    if (!location)
        return 2;
    ArchiveStore store(*location, QStringLiteral("child"));
    if (!store.open(&why)) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    const int count = args.at(4).toInt();
    for (int n = 0; n < count; ++n) {
        if (!store.add(entry(args.at(3), n), &why)) {
            std::fprintf(stderr, "%s\n", qPrintable(why));
            return 1;
        }
    }
    if (args.contains(QStringLiteral("--hang"))) {
        ArchiveStore::setWriteHook([] {
            std::printf("inside\n");
            std::fflush(stdout);
            QThread::sleep(3600);
        });
        store.add(entry(args.at(3), count), &why);
    }
    return 0;
}

} // namespace ArchiveChild
