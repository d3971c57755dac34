#include "fakes/archivechild.h"

#include "archive/archivestore.h"

#include <QCoreApplication>
#include <QSet>
#include <QThread>

#include <cstdio>

namespace ArchiveChild {

namespace {

// Number n of tag: its own records and count (kind 1, values from the tag and n).
Archive::Entry entry(const QString &tag, int n)
{
    Archive::Entry e;
    e.takenAt = QDateTime::currentDateTime();
    e.port = QStringLiteral("COM1");
    e.note = QStringLiteral("%1 %2").arg(tag).arg(n);
    e.recordCount = qint16(n % 7 + 1);
    for (int i = 0; i < e.recordCount; ++i)
        e.records += QByteArray::fromHex("01") + char(tag.size()) + char(n)
                     + QByteArray::fromHex("01000504");
    return e;
}

} // namespace

void start(QProcess &process, const QStringList &arguments)
{
    process.start(QCoreApplication::applicationFilePath(), QStringList{"--write"} + arguments);
}

QString writeTogether(const QString &location, int count)
{
    QProcess a, b;
    start(a, {location, "a", QString::number(count)});
    start(b, {location, "b", QString::number(count)});
    for (QProcess *p : {&a, &b}) {
        if (!p->waitForFinished(120000) || p->exitCode() != 0)
            return QString::fromLocal8Bit(p->readAllStandardError());
    }
    return {};
}

QString check(const ArchiveLocation &location, int expected)
{
    QString why;
    ArchiveStore store(location, QStringLiteral("check"));
    const auto entries = store.open(&why) ? store.list(QDate(), QDate(), &why) : std::nullopt;
    if (!entries)
        return why;
    QSet<QString> notes;
    for (const Archive::Entry &listed : *entries) {
        const QStringList mark = listed.note.split(QLatin1Char(' '));
        const Archive::Entry written = entry(mark.value(0), mark.value(1).toInt());
        if (listed.recordCount != written.recordCount
            || store.entry(listed.id, &why).value_or(Archive::Entry()).records != written.records)
            return QStringLiteral("entry %1 is not as written").arg(listed.id);
        notes.insert(listed.note);
    }
    if (entries->size() != expected || notes.size() != expected)
        return QStringLiteral("%1 entries, %2 expected").arg(entries->size()).arg(expected);
    return {};
}

std::optional<int> run(int argc, char **argv)
{
    if (argc < 5 || qstrcmp(argv[1], "--write") != 0)
        return std::nullopt;
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString why;
    ArchiveStore store(*ArchiveLocation::parse(args.at(2), &why), QStringLiteral("child"));
    bool ok = store.open(&why);
    for (int n = 0; ok && n < args.at(4).toInt(); ++n)
        ok = store.add(entry(args.at(3), n), &why).has_value();
    if (ok && args.contains(QStringLiteral("--hang"))) {
        ArchiveStore::setWriteHook([] {
            std::printf("inside\n");
            std::fflush(stdout);
            QThread::sleep(3600);
        });
        store.add(entry(args.at(3), args.at(4).toInt()), &why);
    }
    std::fputs(qPrintable(why), stderr);
    return ok ? 0 : 1;
}

} // namespace ArchiveChild
