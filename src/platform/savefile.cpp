#include "platform/savefile.h"

#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>

namespace SaveFile {

QString saveFolder()
{
#ifdef Q_OS_WIN
    return QStringLiteral("c:\\Quillobarent");
#else
    return QDir::home().filePath(QStringLiteral("Quillobarent"));
#endif
}

QString fallbackFolder()
{
#ifdef Q_OS_WIN
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty())
        return QDir::toNativeSeparators(documents);
#endif
    return QDir::homePath();
}

QString prepareSaveFolder(const QString &folder, const QString &fallback)
{
    const QDir dir(folder);
    if (dir.exists())
        return folder;
    // One level only, as the folder always was: a missing parent is not made up.
    QDir parent(folder);
    if (parent.cdUp() && parent.mkdir(dir.dirName()))
        return folder;
    return fallback;
}

bool writeAtomically(const QString &path, const QByteArray &data, QString *why)
{
    // Nothing the program saves is ever empty (a listing has its title, a bitmap its header), so
    // empty data means the encoding before failed: keep the old file rather than blank it.
    if (data.isEmpty()) {
        if (why)
            *why = QStringLiteral("No data to write: the file could not be encoded.");
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (why)
            *why = file.errorString();
        return false;
    }
    // Flush before commit and look at the result: commit ignores a short flush (a disk that
    // fills up midway), and would then put a truncated file in place of the old one.
    if (file.write(data) != data.size() || !file.flush()) {
        if (why)
            *why = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (why)
            *why = file.errorString();
        return false;
    }
    return true;
}

} // namespace SaveFile
