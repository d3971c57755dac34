// The numbers, units and texts the command-line exports write, as tables: the quantity of a
// record's fields, checked against the texts the readouts and the listing write from the same
// bytes, and the CSV and JSON writers.
#include "core/export.h"
#include "core/listing.h"
#include "core/quantity.h"
#include "core/readout.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>
#include <QTimeZone>

namespace {

const QString kOhm = QStringLiteral("\u03A9");

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int v : values)
        result.append(char(quint8(v)));
    return result;
}

const std::uint8_t *data(const QByteArray &b)
{
    return reinterpret_cast<const std::uint8_t *>(b.constData());
}

// "12.3 Ω", "over", "under", "error", "-": a value in one word.
QString describe(const Quantity::Value &v)
{
    switch (v.state) {
    case Quantity::State::Number:
        return v.plainText() + QLatin1Char(' ') + v.unit;
    case Quantity::State::OverRange:
        return QStringLiteral("over");
    case Quantity::State::UnderRange:
        return QStringLiteral("under");
    case Quantity::State::Error:
        return QStringLiteral("error");
    case Quantity::State::None:
        break;
    }
    return QStringLiteral("-");
}

// The text a readout shows for a value, as the value says it should look.
bool readoutAgrees(const QString &text, const Quantity::Value &v)
{
    switch (v.state) {
    case Quantity::State::Number:
        return text == QLatin1Char(' ') + v.shownText() + v.unit;
    case Quantity::State::OverRange:
        return text.trimmed() == QStringLiteral("0L");
    case Quantity::State::UnderRange:
        return text.startsWith(QStringLiteral("L0.01"));
    case Quantity::State::Error:
        return text == QStringLiteral(" ERROR");
    case Quantity::State::None:
        return !text.contains(QRegularExpression(QStringLiteral("[0-9]L|[AVΩ]$")));
    }
    return false;
}

Export::Reading reading(const QString &main, const QString &second, const QByteArray &reply)
{
    Export::Reading r;
    r.time = QDateTime(QDate(2024, 5, 1), QTime(14, 3, 7, 250), QTimeZone(7200));
    r.kind = quint8(reply.at(0));
    r.mainText = main;
    r.secondText = second;
    r.values = Quantity::of(Record::read(data(reply)), Quantity::Shown::Realtime);
    return r;
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void quantities_data();
    void quantities();
    void csvField_data();
    void csvField();
    void readingRows_data();
    void readingRows();
    void storedRecords_data();
    void storedRecords();
    void recordsJson();
};

void TestExport::quantities_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QString>("realtime1");
    QTest::addColumn<QString>("realtime2");
    QTest::addColumn<QString>("listing1");
    QTest::addColumn<QString>("listing2");

    QTest::newRow("kind 1") << bytes({1, 0, 123, 1, 0, 45, 4}) << "12.3 " + kOhm << "4.5 mA"
                            << "12.3 " + kOhm << "4.5 mA";
    // The one place the two disagree: the readout shows hundredths of an ampere.
    QTest::newRow("kind 1, amperes range 1")
            << bytes({1, 0, 10, 2, 4, 5, 1}) << "0.1 " + kOhm << "4.05 A"
            << "0.1 " + kOhm << "40.5 A";
    QTest::newRow("kind 1, current over range")
            << bytes({1, 1, 23, 1, 4, 6, 1}) << "12.3 " + kOhm << "over"
            << "12.3 " + kOhm << "over";
    QTest::newRow("kind 1, no second value")
            << bytes({1, 1, 23, 1, 0, 45, 255}) << "12.3 " + kOhm << "error"
            << "12.3 " + kOhm << "error";
    QTest::newRow("kind 1, both ranges bad") << bytes({1, 1, 23, 9, 0, 45, 9}) << "error"
                                             << "error"
                                             << "error"
                                             << "error";
    QTest::newRow("kind 1, mA range 6, fixed")
            << bytes({1, 1, 23, 1, 0, 50, 6}) << "12.3 " + kOhm << "0.05 mA"
            << "12.3 " + kOhm << "0.05 mA";
    QTest::newRow("kind 2, under range") << bytes({2, 0, 13, 3, 0, 5, 30}) << "under"
                                         << "-"
                                         << "under"
                                         << "-";
    QTest::newRow("kind 2, just above under range")
            << bytes({2, 0, 14, 3, 0, 5, 30}) << "0.014 " + kOhm << "-"
            << "0.014 " + kOhm << "-";
    QTest::newRow("kind 2, over range") << bytes({2, 15, 0, 4, 0, 5, 30}) << "over"
                                        << "-"
                                        << "over"
                                        << "-";
    QTest::newRow("kind 2, just below over range")
            << bytes({2, 14, 99, 4, 0, 5, 30}) << "1499 " + kOhm << "-"
            << "1499 " + kOhm << "-";
    QTest::newRow("kind 3, amperes") << bytes({3, 4, 5, 1, 0, 5, 30}) << "40.5 A"
                                     << "-"
                                     << "40.5 A"
                                     << "-";
    QTest::newRow("kind 3, over range") << bytes({3, 4, 6, 1, 0, 5, 30}) << "over"
                                        << "-"
                                        << "over"
                                        << "-";
    QTest::newRow("kind 3, mA range 5, fixed") << bytes({3, 0, 50, 5, 0, 5, 30}) << "0.5 mA"
                                               << "-"
                                               << "0.5 mA"
                                               << "-";
    QTest::newRow("kind 3, bad range") << bytes({3, 0, 12, 0, 0, 5, 30}) << "error"
                                       << "-"
                                       << "error"
                                       << "-";
    QTest::newRow("kind 4, fixed volts") << bytes({4, 2, 20, 7, 12, 30, 7}) << "22 V"
                                         << "-"
                                         << "22 V"
                                         << "-";
    QTest::newRow("unknown kind") << bytes({0, 1, 23, 1, 0, 45, 4}) << "-"
                                  << "-"
                                  << "-"
                                  << "-";
}

void TestExport::quantities()
{
    QFETCH(QByteArray, record);
    QFETCH(QString, realtime1);
    QFETCH(QString, realtime2);
    QFETCH(QString, listing1);
    QFETCH(QString, listing2);
    const Record::Fields fields = Record::read(data(record));
    const Quantity::Pair realtime = Quantity::of(fields, Quantity::Shown::Realtime);
    const Quantity::Pair listing = Quantity::of(fields, Quantity::Shown::Listing);
    QCOMPARE(describe(realtime.first), realtime1);
    QCOMPARE(describe(realtime.second), realtime2);
    QCOMPARE(describe(listing.first), listing1);
    QCOMPARE(describe(listing.second), listing2);

    // The numbers stand beside texts written by other code from the same bytes: they agree.
    const Realtime::Readout r = Realtime::decodeReply(record, {});
    QVERIFY2(readoutAgrees(r.mainText, realtime.first), qPrintable(r.mainText));
    if (fields.kind == Record::ResistanceAndCurrent)
        QVERIFY2(readoutAgrees(r.secondText, realtime.second), qPrintable(r.secondText));

    // The listing's line is the record's two texts with spaces between.
    const QList<Export::StoredRecord> rows = Export::storedRecords(data(record), 7, 1, 0);
    QCOMPARE(rows.size(), 1);
    const QString line
            = Listing::build(data(record), 7, 1, 0).text.section(QStringLiteral("\r\n"), -1);
    const QString head = QString(15, u' ') + QStringLiteral("001") + QString(24, u' ');
    const QString rest = line.mid(head.size());
    QVERIFY2(line.startsWith(head + rows.first().text1), qPrintable(line));
    QVERIFY2(rest.endsWith(rows.first().text2), qPrintable(line));
    const QString between
            = rest.mid(rows.first().text1.size(),
                       rest.size() - rows.first().text1.size() - rows.first().text2.size());
    QVERIFY2(between.trimmed().isEmpty(), qPrintable(line));
}

void TestExport::csvField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::newRow("plain") << QStringLiteral("12.3 Ohm") << QStringLiteral("12.3 Ohm");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("comma") << QStringLiteral("a,b") << QStringLiteral("\"a,b\"");
    QTest::newRow("quote") << QStringLiteral("say \"x\"") << QStringLiteral("\"say \"\"x\"\"\"");
    QTest::newRow("line break") << QStringLiteral("a\r\nb") << QStringLiteral("\"a\r\nb\"");
    QTest::newRow("leading space") << QStringLiteral(" 12.3Ω") << QStringLiteral("\" 12.3Ω\"");
    QTest::newRow("trailing spaces") << QStringLiteral("L0.01  ") << QStringLiteral("\"L0.01  \"");
}

void TestExport::csvField()
{
    QFETCH(QString, text);
    QFETCH(QString, field);
    QCOMPARE(Export::csvField(text), field);
}

void TestExport::readingRows_data()
{
    QTest::addColumn<Export::Reading>("reading");
    QTest::addColumn<QString>("row");
    const QString time = QStringLiteral("2024-05-01T14:03:07.250+02:00");
    QTest::newRow("kind 1") << reading(
            " 12.3" + kOhm, QStringLiteral(" 4.05A"), bytes({1, 0, 123, 1, 4, 5, 1}))
                            << time + ",resistance+current,\" 12.3Ω\",\" 4.05A\",12.3,Ω,4.05,A\r\n";
    QTest::newRow("over range: texts only") << reading(
            QStringLiteral(" 0L"), QStringLiteral(" 05:30"), bytes({2, 15, 0, 4, 0, 5, 30}))
                                            << time + ",resistance,\" 0L\",\" 05:30\",,,,\r\n";
    QTest::newRow("under range keeps its padding")
            << reading(QStringLiteral("L0.01") + QString(20, u' '),
                       QStringLiteral(" 05:30"),
                       bytes({2, 0, 13, 3, 0, 5, 30}))
            << time + ",resistance,\"L0.01" + QString(20, u' ') + "\",\" 05:30\",,,,\r\n";
    QTest::newRow("both ERROR") << reading(
            QStringLiteral(" ERROR"), QStringLiteral(" ERROR"), bytes({1, 1, 23, 9, 0, 45, 9}))
                                << time + ",resistance+current,\" ERROR\",\" ERROR\",,,,\r\n";
    QTest::newRow("fixed volts as a plain number")
            << reading(QStringLiteral(" 22.0V"), QString(), bytes({4, 2, 20, 7, 12, 30, 255}))
            << time + ",voltage,\" 22.0V\",,22,V,,\r\n";
}

void TestExport::readingRows()
{
    QFETCH(Export::Reading, reading);
    QFETCH(QString, row);
    QCOMPARE(QString::fromUtf8(Export::readingCsvRow(reading)), row);
}

void TestExport::storedRecords_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("csv");
    const QString header = QStringLiteral("number,kind,value1,unit1,value2,unit2,text1,text2\r\n");
    QTest::newRow("none") << QByteArray() << 0 << header;
    QTest::newRow("one of each kind")
            << bytes({1, 0, 123, 1, 0,  45, 4, 2, 1,  44, 2, 0, 5, 30,
                      3, 0, 12,  4, 12, 30, 7, 4, 22, 5,  0, 0, 5, 30})
            << 4
            << header + "1,resistance+current,12.3,Ω,4.5,mA,12.3 Ohm,4.5 mA\r\n"
                       + "2,resistance,1.44,Ω,,,1.44 Ohm,05：30\r\n"
                       + "3,current,1.2,mA,,,1.2 mA,1230：07\r\n"
                       + "4,voltage,220.5,V,,,220.5 V,05：30\r\n";
    QTest::newRow("out of range and errors keep only their texts")
            << bytes({2, 15, 0,  4, 0, 5, 30, 2, 0, 13, 3, 0, 5, 30,
                      3, 0,  12, 9, 0, 5, 30, 1, 1, 23, 1, 4, 6, 1})
            << 4
            << header + "1,resistance,,,,,0L,05：30\r\n" + "2,resistance,,,,,L0.01,05：30\r\n"
                       + "3,current,,,,,ERROR,05：30\r\n"
                       + "4,resistance+current,12.3,Ω,,,12.3 Ohm,0L\r\n";
    QTest::newRow("no second value: pairs gone from there on")
            << bytes({2, 1, 44, 2, 0, 5, 30, 2, 1, 44, 2, 0, 5, 255, 4, 22, 5, 0, 0, 5, 30}) << 3
            << header + "1,resistance,1.44,Ω,,,1.44 Ohm,05：30\r\n"
                       + "2,resistance,1.44,Ω,,,1.44 Ohm,\r\n" + "3,voltage,220.5,V,,,220.5 V,\r\n";
    QTest::newRow("fewer bytes than announced: whole records only")
            << bytes({4, 22, 5, 0, 0, 5, 30, 4, 22}) << 5
            << header + "1,voltage,220.5,V,,,220.5 V,05：30\r\n";
}

void TestExport::storedRecords()
{
    QFETCH(QByteArray, block);
    QFETCH(int, count);
    QFETCH(QString, csv);
    const QList<Export::StoredRecord> records
            = Export::storedRecords(data(block), block.size(), count, 0);
    QCOMPARE(QString::fromUtf8(Export::recordsCsv(records)), csv);
}

void TestExport::recordsJson()
{
    QCOMPARE(Export::recordsJson({}), QByteArray("[]\n"));
    const QByteArray block = bytes({1, 0, 123, 1, 4, 6, 1, 2, 1, 44, 2, 0, 5, 30});
    const QByteArray json = Export::recordsJson(Export::storedRecords(data(block), 14, 2, 0));
    QCOMPARE(QString::fromUtf8(json),
             QStringLiteral(
                     "[\n"
                     "  {\"number\": 1, \"kind\": \"resistance+current\", \"value1\": 12.3, "
                     "\"unit1\": \"Ω\", \"value2\": null, \"unit2\": null, \"text1\": \"12.3 "
                     "Ohm\", \"text2\": \"0L\"},\n"
                     "  {\"number\": 2, \"kind\": \"resistance\", \"value1\": 1.44, \"unit1\": "
                     "\"Ω\", \"value2\": null, \"unit2\": null, \"text1\": \"1.44 Ohm\", "
                     "\"text2\": \"05：30\"}\n"
                     "]\n"));
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(doc.array().at(1).toObject().value(QStringLiteral("value1")).toDouble(), 1.44);
}

QTEST_GUILESS_MAIN(TestExport)
#include "tst_export.moc"
