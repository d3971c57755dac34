// The command line: what each argument list asks for, and the program's exit codes and output,
// which must come before anything needs a display.
#include "app/commandline.h"
#include "platform/portlist.h"

#include <QProcess>
#include <QTest>

using Action = CommandLine::Options::Action;

namespace {
// A device as the system names one: a path on Linux, a port name on Windows.
QString firstDevice()
{
    return PortList::kSystemNaming == PortList::Naming::WindowsNames
                   ? QStringLiteral("COM3")
                   : QStringLiteral("/dev/ttyUSB0");
}
} // namespace

Q_DECLARE_METATYPE(Action)

class CommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QStringList>("ports");
        QTest::addColumn<QString>("error"); // a part of the error line

        // Devices as the system names them: paths on Linux, port names on Windows.
        const QString usb = firstDevice();
        const bool windows = PortList::kSystemNaming == PortList::Naming::WindowsNames;
        const QString rfcomm = windows ? QStringLiteral("COM20") : QStringLiteral("/dev/rfcomm0");
        const QString ama = windows ? QStringLiteral("COM4") : QStringLiteral("/dev/ttyAMA0");
        const QStringList none;

        QTest::newRow("no arguments") << QStringList() << Action::Run << none << QString();
        QTest::newRow("one device") << QStringList{"--ports", rfcomm} << Action::Run
                                    << QStringList{rfcomm} << QString();
        QTest::newRow("= form") << QStringList{"--ports=" + usb + ',' + ama} << Action::Run
                                << QStringList{usb, ama} << QString();
        QTest::newRow("repeated option joins")
                << QStringList{"--ports", ama, "--ports", usb + ',' + rfcomm} << Action::Run
                << QStringList{ama, usb, rfcomm} << QString();
        QTest::newRow("Qt's own options pass") << QStringList{"-platform",
                                                              "offscreen",
                                                              "-style",
                                                              "Fusion",
                                                              "-reverse",
                                                              "--ports",
                                                              usb}
                                               << Action::Run << QStringList{usb} << QString();

        QTest::newRow("help") << QStringList{"--help"} << Action::ShowHelp << none << QString();
        QTest::newRow("-h") << QStringList{"-h"} << Action::ShowHelp << none << QString();
        QTest::newRow("version") << QStringList{"--version"} << Action::ShowVersion << none
                                 << QString();

        QTest::newRow("unknown option")
                << QStringList{"--frobnicate"} << Action::Error << none << "'frobnicate'";
        QTest::newRow("unknown single-dash word")
                << QStringList{"-ports2", usb} << Action::Error << none << "'ports2'";
        QTest::newRow("stray argument")
                << QStringList{usb} << Action::Error << none << '"' + usb + '"';
        QTest::newRow("no value") << QStringList{"--ports"} << Action::Error << none << "--ports";
        // The list itself is checked by the --ports parser (tst_portmap).
        QTest::newRow("a list refused")
                << QStringList{"--ports", usb, "--ports", usb} << Action::Error << none
                << "--ports: \"" + usb + "\" is listed twice";
    }

    void parse()
    {
        QFETCH(QStringList, args);
        QFETCH(Action, action);
        QFETCH(QStringList, ports);
        QFETCH(QString, error);

        const CommandLine::Options options
                = CommandLine::parse(QStringList{"/usr/bin/quillobarent"} + args);
        QCOMPARE(options.action, action);
        QCOMPARE(options.ports, ports);
        switch (action) {
        case Action::Error:
            QVERIFY2(options.text.startsWith("quillobarent: "), qPrintable(options.text));
            QVERIFY2(options.text.contains(error), qPrintable(options.text));
            QVERIFY(!options.text.contains('\n'));
            break;
        case Action::ShowHelp:
            QVERIFY2(options.text.startsWith("Usage: quillobarent [options]\n"),
                     qPrintable(options.text));
            QVERIFY(options.text.contains("--ports <list>"));
            // Qt's own options are accepted, not advertised.
            QVERIFY(!options.text.contains("-platform"));
            break;
        case Action::ShowVersion:
            QVERIFY2(QRegularExpression("^quillobarent \\d+\\.\\d+(\\.\\d+)*\\n$")
                             .match(options.text)
                             .hasMatch(),
                     qPrintable(options.text));
            break;
        case Action::Run:
            QVERIFY(options.text.isEmpty());
            break;
        }
    }

    // The program itself: what it prints and returns, with no display to open a window on. Had
    // it built QApplication before reading the arguments, it would abort here.
    void program_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("version") << QStringList{"--version"} << 0 << "^quillobarent [0-9.]+\\n$"
                                 << "^$";
        QTest::newRow("help") << QStringList{"--help"} << 0 << "^Usage: quillobarent.*--ports"
                              << "^$";
        QTest::newRow("unknown option")
                << QStringList{"--colour"} << 2 << "^$"
                << "^quillobarent: Unknown option 'colour' \\(see quillobarent --help\\)\\n$";
        QTest::newRow("bad list") << QStringList{"--ports", firstDevice() + ",,"} << 2
                                  << "^$"
                                  << "^quillobarent: --ports: entry 2 [^\\n]*\\n$";
    }

    void program()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);

        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("QT_QPA_PLATFORM", "xcb");
        process.setProcessEnvironment(env);
        // Text: Windows ends the lines with CR LF.
        process.start(QStringLiteral(QUILLO_PROGRAM), args, QIODevice::ReadOnly | QIODevice::Text);
        QVERIFY(process.waitForFinished(20000));
        const QString stdOut = QString::fromLocal8Bit(process.readAllStandardOutput());
        const QString stdErr = QString::fromLocal8Bit(process.readAllStandardError());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY2(process.exitCode() == exitCode, qPrintable(stdErr));
        const auto dotAll = QRegularExpression::DotMatchesEverythingOption;
        QVERIFY2(QRegularExpression(out, dotAll).match(stdOut).hasMatch(), qPrintable(stdOut));
        QVERIFY2(QRegularExpression(err, dotAll).match(stdErr).hasMatch(), qPrintable(stdErr));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
