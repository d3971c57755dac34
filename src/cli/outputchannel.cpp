#include "cli/outputchannel.h"

#include "platform/savefile.h"
#include "platform/standardoutput.h"

bool OutputChannel::open(const QString &path, QString *why)
{
    bool opened = false;
    if (path == QLatin1StringView("-")) {
        m_name = QStringLiteral("standard output");
        opened = StandardOutput::open(m_file);
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

bool OutputChannel::deliver(const QString &path, const QByteArray &bytes, QString *why)
{
    if (!path.isEmpty()) {
        if (SaveFile::writeAtomically(path, bytes, why))
            return true;
        *why = QStringLiteral("cannot write %1: %2").arg(path, *why);
        return false;
    }
    QFile out;
    if (StandardOutput::open(out) && out.write(bytes) == bytes.size() && out.flush())
        return true;
    *why = QStringLiteral("cannot write standard output: %1").arg(out.errorString());
    return false;
}
