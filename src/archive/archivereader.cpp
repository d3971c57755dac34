#include "archive/archivereader.h"

#include "archive/archivestore.h"

#include <QThread>

#include <algorithm>
#include <memory>

// The reader's side, on its thread: one store, opened to read (it creates nothing) on the first
// request and again after a failure, so a server back up or a file made meanwhile is found.
class ArchiveReader::Worker : public QObject
{
    Q_OBJECT

public:
    explicit Worker(const QString &connectionName)
        : m_connection(connectionName)
    {}

    // The store open on `location`; nullptr once failed() has said why not.
    ArchiveStore *store(const ArchiveLocation &location, quint64 ticket)
    {
        if (m_store && m_store->location() == location)
            return m_store.get();
        m_store.reset(); // its connection name is taken until it goes
        auto store = std::make_unique<ArchiveStore>(location, m_connection);
        QString why;
        const ArchiveStore::Status status = store->open(ArchiveStore::Mode::Read, &why);
        if (status != ArchiveStore::Status::Open) {
            emit failed(ticket, why, status == ArchiveStore::Status::Missing);
            return nullptr;
        }
        m_store = std::move(store);
        return m_store.get();
    }
    void failure(quint64 ticket, const QString &why)
    {
        m_store.reset(); // the next request tries a fresh connection
        emit failed(ticket, why, false);
    }
    void release() { m_store.reset(); }

signals:
    void listed(quint64 ticket, const QList<Archive::Entry> &entries);
    void entryRead(quint64 ticket, const Archive::Entry &entry);
    void noteSet(quint64 ticket);
    void failed(quint64 ticket, const QString &why, bool missing);

private:
    QString m_connection;
    std::unique_ptr<ArchiveStore> m_store;
};

ArchiveReader::ArchiveReader(QObject *parent)
    : QObject(parent)
    , m_thread(new QThread(this))
{
    m_thread->setObjectName(QStringLiteral("archive reader"));
    // One connection name per reader, used on its thread only.
    m_worker = new Worker(QStringLiteral("archive-reader-%1").arg(quintptr(this), 0, 16));
    m_worker->moveToThread(m_thread);
    // Queued back to this thread; gone with this reader, should the worker outlive it.
    connect(m_worker,
            &Worker::listed,
            this,
            [this](quint64 ticket, const QList<Archive::Entry> &e) {
                answered(ticket);
                emit listed(ticket, e);
            });
    connect(m_worker, &Worker::entryRead, this, [this](quint64 ticket, const Archive::Entry &e) {
        answered(ticket);
        emit entryRead(ticket, e);
    });
    connect(m_worker, &Worker::noteSet, this, [this](quint64 ticket) {
        answered(ticket);
        emit noteSet(ticket);
    });
    connect(m_worker,
            &Worker::failed,
            this,
            [this](quint64 ticket, const QString &why, bool missing) {
                answered(ticket);
                emit failed(ticket, why, missing);
            });
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &ArchiveReader::overdue);
    m_thread->start();
}

ArchiveReader::~ArchiveReader()
{
    // The store goes on its own thread, which then ends.
    QMetaObject::invokeMethod(m_worker, [worker = m_worker] {
        worker->release();
        QThread::currentThread()->quit();
    });
    if (m_thread->wait(kAnswerWithinMs)) {
        delete m_worker;
        return;
    }
    // Stuck on a server that does not answer: waiting longer would freeze the window's exit.
    m_thread->setParent(nullptr);
}

template<typename Job>
quint64 ArchiveReader::post(const ArchiveLocation &location, Job job)
{
    const quint64 ticket = ++m_lastTicket;
    m_waiting.append({ticket, location, QDeadlineTimer(kAnswerWithinMs)});
    if (m_waiting.size() == 1)
        watchOldest();
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, location, ticket, job] {
        if (ArchiveStore *store = worker->store(location, ticket))
            job(*worker, *store, ticket);
    });
    return ticket;
}

quint64 ArchiveReader::list(const ArchiveLocation &location,
                            const Archive::Span &span,
                            int limit,
                            const std::optional<Archive::Entry> &after)
{
    return post(location, [span, limit, after](Worker &w, ArchiveStore &store, quint64 ticket) {
        QString why;
        const auto entries = store.list(span, limit, after ? &*after : nullptr, &why);
        if (entries)
            emit w.listed(ticket, *entries);
        else
            w.failure(ticket, why);
    });
}

quint64 ArchiveReader::entry(const ArchiveLocation &location, qint64 id)
{
    return post(location, [id](Worker &w, ArchiveStore &store, quint64 ticket) {
        QString why;
        if (const std::optional<Archive::Entry> entry = store.entry(id, &why))
            emit w.entryRead(ticket, *entry);
        else
            w.failure(ticket, why);
    });
}

quint64 ArchiveReader::setNote(const ArchiveLocation &location, qint64 id, const QString &note)
{
    return post(location, [id, note](Worker &w, ArchiveStore &store, quint64 ticket) {
        QString why;
        if (store.setNote(id, note, &why))
            emit w.noteSet(ticket);
        else
            w.failure(ticket, why);
    });
}

void ArchiveReader::release()
{
    QMetaObject::invokeMethod(m_worker, [worker = m_worker] { worker->release(); });
}

void ArchiveReader::answered(quint64 ticket)
{
    const auto at = std::find_if(m_waiting.cbegin(), m_waiting.cend(), [ticket](const Waiting &w) {
        return w.ticket == ticket;
    });
    if (at == m_waiting.cend())
        return; // reported overdue already
    const bool oldest = at == m_waiting.cbegin();
    m_waiting.erase(at);
    if (oldest)
        watchOldest();
}

void ArchiveReader::watchOldest()
{
    if (m_waiting.isEmpty())
        m_deadline.stop();
    else
        m_deadline.start(int(qMax<qint64>(0, m_waiting.first().due.remainingTime())));
}

void ArchiveReader::overdue()
{
    // Each request counts from when it was made, not from the answer to the one before it.
    while (!m_waiting.isEmpty() && m_waiting.first().due.hasExpired()) {
        const Waiting late = m_waiting.takeFirst();
        emit failed(late.ticket,
                    ArchiveStore::problem(
                            late.location,
                            QStringLiteral("does not answer"),
                            QStringLiteral("no reply within %1 s").arg(kAnswerWithinMs / 1000)),
                    false);
    }
    watchOldest();
}

#include "archivereader.moc"
