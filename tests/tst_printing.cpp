// Print and Print Setup: the dialog flags, the failure messages, and what reaches the printer.
#include "fakes/testwindow.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

namespace {

QByteArray recordBlock(int n)
{
    QByteArray block;
    for (int i = 1; i <= n; ++i)
        block.append(QByteArray::fromRawData("\x02\x01\x2C\x02\x00\x05\x1E", 7));
    return block;
}

void loadRecords(TestWindow &w, int n)
{
    w->DecodeStoredRecords(recordBlock(n), qint16(n));
}

// Selects the listing from the start of line `first` to the end of line `last` (0-based).
void selectLines(TestWindow &w, int first, int last)
{
    QTextDocument *doc = w->ui().RichTextBox1->document();
    QTextCursor cursor(doc);
    cursor.setPosition(doc->findBlockByNumber(first).position());
    const QTextBlock end = doc->findBlockByNumber(last);
    cursor.setPosition(end.position() + end.length() - 1, QTextCursor::KeepAnchor);
    w->ui().RichTextBox1->setTextCursor(cursor);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int pageCount(const QByteArray &pdf)
{
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
    return int(QString::fromLatin1(pdf).count(page));
}

// Prints go to a PDF file in the test's folder.
QString printToPdf(TestWindow &w, const QTemporaryDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    w->printer().setOutputFormat(QPrinter::PdfFormat);
    w->printer().setOutputFileName(path);
    return path;
}

} // namespace

class PrintingTest : public QObject
{
    Q_OBJECT

private slots:
    void printFlags_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<int>("flags");
        QTest::newRow("read mode, nothing selected") << 2 << false << 264;
        QTest::newRow("read mode, text selected") << 2 << true << 265;
        QTest::newRow("realtime mode, nothing selected") << 1 << false << 264;
        QTest::newRow("realtime mode, text selected") << 1 << true << 265;
    }

    void printFlags()
    {
        QFETCH(int, mode);
        QFETCH(bool, selected);
        QFETCH(int, flags);
        TestWindow w;
        w.stopTimers();
        mode == 1 ? w->Option1_Click() : w->Option2_Click();
        loadRecords(w, 3);
        if (selected)
            selectLines(w, 3, 3);
        w.dialog->printerAnswers = {CommonDialog::Cancelled};
        w->mnuprint_Click();
        QCOMPARE(w.dialog->shownPrinters.size(), 1);
        QCOMPARE(w.dialog->shownPrinters.first().flags, flags);
        QVERIFY(w.dialog->shownPrinters.first().cancelError);
    }

    void printSetupFlags()
    {
        TestWindow w;
        w.dialog->printerAnswers = {CommonDialog::Accepted};
        w->mnuprintsetting_Click();
        QCOMPARE(w.dialog->shownPrinters.size(), 1);
        QCOMPARE(w.dialog->shownPrinters.first().flags, 328);
        QVERIFY(w.dialog->shownPrinters.first().cancelError);
        QVERIFY(w.messages->shown.isEmpty());
    }

    void dialogFailures_data()
    {
        QTest::addColumn<bool>("setup");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        const QString why = QStringLiteral("The printer is not available.");
        QTest::newRow("print fails")
                << false << int(CommonDialog::Failed) << QStringLiteral("Printing Error!")
                << QStringLiteral("文件打印出错.\r\n") + why;
        QTest::newRow("print setup fails")
                << true << int(CommonDialog::Failed) << QStringLiteral("Printsetting Error!")
                << QStringLiteral("打印设置出错.\r\n") + why;
        QTest::newRow("print cancelled")
                << false << int(CommonDialog::Cancelled) << QString() << QString();
        QTest::newRow("print setup cancelled")
                << true << int(CommonDialog::Cancelled) << QString() << QString();
    }

    void dialogFailures()
    {
        QFETCH(bool, setup);
        QFETCH(int, answer);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QTemporaryDir dir;
        TestWindow w;
        w.stopTimers();
        w->Option2_Click();
        loadRecords(w, 3);
        const QString pdf = printToPdf(w, dir, QStringLiteral("out.pdf"));
        w.dialog->printerAnswers = {CommonDialog::Result(answer)};
        setup ? w->mnuprintsetting_Click() : w->mnuprint_Click();
        if (title.isEmpty()) {
            QVERIFY(w.messages->shown.isEmpty());
            QCOMPARE(w.messages->beeps, 0);
        } else {
            QCOMPARE(w.messages->beeps, 1);
            QCOMPARE(w.messages->shown.size(), 1);
            QCOMPARE(w.messages->shown.first().icon, MessageBoxes::Exclamation);
            QCOMPARE(w.messages->shown.first().title, title);
            QCOMPARE(w.messages->shown.first().text, text);
        }
        QVERIFY(!QFile::exists(pdf)); // nothing printed
    }

    // Read mode: the whole listing, or only the selection when text is selected.
    void printListing()
    {
        QTemporaryDir dir;
        TestWindow w;
        w.stopTimers();
        w->Option2_Click();
        loadRecords(w, 300);

        const QString whole = printToPdf(w, dir, QStringLiteral("whole.pdf"));
        w.dialog->printerAnswers = {CommonDialog::Accepted};
        w->mnuprint_Click();
        const QByteArray wholePdf = readAll(whole);
        QVERIFY(wholePdf.startsWith("%PDF"));
        const int wholePages = pageCount(wholePdf);
        QVERIFY2(wholePages >= 3, qPrintable(QString::number(wholePages))); // 303 lines

        selectLines(w, 3, 5);
        const QString part = printToPdf(w, dir, QStringLiteral("selection.pdf"));
        w.dialog->printerAnswers = {CommonDialog::Accepted};
        w->mnuprint_Click();
        const QByteArray partPdf = readAll(part);
        QVERIFY(partPdf.startsWith("%PDF"));
        QCOMPARE(pageCount(partPdf), 1);
        QVERIFY(partPdf.size() < wholePdf.size());
        // Printing leaves the selection as it was.
        QCOMPARE(w->ui().RichTextBox1->textCursor().selectedText().count(QChar::ParagraphSeparator),
                 2);

        // The user switched the dialog to "all": the whole listing, selection or not.
        const QString all = printToPdf(w, dir, QStringLiteral("all.pdf"));
        w.dialog->printerSelectionChosen = false;
        w.dialog->printerAnswers = {CommonDialog::Accepted};
        w->mnuprint_Click();
        QCOMPARE(pageCount(readAll(all)), wholePages);
        QCOMPARE(w.messages->shown.size(), 0);
    }

    // Realtime mode: the window as shown on one page; the listing is not printed.
    void printWindowInRealtimeMode()
    {
        QTemporaryDir dir;
        TestWindow w;
        w.stopTimers();
        loadRecords(w, 300);
        w->Option1_Click();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
        const QString path = printToPdf(w, dir, QStringLiteral("window.pdf"));
        w.dialog->printerAnswers = {CommonDialog::Accepted};
        w->mnuprint_Click();
        const QByteArray pdf = readAll(path);
        QVERIFY(pdf.startsWith("%PDF"));
        QCOMPARE(pageCount(pdf), 1);
        QVERIFY(pdf.contains("/Subtype /Image"));
    }

    // A printer that cannot be opened after the dialog said yes (here a file in a folder that
    // does not exist) is reported like a dialog failure, in both modes.
    void unopenablePrinterReported_data()
    {
        QTest::addColumn<bool>("realtime");
        QTest::newRow("listing") << false;
        QTest::newRow("window in realtime mode") << true;
    }
    void unopenablePrinterReported()
    {
        QFETCH(bool, realtime);
        TestWindow w;
        w.stopTimers();
        loadRecords(w, 3);
        if (realtime)
            w->Option1_Click();
        w->printer().setOutputFormat(QPrinter::PdfFormat);
        w->printer().setOutputFileName(QStringLiteral("/nonexistent/dir/out.pdf"));
        w.dialog->printerAnswers = {CommonDialog::Accepted};
        w->mnuprint_Click();
        QCOMPARE(w.messages->shown.size(), 1);
        QCOMPARE(w.messages->shown.first().title, QStringLiteral("Printing Error!"));
        QVERIFY(w.messages->shown.first().text.contains(
                QDir::toNativeSeparators(QStringLiteral("/nonexistent/dir/out.pdf"))));
        QCOMPARE(w.messages->beeps, 1);
    }

    // What Print Setup chose is made on the window's printer and stays for later printing.
    void setupChoicesStay()
    {
        QTemporaryDir dir;
        TestWindow w;
        w.stopTimers();
        w->Option2_Click();
        loadRecords(w, 3);
        w.dialog->printerAnswers = {CommonDialog::Accepted};
        w->mnuprintsetting_Click();
        w->printer().setPageOrientation(QPageLayout::Landscape); // as the user chose there
        const QString path = printToPdf(w, dir, QStringLiteral("landscape.pdf"));
        w.dialog->printerAnswers = {CommonDialog::Accepted};
        w->mnuprint_Click();
        QCOMPARE(w->printer().pageLayout().orientation(), QPageLayout::Landscape);
        const QByteArray pdf = readAll(path);
        static const QRegularExpression box(
                QStringLiteral("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]"));
        const QRegularExpressionMatch m = box.match(QString::fromLatin1(pdf));
        QVERIFY(m.hasMatch());
        QVERIFY(m.captured(1).toDouble() > m.captured(2).toDouble());
    }
};

QTEST_MAIN(PrintingTest)
#include "tst_printing.moc"
