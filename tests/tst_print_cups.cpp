// Printing the listing through the real print system: a CUPS scheduler of the test's own with a
// PDF queue, the window's Print command given as a user gives it, and the text of the PDF that
// comes out of the queue.
#include "fakes/testwindow.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

#include <csignal>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

const QString kQueue = QStringLiteral("QuilloTestPDF");
// Where Debian's cups puts its filters and backends, and the PDF printer's description.
const QString kServerBin = QStringLiteral("/usr/lib/cups");
const QString kPdfBackend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
const QString kPdfPpd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
const QString kPdfConfig = QStringLiteral("/etc/cups/cups-pdf.conf");
// A job goes through pdftops and ghostscript: a second or two; the wait allows far more.
constexpr int kJobTimeoutMs = 60000;

// A listing as the window writes it: title, header, numbered records; the pair texts hold the
// full-width colon, which only the CJK faces have.
const QStringList kListing = {
        QStringLiteral("                              Quillo Barent Software Test Data"),
        QStringLiteral("               NO.                       Value 1                      "
                       "Value 2"),
        QStringLiteral("               001                        1.44 Ohm                       "
                       "05：30"),
        QStringLiteral("               002                        22.0 V                         "
                       "1230：07"),
        QStringLiteral("               003                        0.014 Ohm                     "
                       "05：31"),
        QStringLiteral("               004                        40.5 A                         "
                       "23：59"),
};

QString run(const QString &program, const QStringList &args, int *exitCode = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
    }
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromLocal8Bit(process.readAll());
}

QString lastLines(const QString &path, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromLocal8Bit(file.readAll()).split('\n');
    return lines.mid(qMax<qsizetype>(0, lines.size() - count)).join('\n');
}

// The folder cups-pdf writes a user's PDFs into: its Out setting, ${HOME} and ${USER} being
// those of the user who printed (its default when unset: /var/spool/cups-pdf/${USER}).
QString pdfOutputFolder()
{
    QString out = QStringLiteral("/var/spool/cups-pdf/${USER}");
    QFile config(kPdfConfig);
    if (config.open(QIODevice::ReadOnly)) {
        static const QRegularExpression setting(QStringLiteral("^\\s*Out\\s+(\\S.*?)\\s*$"));
        for (const QString &line : QString::fromLocal8Bit(config.readAll()).split('\n')) {
            const QRegularExpressionMatch m = setting.match(line);
            if (m.hasMatch())
                out = m.captured(1);
        }
    }
    const passwd *user = ::getpwuid(::geteuid());
    if (!user)
        return {};
    out.replace(QStringLiteral("${HOME}"), QString::fromLocal8Bit(user->pw_dir));
    out.replace(QStringLiteral("${USER}"), QString::fromLocal8Bit(user->pw_name));
    return out;
}

// A CUPS scheduler of the test's own: configuration, spool, logs and socket in a temporary
// folder, nothing of the system's scheduler touched. Ends with the test (and with the test's
// process, should that die first).
class PrivateCups
{
public:
    ~PrivateCups()
    {
        if (m_cupsd.state() != QProcess::NotRunning) {
            m_cupsd.terminate();
            if (!m_cupsd.waitForFinished(10000))
                m_cupsd.kill();
            m_cupsd.waitForFinished();
        }
    }

    // Starts the scheduler and adds the PDF queue. Returns why not, or an empty string.
    QString start()
    {
        if (!m_dir.isValid())
            return QStringLiteral("no temporary folder");
        // Filters run as the scheduler's unprivileged user and must reach the spool below.
        QFile::setPermissions(m_dir.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                      | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                      | QFile::ExeOther);
        const QString d = m_dir.path();
        if (!write(QStringLiteral("cupsd.conf"),
                   QStringLiteral("Listen %1\n"
                                  "LogLevel info\n"
                                  "Browsing No\n"
                                  "WebInterface No\n"
                                  "<Location />\n  Order allow,deny\n  Allow localhost\n"
                                  "</Location>\n")
                           .arg(socketPath()))
            || !write(QStringLiteral("cups-files.conf"),
                      QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nCacheDir %1/cache\n"
                                     "StateDir %1/run\nServerBin %2\nDataDir /usr/share/cups\n"
                                     "ErrorLog %1/error_log\nAccessLog %1/access_log\n"
                                     "PageLog %1/page_log\n")
                              .arg(d, kServerBin)))
            return QStringLiteral("cannot write the configuration in %1").arg(d);

        m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
        m_cupsd.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_cupsd.start(QStandardPaths::findExecutable(
                              QStringLiteral("cupsd"),
                              {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")}),
                      {QStringLiteral("-f"),
                       QStringLiteral("-c"),
                       m_dir.filePath(QStringLiteral("cupsd.conf")),
                       QStringLiteral("-s"),
                       m_dir.filePath(QStringLiteral("cups-files.conf"))});
        if (!m_cupsd.waitForStarted(10000))
            return QStringLiteral("cupsd does not start: %1").arg(m_cupsd.errorString());
        const bool running = QTest::qWaitFor(
                [this] {
                    return m_cupsd.state() != QProcess::Running
                           || run(QStringLiteral("lpstat"), {"-h", socketPath(), "-r"})
                                      .contains(QStringLiteral("scheduler is running"));
                },
                20000);
        if (!running || m_cupsd.state() != QProcess::Running)
            return QStringLiteral("cupsd did not come up: %1 %2")
                    .arg(QString::fromLocal8Bit(m_cupsd.readAll()), log());

        int code = 0;
        const QString out = run(QStringLiteral("lpadmin"),
                                {"-h",
                                 socketPath(),
                                 "-p",
                                 kQueue,
                                 "-E",
                                 "-v",
                                 QStringLiteral("cups-pdf:/"),
                                 "-P",
                                 kPdfPpd,
                                 // The default converter to PostScript (ghostscript) turns the
                                 // fonts the listing embeds into glyph drawings without text:
                                 // the PDF looks right but holds nothing to read back.
                                 // pdftocairo keeps them as fonts with their characters.
                                 "-o",
                                 "pdftops-renderer-default=pdftocairo",
                                 // cups-pdf logs into /var/log/cups: errors only.
                                 "-o",
                                 "LogType=1"},
                                &code);
        if (code != 0)
            return QStringLiteral("lpadmin cannot add the PDF queue: %1 %2").arg(out, log());
        return {};
    }

    QString socketPath() const { return m_dir.filePath(QStringLiteral("cups.sock")); }
    QString log() const { return lastLines(m_dir.filePath(QStringLiteral("error_log")), 20); }
    // Jobs not completed yet (pending, held, processing, stopped).
    bool idle() const
    {
        return run(QStringLiteral("lpstat"), {"-h", socketPath(), "-o", kQueue})
                .trimmed()
                .isEmpty();
    }

private:
    bool write(const QString &name, const QString &text)
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0;
    }

    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/quillo-cups-XXXXXX")};
    QProcess m_cupsd;
};

// Selects the listing from the start of line `first` to the end of line `last` (0-based).
void selectLines(QPlainTextEdit *listing, int first, int last)
{
    QTextDocument *doc = listing->document();
    QTextCursor cursor(doc);
    cursor.setPosition(doc->findBlockByNumber(first).position());
    const QTextBlock end = doc->findBlockByNumber(last);
    cursor.setPosition(end.position() + end.length() - 1, QTextCursor::KeepAnchor);
    listing->setTextCursor(cursor);
}

// The text lines of a PDF, runs of spaces made one: the columns' widths depend on the face.
QStringList pdfLines(const QString &pdf)
{
    QStringList lines;
    const QString text = run(QStringLiteral("pdftotext"), {"-layout", "-enc", "UTF-8", pdf, "-"});
    for (const QString &line : text.split('\n')) {
        const QString simple = line.simplified();
        if (!simple.isEmpty())
            lines.append(simple);
    }
    return lines;
}

} // namespace

class CupsPrintTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (::geteuid() != 0)
            QSKIP("cupsd runs the PDF backend (cups-pdf) only when started as root");
        for (const QString &tool :
             {QStringLiteral("lpstat"), QStringLiteral("lpadmin"), QStringLiteral("pdftotext")}) {
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(tool
                                 + " is not installed (scripts/bootstrap installs cups and "
                                   "poppler-utils)"));
        }
        if (!QFile::exists(kPdfBackend) || !QFile::exists(kPdfPpd))
            QSKIP("the PDF printer is not installed (scripts/bootstrap installs "
                  "printer-driver-cups-pdf)");
        m_outFolder = pdfOutputFolder();
        if (m_outFolder.isEmpty())
            QSKIP("cannot tell where cups-pdf puts the PDFs");

        const QString why = m_cups.start();
        if (!why.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no private cupsd: ") + why));
        // Qt's print support asks the scheduler this names; no QPrinter exists yet.
        qputenv("CUPS_SERVER", m_cups.socketPath().toLocal8Bit());
    }

    void printListing_data()
    {
        QTest::addColumn<int>("firstSelected"); // -1: nothing selected
        QTest::addColumn<int>("lastSelected");
        QTest::newRow("whole listing") << -1 << -1;
        QTest::newRow("selected records") << 3 << 4;
    }

    void printListing()
    {
        QFETCH(int, firstSelected);
        QFETCH(int, lastSelected);

        TestWindow w;
        w.stopTimers();
        w->Option2_Click();
        auto *listing = w->findChild<QPlainTextEdit *>(QStringLiteral("RichTextBox1"));
        QVERIFY(listing);
        listing->setPlainText(kListing.join('\n'));
        if (firstSelected >= 0)
            selectLines(listing, firstSelected, lastSelected);

        // What the print dialog does when the user picks the queue and presses Print.
        QPrinter &printer = w->printer();
        printer.setPrinterName(kQueue);
        QCOMPARE(printer.printerName(), kQueue);
        QCOMPARE(printer.outputFormat(), QPrinter::NativeFormat);
        // cups-pdf names its file after the job's title.
        const QString title = QStringLiteral("quillocupstest%1x%2")
                                      .arg(QCoreApplication::applicationPid())
                                      .arg(++m_jobs);
        printer.setDocName(title);
        w.dialog->printerAnswers = {CommonDialog::Accepted};
        w->mnuprint_Click();
        QVERIFY(w.messages->shown.isEmpty());

        QString pdf;
        const bool done = QTest::qWaitFor(
                [&] {
                    const QStringList found
                            = QDir(m_outFolder)
                                      .entryList({QStringLiteral("*%1*.pdf").arg(title)},
                                                 QDir::Files);
                    if (found.isEmpty() || !m_cups.idle())
                        return false;
                    pdf = QDir(m_outFolder).filePath(found.first());
                    return true;
                },
                kJobTimeoutMs);
        QVERIFY2(done,
                 qPrintable(QStringLiteral("no PDF in %1 for job %2; scheduler log:\n%3")
                                    .arg(m_outFolder, title, m_cups.log())));
        const QStringList lines = pdfLines(pdf);
        QFile::remove(pdf);

        for (int i = 0; i < kListing.size(); ++i) {
            const bool printed = firstSelected < 0 || (i >= firstSelected && i <= lastSelected);
            QVERIFY2(lines.contains(kListing.at(i).simplified()) == printed,
                     qPrintable(QStringLiteral("line %1 %2 the PDF; its text:\n%3")
                                        .arg(i)
                                        .arg(printed ? "missing from" : "should not be in")
                                        .arg(lines.join('\n'))));
        }
    }

private:
    PrivateCups m_cups;
    QString m_outFolder;
    int m_jobs = 0;
};

QTEST_MAIN(CupsPrintTest)
#include "tst_print_cups.moc"
