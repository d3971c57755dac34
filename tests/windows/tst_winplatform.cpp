// The Windows side of the platform layer: what a failed open of a COM port reads as, where the
// listing is saved, and the listing's code page through the system's own tables.
#include "link/linksession.h"
#include "core/datafile.h"
#include "platform/savefile.h"
#include "platform/winserialport.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include <windows.h>

class TestWinPlatform : public QObject
{
    Q_OBJECT

private slots:
    void openErrors_data();
    void openErrors();
    void portsWithoutDevice_data();
    void portsWithoutDevice();
    void saveFolder();
    void codePage_data();
    void codePage();
};

void TestWinPlatform::openErrors_data()
{
    QTest::addColumn<int>("systemError");
    QTest::addColumn<QString>("text");
    QTest::newRow("no such port") << int(ERROR_FILE_NOT_FOUND) << "COM3 null";
    QTest::newRow("no such path") << int(ERROR_PATH_NOT_FOUND) << "COM3 null";
    QTest::newRow("held by another program") << int(ERROR_ACCESS_DENIED) << "COM3 be occupied";
    QTest::newRow("sharing refused") << int(ERROR_SHARING_VIOLATION) << "COM3 be occupied";
    QTest::newRow("anything else") << int(ERROR_INVALID_PARAMETER) << "COM3 open fail";
}

void TestWinPlatform::openErrors()
{
    QFETCH(int, systemError);
    QFETCH(QString, text);
    QCOMPARE(LinkSession::openOutcomeText(3, WinSerialPort::classifyOpenError(DWORD(systemError))),
             text);
}

void TestWinPlatform::portsWithoutDevice_data()
{
    QTest::addColumn<QString>("name");
    // COM30 is no port at all; Wine lists COM5 (pointed at nothing by scripts/test-windows)
    // without a device behind it, and a real machine usually has no COM5.
    QTest::newRow("COM30") << "COM30";
    QTest::newRow("COM5") << "COM5";
    // Named with the device namespace's prefix already: opened as it is, never prefixed twice.
    QTest::newRow("\\\\.\\COM30") << "\\\\.\\COM30";
}

void TestWinPlatform::portsWithoutDevice()
{
    QFETCH(QString, name);
    WinSerialPort port(PortMap(QStringList{name}));
    port.setCommPort(1);
    QCOMPARE(port.openPort(), SerialPort::NoSuchPort);
    QVERIFY(!port.portOpen());
    QCOMPARE(port.devicePath(), name);
}

void TestWinPlatform::saveFolder()
{
    const QString folder = SaveFile::saveFolder();
    QCOMPARE(folder, QStringLiteral("c:\\Quillobarent"));
    QDir existing(folder);
    if (existing.exists() && !existing.isEmpty())
        QSKIP("c:\\Quillobarent holds files of its own: left alone");
    existing.removeRecursively();

    QCOMPARE(SaveFile::prepareSaveFolder(), folder);
    QVERIFY(QFileInfo(folder).isDir());
    QVERIFY(QDir(folder).removeRecursively());

    // A file where the folder would be: the save goes to the user's Documents instead.
    QFile blocker(folder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString documents = QDir::toNativeSeparators(
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    QVERIFY(!documents.isEmpty());
    QCOMPARE(SaveFile::prepareSaveFolder(), documents);
    QVERIFY(QFile::remove(folder));
}

void TestWinPlatform::codePage_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes"); // empty: refused
    QTest::newRow("pair colon, CR LF")
            << QStringLiteral("05：30\r\n") << QByteArray("05\xA3\xBA" "30\r\n");
    QTest::newRow("message text") << QStringLiteral("文件保存出错.")
                                  << QByteArray("\xCE\xC4\xBC\xFE\xB1\xA3\xB4\xE6\xB3\xF6\xB4\xED.");
    QTest::newRow("emoji") << QStringLiteral("a\U0001F600b") << QByteArray();
    QTest::newRow("Thai") << QStringLiteral("a\u0E01b") << QByteArray();
}

void TestWinPlatform::codePage()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QString why;
    const std::optional<QByteArray> encoded = DataFile::encode(text, &why);
    if (bytes.isEmpty()) {
        QVERIFY(!encoded.has_value());
        QCOMPARE(why, QStringLiteral("The listing holds characters that GBK cannot represent."));
    } else {
        QVERIFY2(encoded.has_value(), qPrintable(why));
        QCOMPARE(*encoded, bytes);
    }
}

QTEST_MAIN(TestWinPlatform)
#include "tst_winplatform.moc"
