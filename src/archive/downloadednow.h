#pragma once

#include "core/archiveentry.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace Archive {

// The entry of a download that completed just now through COM`port` (`device`), taken by
// `program`: stamped with the clock's time and this computer's name, which the core does not
// read. Empty when the block is short of its records.
std::optional<Entry> downloadedNow(const QByteArray &block,
                                   qint16 count,
                                   quint8 singleValue,
                                   int port,
                                   const QString &device,
                                   const QString &program);

} // namespace Archive
