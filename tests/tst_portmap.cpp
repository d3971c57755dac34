// Which device each port number 1..16 stands for on Linux.
#include "fakes/ptypair.h"
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
};

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

QTEST_MAIN(TestPortMap)
#include "tst_portmap.moc"
