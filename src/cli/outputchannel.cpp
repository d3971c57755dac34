#include "cli/outputchannel.h"

#include <cstdio>

bool OutputChannel::open(const QString &path, QString *why)
{
    bool opened = false;
    if (path == QLatin1StringView("-")) {
        m_name = QStringLiteral("standard output");
        opened = m_file.open(fileno(stdout),
                             QIODevice::WriteOnly | QIODevice::Unbuffered,
                             QFileDevice::DontCloseHandle);
    } else {
        m_name = path;
        m_file.setFileName(path);
        opened = m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
    }
    if (!opened && why)
        *why = QStringLiteral("cannot write %1: %2").arg(m_name, m_file.errorString());
    return opened;
}

bool OutputChannel::write(const QByteArray &bytes, QString *why)
{
    if (m_file.write(bytes) == bytes.size() && m_file.flush())
        return true;
    if (why)
        *why = QStringLiteral("cannot write %1: %2").arg(m_name, m_file.errorString());
    return false;
}
