#pragma once

#include "archive/archivelocation.h"
#include "core/archiveentry.h"

#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

class QThread;

// Reads the archive for the window on a thread of its own, as the writer writes: a slow disk or
// a server that stopped answering costs the window a message, never its event loop, which also
// polls the instrument. Requests are served in order, each answered by one signal carrying the
// ticket its request returned. The connection is kept while requests come (the pages of one
// list) and let go by release(). A request still unanswered kAnswerWithinMs after it was made
// is reported failed ("does not answer") by the reader itself; should its answer come later, it
// is delivered too.
class ArchiveReader : public QObject
{
    Q_OBJECT

public:
    static constexpr int kAnswerWithinMs = 5000;

    explicit ArchiveReader(QObject *parent = nullptr);
    // Waits for the request being served, but not for a server that does not answer: the
    // thread is then left to end with the program.
    ~ArchiveReader() override;

    quint64 list(const ArchiveLocation &location,
                 const Archive::Span &span,
                 int limit,
                 const std::optional<Archive::Entry> &after);
    quint64 entry(const ArchiveLocation &location, qint64 id);
    quint64 setNote(const ArchiveLocation &location, qint64 id, const QString &note);
    // The connection is closed once the requests so far are served.
    void release();

signals:
    void listed(quint64 ticket, const QList<Archive::Entry> &entries);
    void entryRead(quint64 ticket, const Archive::Entry &entry);
    void noteSet(quint64 ticket);
    // missing: the archive is not there yet (no download made it), which is no fault.
    void failed(quint64 ticket, const QString &why, bool missing);

private:
    class Worker;
    template<typename Job>
    quint64 post(const ArchiveLocation &location, Job job);
    void answered(quint64 ticket);
    void overdue();
    void watchOldest();

    QThread *m_thread = nullptr;
    Worker *m_worker = nullptr; // lives on m_thread
    quint64 m_lastTicket = 0;
    struct Waiting
    {
        quint64 ticket;
        ArchiveLocation location;
        QDeadlineTimer due;
    };
    QList<Waiting> m_waiting; // requests not yet answered, oldest first
    QTimer m_deadline;        // for the oldest of them
};
