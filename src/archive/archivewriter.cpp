#include "archive/archivewriter.h"

#include "archive/archivestore.h"

#include <QThread>

// The writer's side, on its thread. Each entry opens the archive afresh and closes it after:
// downloads come minutes apart, and nothing held between them means no idle server connection
// for a firewall to cut, and no database cache growing in the window as the archive grows.
class ArchiveWriter::Worker : public QObject
{
public:
    explicit Worker(const QString &connectionName)
        : m_connection(connectionName)
    {}

    std::optional<qint64> write(const ArchiveLocation &location,
                                const Archive::Entry &entry,
                                QString *why)
    {
        ArchiveStore store(location, m_connection);
        return store.open(why) ? store.add(entry, why) : std::nullopt;
    }

private:
    QString m_connection;
};

ArchiveWriter::ArchiveWriter(const ArchiveLocation &location, QObject *parent)
    : QObject(parent)
    , m_location(location)
{}

ArchiveWriter::~ArchiveWriter()
{
    if (!m_thread)
        return;
    flush();
    m_thread->quit();
    m_thread->wait();
    delete m_worker;
}

void ArchiveWriter::setLocation(const ArchiveLocation &location)
{
    m_location = location;
}

void ArchiveWriter::ensureThread()
{
    if (m_thread)
        return;
    m_thread = new QThread(this);
    m_thread->setObjectName(QStringLiteral("archive writer"));
    // One connection name per writer, used on its thread only.
    m_worker = new Worker(QStringLiteral("archive-writer-%1").arg(quintptr(this), 0, 16));
    m_worker->moveToThread(m_thread);
    m_thread->start();
}

void ArchiveWriter::write(const Archive::Entry &entry)
{
    ensureThread();
    QMetaObject::invokeMethod(
            m_worker,
            [this, worker = m_worker, location = m_location, entry] {
                QString why;
                const std::optional<qint64> id = worker->write(location, entry, &why);
                // Back on the writer's thread. The writer waits for this lambda before it goes,
                // and what it posts to itself dies with it.
                QMetaObject::invokeMethod(
                        this,
                        [this, id, why] {
                            if (id)
                                emit written(*id);
                            else
                                emit failed(why);
                        },
                        Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
}

void ArchiveWriter::flush()
{
    if (m_thread)
        QMetaObject::invokeMethod(m_worker, [] {}, Qt::BlockingQueuedConnection);
}
