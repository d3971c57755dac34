#pragma once

#include "core/archiveentry.h"

#include <QProcess>
#include <QString>

#include <optional>

// Other programs writing into the archive, for the tests that need them: the test's own
// executable started again as "<exe> --write LOCATION TAG COUNT [--hang]". It writes COUNT
// entries, each marked "TAG n" in its note; with --hang it then starts one more and stops
// inside that write's transaction, after saying "inside" on stdout, until it is killed.
namespace ArchiveChild {

// In main(), first: the writer's exit code when the arguments ask for a writer.
std::optional<int> run(int argc, char **argv);
void start(QProcess &process,
           const QString &location,
           const QString &tag,
           int count,
           bool hang = false);
// The entry a writer writes as number n of tag: records and count that differ for each.
Archive::Entry entry(const QString &tag, int n);
// Whether an entry read back is whole and exactly what its writer wrote.
bool intact(const Archive::Entry &stored);

} // namespace ArchiveChild
