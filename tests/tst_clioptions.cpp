// The command line's option parser, in process: each row a command line and what it gives.
#include "cli/clioptions.h"
#include "cli/commands.h"
#include "platform/portlist.h"

#include <QtTest>

namespace {

// The command and every option that differs from its default, e.g. "watch count=3 csv=-".
QString describe(const Cli::Parsed &p)
{
    const Cli::Options &o = p.options;
    const Cli::Options none;
    QStringList parts{p.command ? QString(p.command->word) : QStringLiteral("?")};
    const auto add = [&parts](const char *name, const QString &value, bool differs) {
        if (differs)
            parts.append(QLatin1String(name) + QLatin1Char('=') + value);
    };
    add("port", o.port, o.port != none.port);
    add("ports", o.ports.join(QLatin1Char(',')), o.ports != none.ports);
    add("count", QString::number(o.count), o.count != none.count);
    add("csv", o.csv, o.csv != none.csv);
    add("out", o.out, o.out != none.out);
    add("format", QString::number(int(o.format)), o.format != none.format);
    add("archive", o.archive, o.archive != none.archive);
    add("entry", QString::number(o.entry), o.entry != none.entry);
    add("limit", QString::number(o.limit), o.limit != none.limit);
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestCliOptions : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
};

void TestCliOptions::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("expected"); // Run: describe(); otherwise a part of the text

    using P = Cli::Parsed;
    const QString csv = QString::number(int(Cli::Format::Csv));
    const QString json = QString::number(int(Cli::Format::Json));
    // Devices as the system names them: paths on Linux, port names on Windows.
    const bool windows = PortList::kSystemNaming == PortList::Naming::WindowsNames;
    const QString a = windows ? QStringLiteral("COM9") : QStringLiteral("/dev/a");
    const QString b = windows ? QStringLiteral("COM20") : QStringLiteral("/dev/b");
    QTest::newRow("find") << QStringList{"find"} << int(P::Run) << "find";
    QTest::newRow("one port") << QStringList{"find", "--port", a} << int(P::Run)
                              << "find port=" + a;
    QTest::newRow("ports") << QStringList{"watch", "--ports=" + a + ',' + b} << int(P::Run)
                           << "watch ports=" + a + ',' + b;
    QTest::newRow("watch") << QStringList{"watch", "--count", "3", "--csv", "-"} << int(P::Run)
                           << "watch count=3 csv=-";
    QTest::newRow("download")
            << QStringList{"download", "--out", "f", "--format", "json", "--archive", "a.db"}
            << int(P::Run) << "download out=f format=" + json + " archive=a.db";
    QTest::newRow("export") << QStringList{"export", "7", "--format", "csv"} << int(P::Run)
                            << "export format=" + csv + " entry=7";
    QTest::newRow("history") << QStringList{"history"} << int(P::Run) << "history";
    QTest::newRow("report") << QStringList{"report", "4", "--limit", "0.29", "--out", "-"}
                            << int(P::Run) << "report out=- entry=4 limit=0.29";
    QTest::newRow("help") << QStringList{"--help"} << int(P::Help)
                          << "  export ID  write an archived download";
    QTest::newRow("help continued") << QStringList{"history", "--help"} << int(P::Help)
                                    << "zone,\n             with its offset";
    QTest::newRow("command's help") << QStringList{"watch", "--help"} << int(P::Help) << "--count";
    QTest::newRow("version") << QStringList{"--version"} << int(P::Version) << "tst_clioptions";
    QTest::newRow("no command") << QStringList{} << int(P::Error)
                                << "no command given: find, watch, download, history";
    QTest::newRow("unknown") << QStringList{"fetch"} << int(P::Error)
                             << "unknown command \"fetch\"";
    QTest::newRow("other's option")
            << QStringList{"find", "--count", "3"} << int(P::Error) << "count";
    QTest::newRow("count 0") << QStringList{"watch", "--count", "0"} << int(P::Error)
                             << "--count wants";
    QTest::newRow("count x") << QStringList{"watch", "--count", "x"} << int(P::Error)
                             << "--count wants";
    QTest::newRow("csv empty") << QStringList{"watch", "--csv="} << int(P::Error) << "--csv wants";
    QTest::newRow("format") << QStringList{"download", "--format", "xml"} << int(P::Error)
                            << "not \"xml\"";
    QTest::newRow("out empty") << QStringList{"export", "1", "--out="} << int(P::Error)
                               << "--out wants";
    QTest::newRow("archive empty")
            << QStringList{"history", "--archive="} << int(P::Error) << "--archive wants";
    QTest::newRow("port and ports")
            << QStringList{"find", "--port", "a", "--ports", "b"} << int(P::Error) << "exclude";
    QTest::newRow("port empty") << QStringList{"find", "--port="} << int(P::Error)
                                << "--port wants";
    QTest::newRow("ports refused")
            << QStringList{"find", "--ports", a + ",," + b} << int(P::Error) << "entry 2";
    QTest::newRow("extra") << QStringList{"download", "now"} << int(P::Error) << "\"now\"";
    QTest::newRow("export extra") << QStringList{"export", "7", "8"} << int(P::Error) << "\"8\"";
    QTest::newRow("export no ID") << QStringList{"export"} << int(P::Error) << "ID";
    QTest::newRow("export ID 0") << QStringList{"export", "0"} << int(P::Error) << "ID";
    // The archive's arguments are checked before the others.
    QTest::newRow("ID first") << QStringList{"export", "--format", "xml"} << int(P::Error) << "ID";
}

void TestCliOptions::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, outcome);
    QFETCH(QString, expected);
    arguments.prepend(QStringLiteral("quillobarent-cli"));
    const Cli::Parsed parsed = Cli::parseArguments(arguments);
    QCOMPARE(int(parsed.outcome), outcome);
    if (outcome == Cli::Parsed::Run)
        QCOMPARE(describe(parsed), expected);
    else
        QVERIFY2(parsed.text.contains(expected), qPrintable(parsed.text));
}

QTEST_GUILESS_MAIN(TestCliOptions)
#include "tst_clioptions.moc"
