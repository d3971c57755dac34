// The desktop dialogs' own rules: the default extension of a typed name, and when a printer
// left by a dialog is not fit to print on (the dialog itself runs on the offscreen platform).
#include "desktop/qtdialogs.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TstQtDialogs : public QObject
{
    Q_OBJECT

private slots:
    void defaultExtension_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("defaultExt");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no extension") << "/a/report"
                                      << ".txt"
                                      << "/a/report.txt";
        QTest::newRow("extension given without its dot") << "/a/report"
                                                         << "txt"
                                                         << "/a/report.txt";
        QTest::newRow("own extension") << "/a/data.log"
                                       << ".txt"
                                       << "/a/data.log";
        QTest::newRow("trailing dot: no extension wanted") << "/a/report."
                                                           << ".txt"
                                                           << "/a/report.";
        QTest::newRow("two trailing dots") << "/a/report.."
                                           << ".txt"
                                           << "/a/report..";
        QTest::newRow("dot first") << "/a/.profile"
                                   << ".txt"
                                   << "/a/.profile";
        QTest::newRow("dot only in the folder") << "/a.b/report"
                                                << ".bmp"
                                                << "/a.b/report.bmp";
        QTest::newRow("no default extension") << "/a/report"
                                              << ""
                                              << "/a/report";
        QTest::newRow("default extension a dot alone") << "/a/report"
                                                       << "."
                                                       << "/a/report";
        QTest::newRow("no name") << ""
                                 << ".txt"
                                 << "";
    }

    void defaultExtension()
    {
        QFETCH(QString, path);
        QFETCH(QString, defaultExt);
        QFETCH(QString, expected);
        QCOMPARE(QtCommonDialog::withDefaultExtension(path, defaultExt), expected);
    }

    // The test machine has no printer installed, so Qt's PDF writer stands in for it, as it
    // does for a user without one.
    void printerReadiness_data()
    {
        QTest::addColumn<QString>("outputFile"); // <tmp> is a folder that exists
        QTest::addColumn<bool>("ready");
        QTest::newRow("file in an existing folder") << "<tmp>/out.pdf" << true;
        QTest::newRow("existing file is replaced") << "<tmp>/existing.pdf" << true;
        QTest::newRow("no printer and no file") << "" << false;
        QTest::newRow("folder that cannot exist") << "/nonexistent/dir/out.pdf" << false;
        QTest::newRow("name of a folder") << "<tmp>/folder.pdf" << false;
    }

    void printerReadiness()
    {
        QFETCH(QString, outputFile);
        QFETCH(bool, ready);
        QTemporaryDir tmp;
        QVERIFY(QDir(tmp.path()).mkdir(QStringLiteral("folder.pdf")));
        QFile existing(tmp.filePath(QStringLiteral("existing.pdf")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        outputFile.replace(QStringLiteral("<tmp>"), tmp.path());

        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(outputFile);
        if (printer.outputFormat() != QPrinter::PdfFormat)
            QSKIP("a printer is installed here: without a file it prints on that");
        const QString problem = QtCommonDialog::printerProblem(printer);
        QCOMPARE(problem.isEmpty(), ready);
        if (!outputFile.isEmpty() && !ready)
            QVERIFY2(problem.contains(QDir::toNativeSeparators(outputFile)), qPrintable(problem));
    }

    // The whole dialog round: a printer left unfit is a failure with a reason, Cancel is not.
    void setupDialogReportsAnUnfitPrinter_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::addColumn<int>("result");
        QTest::newRow("accepted") << true << int(CommonDialog::Failed);
        QTest::newRow("cancelled") << false << int(CommonDialog::Cancelled);
    }

    void setupDialogReportsAnUnfitPrinter()
    {
        QFETCH(bool, accept);
        QFETCH(int, result);
#ifdef Q_OS_WIN
        QSKIP("Windows' own page setup dialog: refuses a PDF printer and takes no answer from here");
#endif
        const QString unwritable = QStringLiteral("/nonexistent/dir/out.pdf");
        QPrinter printer;
        printer.setOutputFileName(unwritable);
        QtCommonDialog dialog(nullptr);
        dialog.flags = CommonDialog::PD_PRINTSETUP | CommonDialog::PD_RETURNDC
                       | CommonDialog::PD_NOPAGENUMS;
        // Answers the dialog as soon as it is up; nothing else closes it.
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            if (auto *shown = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                accept ? shown->accept() : shown->reject();
        });
        answer.start(10);
        bool selectionChosen = true;
        QCOMPARE(int(dialog.showPrinter(printer, selectionChosen)), result);
        QVERIFY(!selectionChosen);
        QCOMPARE(dialog.errorDescription.contains(unwritable), accept);
    }
};

QTEST_MAIN(TstQtDialogs)
#include "tst_qtdialogs.moc"
