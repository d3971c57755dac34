#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal for tests of the real serial path: the program opens slavePath() as its
// serial device; the test plays the instrument on the master side. No /dev writes, no root.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }

    // Writes on the instrument's side. Returns false when the master is closed or the write fails.
    bool write(const QByteArray &bytes);
    // Everything the program has written so far and not yet read here (non-blocking).
    QByteArray readAvailable();
    // Waits up to timeoutMs for at least `count` bytes from the program, spinning the Qt event
    // loop meanwhile so the program under test keeps running.
    QByteArray readAtLeast(int count, int timeoutMs);
    // The instrument vanishes: closes the master side. The slave then reports errors.
    void closeMaster();

private:
    int m_master = -1;
    int m_slaveKeepAlive = -1; // held so the pty persists until the program opens it
    QString m_slavePath;
};
