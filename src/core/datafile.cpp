#include "core/datafile.h"

namespace DataFile {

QString defaultName()
{
    return QStringLiteral("Quillobarent");
}

QString filter()
{
    return QStringLiteral("文本格式 (*.txt)|*.txt");
}

QString defaultExt()
{
    return QStringLiteral(".txt");
}

} // namespace DataFile
