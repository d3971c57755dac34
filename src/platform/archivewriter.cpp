#include "platform/archivewriter.h"

#include "platform/archivestore.h"

#include <QThread>

#include <memory>

// The writer's side on its thread: one store, kept open between entries.
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
        if (m_store && m_store->location() != location)
            m_store.reset();
        if (!m_store) {
            m_store = std::make_unique<ArchiveStore>(location, m_connection);
            if (!m_store->open(why)) {
                m_store.reset();
                return std::nullopt;
            }
        }
        std::optional<qint64> id = m_store->add(entry, why);
        if (!id)
            m_store.reset();
        return id;
    }
    // The connection belongs to this thread and must be closed on it.
    void close() { m_store.reset(); }

private:
    QString m_connection;
    std::unique_ptr<ArchiveStore> m_store;
};

ArchiveWriter::ArchiveWriter(const ArchiveLocation &location, QObject *parent)
    : QObject(parent)
    , m_location(location)
{}

ArchiveWriter::~ArchiveWriter()
{
    if (!m_thread)
        return;
    QMetaObject::invokeMethod(
            m_worker, [worker = m_worker] { worker->close(); }, Qt::BlockingQueuedConnection);
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
    // One connection name per writer and thread.
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
                // Back on the writer's thread. The writer waits for this lambda before it goes, and
                // what it posts to itself dies with it.
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
        QMetaObject::invokeMethod(
                m_worker, [] {}, Qt::BlockingQueuedConnection);
}
