#pragma once

#include "archive/archivelocation.h"
#include "core/archiveentry.h"

#include <QObject>
#include <QString>

class QThread;

// Writes downloads into the archive on a thread of its own, so a busy disk or a server out of
// reach never holds up the window and the link it polls. Entries are written in the order
// given; each one ends in written() or failed(), delivered on the thread that owns the writer.
// Every entry connects afresh, so one after a failure finds a server back up or a password put
// right.
class ArchiveWriter : public QObject
{
    Q_OBJECT

public:
    explicit ArchiveWriter(const ArchiveLocation &location, QObject *parent = nullptr);
    // Every entry handed over is written (or has failed) before the writer goes.
    ~ArchiveWriter() override;

    ArchiveLocation location() const { return m_location; }
    // Entries handed over from now on go there.
    void setLocation(const ArchiveLocation &location);
    void write(const Archive::Entry &entry);
    // Returns once every entry handed over so far has been written or has failed; their
    // signals may still be on their way.
    void flush();

signals:
    void written(qint64 id);
    void failed(const QString &why);

private:
    class Worker;
    void ensureThread();

    ArchiveLocation m_location;
    QThread *m_thread = nullptr; // started with the first entry
    Worker *m_worker = nullptr;  // lives on m_thread
};
