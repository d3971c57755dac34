// Which device each port number 1..16 stands for on Linux, and the --ports lists that say so
// (device paths on Linux, port names on Windows).
#include "fakes/ptypair.h"
#include "platform/portlist.h"
#include "platform/portmap.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestPortMap : public QObject
{
    Q_OBJECT

private slots:
    void order_data();
    void order();
    void portNumbers_data();
    void portNumbers();
    void listerAskedAtEveryLookup();
    void folderListingCountsSymbolicLinks();
    void portsOption_data();
    void portsOption();
    void windowsPortNames_data();
    void windowsPortNames();
};

namespace {

QStringList ttyS(int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list.append(QStringLiteral("/dev/ttyS%1").arg(i));
    return list;
}

} // namespace

void TestPortMap::order_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("natural numbers") << QStringList{"ttyUSB10", "ttyUSB2", "ttyUSB1", "ttyUSB0"}
                                     << QStringList{"ttyUSB0", "ttyUSB1", "ttyUSB2", "ttyUSB10"};
    QTest::newRow("USB before ACM before S")
            << QStringList{"ttyS0", "ttyACM0", "ttyS1", "ttyUSB3", "ttyACM1"}
            << QStringList{"ttyUSB3", "ttyACM0", "ttyACM1", "ttyS0", "ttyS1"};
    QTest::newRow("ttyS natural") << QStringList{"ttyS31", "ttyS4", "ttyS10", "ttyS9"}
                                  << QStringList{"ttyS4", "ttyS9", "ttyS10", "ttyS31"};
    QTest::newRow("non-numeric names ignored") << QStringList{"ttyUSB",
                                                              "ttyUSB0.lock",
                                                              "ttyS1a",
                                                              "ttyS+1",
                                                              "ttyS 2",
                                                              "ttySAC0",
                                                              "ttyACMx",
                                                              "tty0",
                                                              "tty",
                                                              "console",
                                                              "ttyprintk",
                                                              "ttyS-1",
                                                              "ttyUSB1"}
                                               << QStringList{"ttyUSB1"};
    QTest::newRow("number too large to read ignored")
            << QStringList{"ttyUSB99999999999999999999999", "ttyUSB7"} << QStringList{"ttyUSB7"};
    QTest::newRow("nothing") << QStringList{"tty1", "ptmx"} << QStringList{};
}

void TestPortMap::order()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, expected);
    QStringList paths;
    for (const QString &name : expected)
        paths.append(QStringLiteral("/dev/") + name);
    QCOMPARE(PortMap::orderSerialDevices(names, QStringLiteral("/dev")), paths);
}

void TestPortMap::portNumbers_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("device");
    QTest::newRow("COM1") << 1 << "/dev/ttyUSB0";
    QTest::newRow("COM2") << 2 << "/dev/ttyACM0";
    QTest::newRow("COM3") << 3 << "/dev/ttyS0";
    QTest::newRow("COM4 beyond the list") << 4 << "";
    QTest::newRow("COM16 beyond the list") << 16 << "";
    QTest::newRow("port 0") << 0 << "";
    QTest::newRow("negative port") << -3 << "";
}

void TestPortMap::portNumbers()
{
    QFETCH(int, port);
    QFETCH(QString, device);
    const PortMap map(QStringList{"/dev/ttyUSB0", "/dev/ttyACM0", "/dev/ttyS0"});
    QCOMPARE(map.devicePath(port), device);
}

void TestPortMap::listerAskedAtEveryLookup()
{
    // Devices come and go while the program runs (an adapter plugged in during discovery).
    QStringList present;
    const PortMap map(PortMap::Lister([&present] { return present; }));
    QCOMPARE(map.devicePath(1), QString());
    present = {QStringLiteral("/dev/ttyUSB0")};
    QCOMPARE(map.devicePath(1), QStringLiteral("/dev/ttyUSB0"));
}

void TestPortMap::folderListingCountsSymbolicLinks()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString dir = folder.path();
    // A pseudo-terminal linked under an adapter's name counts, as does a link to a device.
    QVERIFY(QFile::link(pty.slavePath(), dir + QStringLiteral("/ttyUSB0")));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), dir + QStringLiteral("/ttyS3")));
    QVERIFY(QFile::link(pty.slavePath(), dir + QStringLiteral("/ttyACM12")));
    QVERIFY(QFile::link(pty.slavePath(), dir + QStringLiteral("/ttyUSB0.lock")));
    QFile other(dir + QStringLiteral("/notes.txt"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.close();

    const QStringList devices = PortMap::listFolder(dir);
    QCOMPARE(devices, (QStringList{dir + "/ttyUSB0", dir + "/ttyACM12", dir + "/ttyS3"}));
    QCOMPARE(PortMap(QStringList(devices)).devicePath(1), dir + QStringLiteral("/ttyUSB0"));
    QVERIFY(PortMap::listFolder(QStringLiteral("/nonexistent/dir")).isEmpty());
}

void TestPortMap::portsOption_data()
{
    QTest::addColumn<QStringList>("values"); // the option's value each time it was given
    QTest::addColumn<QStringList>("devices");
    QTest::addColumn<QString>("error"); // the whole line, or empty
    const QString usb = QStringLiteral("/dev/ttyUSB0");
    const QString ama = QStringLiteral("/dev/ttyAMA0");
    const QString byId = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_A9XYZ-if00-port0");
    const QStringList none;
    QTest::newRow("not given") << none << none << QString();
    QTest::newRow("order kept") << QStringList{ama + ',' + byId + ',' + usb}
                                << QStringList{ama, byId, usb} << QString();
    QTest::newRow("spaces around entries")
            << QStringList{" " + usb + " , " + ama} << QStringList{usb, ama} << QString();
    QTest::newRow("lists join") << QStringList{ama, usb} << QStringList{ama, usb} << QString();
    QTest::newRow("16 devices") << QStringList{ttyS(16).join(',')} << ttyS(16) << QString();
    const QString needsList
            = QStringLiteral("--ports needs a comma-separated list of device paths");
    QTest::newRow("empty list") << QStringList{""} << none << needsList;
    QTest::newRow("blank list") << QStringList{usb, " "} << none << needsList;
    QTest::newRow("trailing comma")
            << QStringList{usb + ','} << none << "--ports: entry 2 of \"/dev/ttyUSB0,\" is empty";
    QTest::newRow("leading comma")
            << QStringList{',' + usb} << none << "--ports: entry 1 of \",/dev/ttyUSB0\" is empty";
    const QString relative
            = QStringLiteral("--ports: \"%1\" is not an absolute device path like /dev/ttyUSB0");
    QTest::newRow("bare name") << QStringList{"ttyUSB0"} << none << relative.arg("ttyUSB0");
    QTest::newRow("relative path")
            << QStringList{usb + ",./ttyACM0"} << none << relative.arg("./ttyACM0");
    QTest::newRow("unexpanded home") << QStringList{"~/pty"} << none << relative.arg("~/pty");
    QTest::newRow("Windows name") << QStringList{"COM3"} << none << relative.arg("COM3");
    QTest::newRow("same device spelled twice")
            << QStringList{usb + ',' + ama + ",/dev//ttyUSB0"} << none
            << "--ports: \"/dev//ttyUSB0\" is listed twice";
    QTest::newRow("twice over two lists")
            << QStringList{usb, usb} << none << "--ports: \"/dev/ttyUSB0\" is listed twice";
    QTest::newRow("17 devices") << QStringList{ttyS(17).join(',')} << none
                                << "--ports: at most 16 devices (COM1 to COM16), 17 given";
}

void TestPortMap::portsOption()
{
    QFETCH(QStringList, values);
    const PortList::Parsed parsed = PortList::parse(values);
    QTEST(parsed.devices, "devices");
    QTEST(parsed.error, "error");
}

void TestPortMap::windowsPortNames_data()
{
    // The option as Windows takes it: --ports (a list) or --port (one name).
    QTest::addColumn<bool>("one");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<QString>("error");
    const QStringList none;
    QTest::newRow("order kept") << false << "COM20,COM3" << QStringList{"COM20", "COM3"}
                                << QString();
    QTest::newRow("device namespace") << false << "\\\\.\\COM20, com3"
                                      << QStringList{"COM20", "COM3"} << QString();
    QTest::newRow("another driver's name")
            << false << "\\\\.\\CNCA0" << QStringList{"CNCA0"} << QString();
    QTest::newRow("same port in two cases")
            << false << "COM3,com3" << none << "--ports: \"com3\" is listed twice";
    QTest::newRow("same port with the prefix")
            << false << "COM3,\\\\.\\COM3" << none
            << "--ports: \"\\\\.\\COM3\" is listed twice";
    QTest::newRow("a Linux path") << false << "/dev/ttyUSB0" << none
                                  << "--ports: \"/dev/ttyUSB0\" is not a port name like COM3";
    QTest::newRow("a file") << false << "C:\\ports\\com3" << none
                            << "--ports: \"C:\\ports\\com3\" is not a port name like COM3";
    QTest::newRow("empty list") << false << " " << none
                                << "--ports needs a comma-separated list of port names";
    QTest::newRow("--port") << true << "com1" << QStringList{"COM1"} << QString();
    QTest::newRow("--port, device namespace")
            << true << "\\\\.\\COM10" << QStringList{"COM10"} << QString();
    QTest::newRow("--port, a space inside")
            << true << "COM 1" << none << "--port: \"COM 1\" is not a port name like COM3";
}

void TestPortMap::windowsPortNames()
{
    QFETCH(bool, one);
    QFETCH(QString, value);
    const PortList::Naming windows = PortList::Naming::WindowsNames;
    const PortList::Parsed parsed
            = one ? PortList::parseOne(value, windows) : PortList::parse({value}, windows);
    QTEST(parsed.devices, "ports");
    QTEST(parsed.error, "error");
}

QTEST_MAIN(TestPortMap)
#include "tst_portmap.moc"
