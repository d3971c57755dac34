#pragma once

#include "archive/archivelocation.h"

#include <QProcess>
#include <QString>

#include <optional>

// Other programs writing into the archive: the test's own executable started again as
// "<exe> --write LOCATION TAG COUNT [--hang]". It writes COUNT entries marked "TAG n" in their
// notes; with --hang it then begins one more and stops inside its transaction, after printing
// "inside", until it is killed.
namespace ArchiveChild {

// In main(), first: the writer's exit code when the arguments ask for a writer.
std::optional<int> run(int argc, char **argv);
// Starts one writer with the arguments after "--write".
void start(QProcess &process, const QStringList &arguments);
// Two writers of `count` entries each, at once; what went wrong, or nothing.
QString writeTogether(const QString &location, int count);
// What is wrong with the archive: an entry not exactly as its writer wrote it, or not
// `expected` distinct entries; nothing when all is well.
QString check(const ArchiveLocation &location, int expected);

} // namespace ArchiveChild

// The test's main(): a writer when started as one, else the tests.
#define ARCHIVE_TEST_MAIN(TestClass) \
    int main(int argc, char *argv[]) \
    { \
        if (const std::optional<int> code = ArchiveChild::run(argc, argv)) \
            return *code; \
        QApplication app(argc, argv); \
        TestClass test; \
        return QTest::qExec(&test, argc, argv); \
    }
