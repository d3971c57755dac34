// The inspection report: each record's verdict against the limit, and the PDF read back as a
// reader's tools read it (pdftotext, pdfinfo, pdffonts).
#include "core/report.h"
#include "draw/reportpdf.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

namespace {

QByteArray record(int kind, int counts1, int range1, int last = 0, int counts2 = 0)
{
    const char bytes[Record::kBytes] = {char(kind),
                                        char(counts1 / 100),
                                        char(counts1 % 100),
                                        char(range1),
                                        char(counts2 / 100),
                                        char(counts2 % 100),
                                        char(last)};
    return QByteArray(bytes, Record::kBytes);
}

// What a tool prints, or empty when the tool is missing or fails.
QString run(const QString &tool, const QStringList &arguments)
{
    QProcess p;
    p.start(tool, arguments);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// 103 records of every kind and every state a verdict can come from.
Archive::Entry siteEntry()
{
    Archive::Entry e;
    e.id = 42;
    e.takenAt = QDateTime(QDate(2026, 5, 4), QTime(14, 3, 7), QTimeZone(7200));
    e.port = QStringLiteral("COM3");
    e.device = QStringLiteral("/dev/ttyUSB0");
    e.program = QStringLiteral("quillobarent");
    e.computer = QStringLiteral("van-2");
    e.note = QStringLiteral("变电站 7, north electrode");
    for (int i = 0; i < 103; ++i) {
        const QByteArray cycle[] = {
                record(2, 2490 + i % 20, 2, 5, 30), // 24.90 to 25.09 Ω
                record(1, 180 + i, 1, 5, 1234),     // Ω and mA
                record(3, 2000 + i, 4, 0, 1130),    // a current
                record(4, 2301, 0, 0, 930),         // a voltage
                record(2, 1500, 4),                 // 0L
                record(2, 13, 3),                   // L0.01
                record(2, 500, 7),                  // ERROR
                record(2, 2500, 2, 5, 45),          // 25.00 Ω: at the limit
        };
        e.records += cycle[i % 8];
    }
    e.recordCount = 103;
    return e;
}

} // namespace

class ReportTest : public QObject
{
    Q_OBJECT

private slots:
    void verdicts_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<double>("limit");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("at the limit passes") << record(2, 2500, 2) << 25.0 << "pass";
        QTest::newRow("just over fails") << record(2, 2501, 2) << 25.0 << "FAIL";
        QTest::newRow("well under") << record(2, 1234, 2) << 25.0 << "pass";
        QTest::newRow("limit typed as 0.29, 0.29 shown") << record(2, 290, 3) << 0.29 << "pass";
        QTest::newRow("limit 0.29, 0.291 shown") << record(2, 291, 3) << 0.29 << "FAIL";
        QTest::newRow("whole ohms over") << record(2, 26, 4) << 25.0 << "FAIL";
        QTest::newRow("kind 1 judged on its resistance")
                << record(1, 3000, 2, 1, 999) << 25.0 << "FAIL";
        QTest::newRow("0L") << record(2, 1500, 4) << 25.0 << "cannot be judged";
        QTest::newRow("L0.01") << record(2, 13, 3) << 25.0 << "cannot be judged";
        QTest::newRow("ERROR") << record(1, 100, 5, 3) << 25.0 << "cannot be judged";
        QTest::newRow("current: no verdict") << record(3, 9999, 4) << 25.0 << "";
        QTest::newRow("voltage: no verdict") << record(4, 9999, 0) << 25.0 << "";
        QTest::newRow("unknown kind: no verdict") << record(7, 100, 2) << 25.0 << "";
    }
    void verdicts()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(double, limit);
        QFETCH(QString, verdict);
        const Record::Fields f = Record::read(reinterpret_cast<const std::uint8_t *>(bytes.data()));
        const Quantity::Pair values = Quantity::of(f, Quantity::Shown::Listing);
        QCOMPARE(Report::verdictText(Report::verdict(f.kind, values.first, limit)), verdict);
    }

    void pdfRoundTrip_data()
    {
        QTest::addColumn<int>("pageSize");
        QTest::addColumn<int>("pages");
        QTest::newRow("A4: 52 records a page") << int(QPageSize::A4) << 3;
        QTest::newRow("Letter: 48 records a page") << int(QPageSize::Letter) << 4;
    }
    void pdfRoundTrip();
};

void ReportTest::pdfRoundTrip()
{
    QFETCH(int, pageSize);
    QFETCH(int, pages);
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    const Report::Content content = Report::build(siteEntry(), 25);
    const QByteArray pdf = ReportPdf::render(content, QPageSize::PageSizeId(pageSize));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(pdf) == pdf.size());
    file.close();

    const QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, "-"});
    const QStringList pageTexts = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    QCOMPARE(pageTexts.size(), pages);
    QCOMPARE(ReportPdf::pageCount(103, QPageSize::PageSizeId(pageSize)), pages);
    for (int page = 1; page <= pages; ++page) {
        QVERIFY2(pageTexts.at(page - 1).contains(QStringLiteral("Archive ID 42")), "ID");
        QVERIFY(pageTexts.at(page - 1).contains(
                QStringLiteral("Page %1 of %2").arg(page).arg(pages)));
    }
    for (const QString &header :
         {QStringLiteral("Site: 变电站 7, north electrode"),
          QStringLiteral("2026-05-04 14:03:07 UTC+02:00"),
          QStringLiteral("/dev/ttyUSB0"),
          QStringLiteral("van-2"),
          QStringLiteral("25 Ω: a resistance at or below it passes"),
          QStringLiteral("RESULT: 9 of 38 judged resistance readings FAIL")})
        QVERIFY2(pageTexts.first().contains(header), qPrintable(header));

    // Each record's line: its number, value texts and verdict, in this order, nothing between.
    QMap<QString, QString> lines;
    static const QRegularExpression columns(QStringLiteral("\\s{2,}"));
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QStringList cells = line.trimmed().split(columns);
        if (cells.size() >= 2 && cells.first().toInt() > 0)
            lines.insert(cells.first(), cells.join(QLatin1Char('|')));
    }
    for (const Report::Line &l : content.lines) {
        QStringList expected{QString::number(l.record.number),
                             l.record.text1,
                             l.record.text2,
                             Report::verdictText(l.verdict)};
        expected.removeAll(QString());
        QCOMPARE(lines.value(expected.first()), expected.join(QLatin1Char('|')));
    }

    // Every font the text uses travels in the file.
    const QStringList fonts
            = run(QStringLiteral("pdffonts"), {path}).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(fonts.size() > 2);
    for (const QString &font : fonts.mid(2))
        QVERIFY2(font.contains(QStringLiteral(" yes ")), qPrintable(font));
}

QTEST_MAIN(ReportTest)
#include "tst_report.moc"
