#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Where a command writes as it goes: standard output or a file. Every write is handed to the
// system at once, unbuffered, so a run that is killed loses nothing already written.
class OutputChannel
{
public:
    // "-" is standard output; any other path is created or emptied.
    bool open(const QString &path, QString *why);
    bool write(const QByteArray &bytes, QString *why);
    // How messages name it: the path, or "standard output".
    QString name() const { return m_name; }

    // A whole output at once: to standard output when `path` is empty, else replacing the file
    // only with a complete new one.
    static bool deliver(const QString &path, const QByteArray &bytes, QString *why);

private:
    QFile m_file;
    QString m_name;
};
