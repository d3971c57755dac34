// The data file: the listing saved as GBK text through the save dialog, and its failures.
#include "app/listingview.h"
#include "core/datafile.h"
#include "desktop/qtdialogs.h"
#include "fakes/testwindow.h"
#include "platform/savefile.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

const QByteArray kTitleBytes = QByteArrayLiteral("                              "
                                                 "Quillo Barent Software Test Data");

QByteArray bytesOf(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes.append(char(v));
    return bytes;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<unreadable>");
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Points HOME at a folder of the test's own for as long as it lives.
class TemporaryHome
{
public:
    explicit TemporaryHome(const QString &path)
        : m_old(qgetenv("HOME"))
    {
        qputenv("HOME", QFile::encodeName(path));
    }
    ~TemporaryHome() { qputenv("HOME", m_old); }
    TemporaryHome(const TemporaryHome &) = delete;
    TemporaryHome &operator=(const TemporaryHome &) = delete;

private:
    QByteArray m_old;
};

// Lets files grow to at most `bytes` while it lives: a disk that fills up, without touching
// any file's mode.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool active() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};

void loadOneRecord(TestWindow &w)
{
    const QByteArray block = bytesOf(
            {0x02, 0x01, 0x2C, 0x02, 0x00, 0x05, 0x1E, 0x03, 0x00, 0x05, 0x09, 0x00, 0x05, 0x1E});
    w->DecodeStoredRecords(block, 2);
}

// The file of loadOneRecord's listing, byte for byte: GBK, the colon as A3 BA, CR LF breaks.
const QByteArray kTwoRecordFile
        = kTitleBytes
          + QByteArrayLiteral(
                  "\r\n\r\n               NO.                       Value 1                      Value 2"
                  "\r\n               001                        1.44 Ohm                       05\xA3\xBA"
                  "30"
                  "\r\n               002                        ERROR05\xA3\xBA"
                  "30");

} // namespace

class DataFileTest : public QObject
{
    Q_OBJECT

private slots:
    void encodesGbkWithCrLf()
    {
        const std::optional<QByteArray> bytes = DataFile::encode(QStringLiteral("a：b\r\n"));
        QVERIFY(bytes.has_value());
        QCOMPARE(*bytes,
                 QByteArrayLiteral("a\xA3\xBA"
                                   "b\r\n"));
    }

    void refusesWhatGbkCannotHold()
    {
        QString why;
        QVERIFY(!DataFile::encode(QStringLiteral("a\U0001F600b"), &why).has_value());
        QVERIFY(!why.isEmpty());
    }

    // What the desktop's save dialog makes of the text file's filter and default extension.
    void desktopDialogFilter()
    {
        QCOMPARE(QtCommonDialog::toQtNameFilters(DataFile::filter()),
                 QStringList{QStringLiteral("文本格式 (*.txt)")});
        QCOMPARE(QtCommonDialog::withDefaultExtension(QStringLiteral("/a/Quillobarent"),
                                                      DataFile::defaultExt()),
                 QStringLiteral("/a/Quillobarent.txt"));
        QCOMPARE(QtCommonDialog::withDefaultExtension(QStringLiteral("/a/data.log"),
                                                      DataFile::defaultExt()),
                 QStringLiteral("/a/data.log"));
    }

    // "Save", proposed name accepted: the folder is made, the file holds the listing exactly.
    void saveProposedName()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        TemporaryHome useHome(home.path());
        TestWindow w;
        w.stopTimers();
        w->Option2_Click();
        loadOneRecord(w);
        w.dialog->saveAnswers = {{}};
        w->Command5_Click();

        const QString folder = home.filePath(QStringLiteral("Quillobarent"));
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(w.dialog->shownSaves.size(), 1);
        const FakeCommonDialog::Shown shown = w.dialog->shownSaves.first();
        QCOMPARE(shown.fileName, QStringLiteral("Quillobarent"));
        QCOMPARE(shown.filter, QStringLiteral("文本格式 (*.txt)|*.txt"));
        QCOMPARE(shown.defaultExt, QStringLiteral(".txt"));
        QCOMPARE(shown.initDir, folder);
        QVERIFY(shown.cancelError);
        QCOMPARE(readAll(folder + QStringLiteral("/Quillobarent.txt")), kTwoRecordFile);
        QCOMPARE(QDir(folder).entryList(QDir::Files),
                 QStringList{QStringLiteral("Quillobarent.txt")});
        QVERIFY(w.messages->shown.isEmpty());
        QCOMPARE(w.messages->beeps, 0);
    }

    void saveBeforeAnyTransfer()
    {
        QTemporaryDir home;
        TemporaryHome useHome(home.path());
        TestWindow w;
        const QString path = home.filePath(QStringLiteral("start.txt"));
        w.dialog->saveAnswers = {{CommonDialog::Accepted, path, 0}};
        w->Command5_Click();
        QCOMPARE(readAll(path), kTitleBytes + QByteArrayLiteral("\r\n"));
    }

    // Clear's headers and a second transfer: the file follows the listing as shown.
    void saveAfterClear()
    {
        QTemporaryDir home;
        TemporaryHome useHome(home.path());
        TestWindow w;
        loadOneRecord(w);
        // A reading without a second value (byte 6 = 255): Clear then adds the one-column header.
        w->DecodeRealtimeReply(bytesOf({0x02, 0x01, 0x2C, 0x02, 0x00, 0x05, 0xFF}));
        w->Command6_Click();
        const QString path = home.filePath(QStringLiteral("clear.txt"));
        w.dialog->saveAnswers = {{CommonDialog::Accepted, path, 0}};
        w->Command5_Click();
        QCOMPARE(readAll(path),
                 kTwoRecordFile
                         + QByteArrayLiteral("               "
                                             "NO.                       "
                                             "Value 1"));
    }

    void cancelWritesNothing()
    {
        QTemporaryDir home;
        TemporaryHome useHome(home.path());
        TestWindow w;
        loadOneRecord(w);
        w.dialog->saveAnswers = {{CommonDialog::Cancelled, QString(), 0}};
        w->Command5_Click();
        QCOMPARE(w.dialog->shownSaves.size(), 1);
        const QString folder = home.filePath(QStringLiteral("Quillobarent"));
        QVERIFY(QDir(folder).entryList(QDir::Files | QDir::Hidden).isEmpty());
        QVERIFY(w.messages->shown.isEmpty());
        QCOMPARE(w.messages->beeps, 0);
    }

    // Where the folder cannot be made (a file already has its name), the dialog opens at home.
    void folderCannotBeMade()
    {
        QTemporaryDir home;
        TemporaryHome useHome(home.path());
        writeFile(home.filePath(QStringLiteral("Quillobarent")), "not a folder");
        TestWindow w;
        loadOneRecord(w);
        w.dialog->saveAnswers = {{}};
        w->Command5_Click();
        QCOMPARE(w.dialog->shownSaves.first().initDir, home.path());
        QCOMPARE(readAll(home.filePath(QStringLiteral("Quillobarent.txt"))), kTwoRecordFile);
        QCOMPARE(readAll(home.filePath(QStringLiteral("Quillobarent"))),
                 QByteArray("not a folder"));
    }

    // The dialog object keeps the file type chosen last; the text save does not reset it.
    void filterIndexKept()
    {
        QTemporaryDir home;
        TemporaryHome useHome(home.path());
        TestWindow w;
        w.dialog->filterIndex = 2;
        w.dialog->saveAnswers = {{CommonDialog::Cancelled, QString(), 0}};
        w->Command5_Click();
        QCOMPARE(w.dialog->shownSaves.last().filterIndex, 2);
        QCOMPARE(w.dialog->filterIndex, 2);
        const QString path = home.filePath(QStringLiteral("a.txt"));
        w.dialog->saveAnswers = {{CommonDialog::Accepted, path, 1}};
        w->Command5_Click();
        QCOMPARE(w.dialog->filterIndex, 1);
    }

    void fileMenuSavesListingInReadMode()
    {
        QTemporaryDir home;
        TemporaryHome useHome(home.path());
        TestWindow w;
        w.stopTimers();
        w->Option2_Click();
        loadOneRecord(w);
        const QString path = home.filePath(QStringLiteral("menu.txt"));
        w.dialog->saveAnswers = {{CommonDialog::Accepted, path, 0}};
        w->mnusave_Click();
        QCOMPARE(readAll(path), kTwoRecordFile);
    }

    void existingFileReplacedWhole()
    {
        QTemporaryDir home;
        TemporaryHome useHome(home.path());
        const QString path = home.filePath(QStringLiteral("old.txt"));
        writeFile(path, QByteArray(4000, 'x'));
        TestWindow w;
        loadOneRecord(w);
        w.dialog->saveAnswers = {{CommonDialog::Accepted, path, 0}};
        w->Command5_Click();
        QCOMPARE(readAll(path), kTwoRecordFile);
    }

    void writeFailureReported_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("folder that cannot exist") << QStringLiteral("/nonexistent/dir/f.txt");
        QTest::newRow("name of an existing folder") << QStringLiteral("<home>/Quillobarent");
        QTest::newRow("inside a missing folder") << QStringLiteral("<home>/missing/f.txt");
    }

    void writeFailureReported()
    {
        QFETCH(QString, path);
        QTemporaryDir home;
        TemporaryHome useHome(home.path());
        path.replace(QStringLiteral("<home>"), home.path());
        TestWindow w;
        loadOneRecord(w);
        w.dialog->saveAnswers = {{CommonDialog::Accepted, path, 0}};
        w->Command5_Click();
        QCOMPARE(w.messages->beeps, 1);
        QCOMPARE(w.messages->shown.size(), 1);
        const FakeMessageBoxes::Message message = w.messages->shown.first();
        QCOMPARE(message.icon, MessageBoxes::Exclamation);
        QCOMPARE(message.title, QStringLiteral("Saving Error!"));
        const QString start = QStringLiteral("文件保存出错.\r\n") + path + QStringLiteral("\r\n");
        QVERIFY2(message.text.startsWith(start), qPrintable(message.text));
        QVERIFY2(message.text.size() > start.size(), "the reason is missing");
        QVERIFY(!QFileInfo(path).isFile());
        // Nothing left behind where the file was to go.
        const QDir folder = QFileInfo(path).dir();
        if (folder.exists())
            QVERIFY(folder.entryList(QDir::Files | QDir::Hidden).isEmpty());
    }

    // The disk fills up while the file is written: the old file stays as it was, no partial
    // file is left, and the user is told.
    void oldFileIntactWhenWriteFails()
    {
        QTemporaryDir home;
        TemporaryHome useHome(home.path());
        const QString path = home.filePath(QStringLiteral("kept.txt"));
        const QByteArray old = QByteArrayLiteral("old listing\r\n");
        writeFile(path, old);
        TestWindow w;
        loadOneRecord(w);
        w.dialog->saveAnswers = {{CommonDialog::Accepted, path, 0}};
        {
            FileSizeLimit limit(64);
            QVERIFY(limit.active());
            w->Command5_Click();
        }
        QCOMPARE(readAll(path), old);
        QCOMPARE(QDir(home.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("kept.txt")});
        QCOMPARE(w.messages->beeps, 1);
        QCOMPARE(w.messages->shown.size(), 1);
        QCOMPARE(w.messages->shown.first().title, QStringLiteral("Saving Error!"));
        const QString text = w.messages->shown.first().text;
        QVERIFY(text.startsWith(QStringLiteral("文件保存出错.\r\n") + path));

        // With room again the same save goes through.
        w.dialog->saveAnswers = {{CommonDialog::Accepted, path, 0}};
        w->Command5_Click();
        QCOMPARE(readAll(path), kTwoRecordFile);
        QCOMPARE(w.messages->shown.size(), 1);
    }

    void writeSavedFileReportsSuccess()
    {
        QTemporaryDir home;
        TestWindow w;
        QVERIFY(w->WriteSavedFile(home.filePath(QStringLiteral("x.bin")), "abc"));
        QVERIFY(!w->WriteSavedFile(QStringLiteral("/nonexistent/dir/x.bin"), "abc"));
        QCOMPARE(w.messages->shown.size(), 1);
    }

    // Empty data is a failed encoding, never a file: refused with a reason, the old file kept
    // and no new one made.
    void emptyDataRefused_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::newRow("over an existing file") << true;
        QTest::newRow("new file") << false;
    }

    void emptyDataRefused()
    {
        QFETCH(bool, existing);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kept.txt"));
        if (existing)
            writeFile(path, "old listing");
        QString why;
        QVERIFY(!SaveFile::writeAtomically(path, QByteArray(), &why));
        QVERIFY(!why.isEmpty());
        QCOMPARE(readAll(path), existing ? QByteArray("old listing") : QByteArray("<unreadable>"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), existing ? 1 : 0);
    }

    // A saved file read back by an independent GBK decoder is the listing's text.
    void roundTripThroughIconv()
    {
        const QString iconv = QStandardPaths::findExecutable(QStringLiteral("iconv"));
        if (iconv.isEmpty())
            QSKIP("iconv is not installed");
        QTemporaryDir home;
        TemporaryHome useHome(home.path());
        TestWindow w;
        QByteArray block;
        for (int i = 0; i < 150; ++i)
            block.append(bytesOf({1 + i % 4, i % 100, i, 1 + i % 7, 12, 30, i % 60}));
        w->DecodeStoredRecords(block, 150);
        w->Command6_Click();
        const QString path = home.filePath(QStringLiteral("round.txt"));
        w.dialog->saveAnswers = {{CommonDialog::Accepted, path, 0}};
        w->Command5_Click();

        QProcess process;
        process.start(iconv,
                      {QStringLiteral("-f"),
                       QStringLiteral("GBK"),
                       QStringLiteral("-t"),
                       QStringLiteral("UTF-8"),
                       path});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        const QString listing = ListingView::text(*w->ui().RichTextBox1);
        QVERIFY(listing.contains(QStringLiteral("：")));
        QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()), listing);
        QVERIFY(!readAll(path).startsWith("\xEF\xBB\xBF"));
    }
};

QTEST_MAIN(DataFileTest)
#include "tst_datafile.moc"
