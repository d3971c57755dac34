// The data listing: the text built from a stored-record block, and the list that shows it.
#include "app/listingview.h"
#include "core/listing.h"
#include "core/numbertext.h"
#include "core/readout.h"
#include "core/record.h"
#include "fakes/testwindow.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <memory>
#include <vector>

namespace {

const QString kTitle = QStringLiteral("                              "
                                      "Quillo Barent Software Test Data");
const QString kTwoColumns = QStringLiteral("               NO.                       "
                                           "Value 1                      Value 2");
const QString kOneColumn = QStringLiteral("               NO.                       Value 1 ");
const QString kClearOneColumn = QStringLiteral("               NO.                       Value 1");
// What every record line starts with, for record 1.
const QString kFirst = QStringLiteral("\r\n               001                        ");

QByteArray bytesOf(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes.append(char(v));
    return bytes;
}

Listing::Result buildFrom(const QByteArray &block, int count, quint8 singleValue)
{
    // An exact-size heap copy, so a read past the end is caught under the address sanitizer.
    const auto length = std::size_t(qMax<qsizetype>(block.size(), 1));
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[length]);
    std::copy(block.cbegin(), block.cend(), exact.get());
    return Listing::build(exact.get(), block.size(), count, singleValue);
}

// A block of n kind-2 records whose value 1 is the record number (range 4: plain ohms).
QByteArray numberedBlock(int n)
{
    QByteArray block;
    block.reserve(n * 7);
    for (int i = 1; i <= n; ++i) {
        const int v = i % 1500;
        block.append(bytesOf({2, v / 100, v % 100, 4, 0, 5, 30}));
    }
    return block;
}

QStringList linesOf(const QString &text)
{
    return text.split(QStringLiteral("\r\n"));
}

// The first column as the shared number texts write it, for one kind and range code.
QString sharedColumn(int kind, int range, int v)
{
    using NumberText::fixed;
    using NumberText::plain;
    const float f = float(v);
    auto pad = [](const QString &text, int spaces) { return text + QString(spaces, u' '); };
    switch (kind * 10 + range) {
    case 21:
        return pad(plain(f / 10.0f) + QStringLiteral(" Ohm"), 22);
    case 22:
        return pad(plain(f / 100.0f) + QStringLiteral(" Ohm"), 23);
    case 23:
        return v <= 13 ? pad(QStringLiteral("L0.01"), 23)
                       : pad(plain(f / 1000.0f) + QStringLiteral(" Ohm"), 21);
    case 24:
        return v >= 1500 ? pad(QStringLiteral("0L"), 27)
                         : pad(plain(f) + QStringLiteral(" Ohm"), 22);
    case 31:
        return v > 405 ? pad(QStringLiteral("0L"), 27)
                       : pad(plain(f / 10.0f) + QStringLiteral(" A"), 25);
    case 32:
        return pad(plain(f / 100.0f) + QStringLiteral(" A"), 24);
    case 33:
        return pad(plain(f) + QStringLiteral(" mA"), 23);
    case 34:
        return pad(plain(f / 10.0f) + QStringLiteral(" mA"), 22);
    case 35:
        return pad(fixed(f / 100.0f, 2) + QStringLiteral(" mA"), 22);
    case 36:
        return pad(fixed(f / 1000.0f, 3) + QStringLiteral(" mA"), 21);
    case 40:
        return pad(fixed(f / 10.0f, 1) + QStringLiteral(" V"), 25);
    }
    return QStringLiteral("?");
}

} // namespace

class ListingTest : public QObject
{
    Q_OBJECT

private slots:
    void fixedTexts()
    {
        QCOMPARE(Listing::title(), kTitle);
        QCOMPARE(Listing::title().size(), 62);
        QCOMPARE(Listing::twoColumnHeader(), kTwoColumns);
        QCOMPARE(Listing::twoColumnHeader().size(), 77);
        QCOMPARE(Listing::oneColumnHeader(), kOneColumn);
        QCOMPARE(Listing::oneColumnHeader().size(), 49);
        QCOMPARE(Listing::clearOneColumnHeader(), kClearOneColumn);
        QCOMPARE(Listing::clearOneColumnHeader().size(), 48);
        QCOMPARE(Listing::startText(), kTitle + QStringLiteral("\r\n"));
    }

    // One record, its line exactly; the flag and kind after it.
    void oneRecord_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<int>("singleValueBefore");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("singleValueAfter");

        QTest::newRow("kind 1, ohms and mA")
                << bytesOf({0x01, 0x00, 0x7B, 0x01, 0x00, 0x2D, 0x04}) << 0
                << QStringLiteral("12.3 Ohm                      4.5 mA") << 0;
        QTest::newRow("kind 2, pair text")
                << bytesOf({0x02, 0x01, 0x2C, 0x02, 0x00, 0x05, 0x1E}) << 0
                << QStringLiteral("1.44 Ohm                       05：30") << 0;
        QTest::newRow("kind 4, 255 sets the flag, no column 2")
                << bytesOf({0x04, 0x00, 0xDC, 0x00, 0x00, 0x00, 0xFF}) << 0
                << QStringLiteral("22.0 V                         ") << 1;
        QTest::newRow("pair of four digits")
                << bytesOf({4, 0, 220, 7, 12, 30, 7}) << 0
                << QStringLiteral("22.0 V                         1230：07") << 0;
        QTest::newRow("range 3, 13 is L0.01")
                << bytesOf({2, 0, 13, 3, 0, 5, 30}) << 0
                << QStringLiteral("L0.01                       05：30") << 0;
        QTest::newRow("range 3, 14 ohm thousandths")
                << bytesOf({2, 0, 14, 3, 0, 5, 30}) << 0
                << QStringLiteral("0.014 Ohm                     05：30") << 0;
        QTest::newRow("range 4, 1499")
                << bytesOf({2, 14, 99, 4, 0, 5, 30}) << 0
                << QStringLiteral("1499 Ohm                      05：30") << 0;
        QTest::newRow("range 4, 1500 is 0L")
                << bytesOf({2, 15, 0, 4, 0, 5, 30}) << 0
                << QStringLiteral("0L                           05：30") << 0;
        QTest::newRow("resistance range 0")
                << bytesOf({2, 0, 5, 0, 0, 5, 30}) << 0
                << QStringLiteral("ERROR                      05：30") << 0;
        QTest::newRow("resistance range 5")
                << bytesOf({1, 0, 5, 5, 0, 5, 4}) << 0
                << QStringLiteral("ERROR                      0.5 mA") << 0;
        QTest::newRow("current range 1, 405")
                << bytesOf({3, 4, 5, 1, 0, 5, 30}) << 0
                << QStringLiteral("40.5 A                         05：30") << 0;
        QTest::newRow("current range 1, 406 is 0L")
                << bytesOf({3, 4, 6, 1, 0, 5, 30}) << 0
                << QStringLiteral("0L                           05：30") << 0;
        QTest::newRow("current range 2")
                << bytesOf({3, 1, 44, 2, 0, 5, 30}) << 0
                << QStringLiteral("1.44 A                        05：30") << 0;
        QTest::newRow("current range 3")
                << bytesOf({3, 1, 44, 3, 0, 5, 30}) << 0
                << QStringLiteral("144 mA                       05：30") << 0;
        QTest::newRow("current range 4")
                << bytesOf({3, 1, 44, 4, 0, 5, 30}) << 0
                << QStringLiteral("14.4 mA                      05：30") << 0;
        QTest::newRow("current range 5, two decimals")
                << bytesOf({3, 0, 5, 5, 0, 5, 30}) << 0
                << QStringLiteral("0.05 mA                      05：30") << 0;
        QTest::newRow("current range 6, three decimals")
                << bytesOf({3, 0, 5, 6, 0, 5, 30}) << 0
                << QStringLiteral("0.005 mA                     05：30") << 0;
        QTest::newRow("kind 3 ERROR has no trailing spaces")
                << bytesOf({3, 0, 5, 9, 0, 5, 30}) << 0 << QStringLiteral("ERROR05：30") << 0;
        QTest::newRow("kind 3 ERROR alone once the flag is set")
                << bytesOf({3, 0, 5, 9, 0, 5, 30}) << 1 << QStringLiteral("ERROR") << 1;
        QTest::newRow("kind 1 with 255: flag set, column 2 ERROR")
                << bytesOf({1, 0, 123, 1, 0, 45, 255}) << 0
                << QStringLiteral("12.3 Ohm                      ERROR") << 1;
        QTest::newRow("kind 1 second value in A, no spaces after it")
                << bytesOf({1, 0, 123, 1, 1, 44, 2}) << 0
                << QStringLiteral("12.3 Ohm                      1.44 A") << 0;
        QTest::newRow("kind 1 second value over 405 in range 1")
                << bytesOf({1, 0, 123, 1, 4, 6, 1}) << 0
                << QStringLiteral("12.3 Ohm                      0L") << 0;
        QTest::newRow("kind 1 keeps column 2 once the flag is set")
                << bytesOf({1, 0, 123, 1, 0, 45, 4}) << 1
                << QStringLiteral("12.3 Ohm                      4.5 mA") << 1;
        QTest::newRow("kind 2 without pair once the flag is set")
                << bytesOf({2, 1, 44, 2, 0, 5, 30}) << 1
                << QStringLiteral("1.44 Ohm                       ") << 1;
        QTest::newRow("kind 0: number only")
                << bytesOf({0, 1, 44, 2, 0, 5, 30}) << 0 << QString() << 0;
        QTest::newRow("kind 5: number only")
                << bytesOf({5, 1, 44, 2, 0, 5, 30}) << 0 << QString() << 0;
        QTest::newRow("kind 255 with 255: number only, flag set")
                << bytesOf({255, 255, 255, 255, 255, 255, 255}) << 0 << QString() << 1;
        QTest::newRow("largest value, range 1")
                << bytesOf({2, 255, 255, 1, 0, 5, 30}) << 0
                << QStringLiteral("2575.5 Ohm                      05：30") << 0;
        QTest::newRow("largest value, range 2")
                << bytesOf({2, 255, 255, 2, 0, 5, 30}) << 0
                << QStringLiteral("257.55 Ohm                       05：30") << 0;
        QTest::newRow("largest value, range 6 and V")
                << bytesOf({3, 255, 255, 6, 0, 5, 30}) << 0
                << QStringLiteral("25.755 mA                     05：30") << 0;
        QTest::newRow("largest voltage, largest pair")
                << bytesOf({4, 255, 255, 0, 255, 255, 254}) << 0
                << QStringLiteral("2575.5 V                         25755：254") << 0;
        QTest::newRow("zero values") << bytesOf({4, 0, 0, 0, 0, 0, 0}) << 0
                                     << QStringLiteral("0.0 V                         00：00") << 0;
    }

    void oneRecord()
    {
        QFETCH(QByteArray, record);
        QFETCH(int, singleValueBefore);
        QFETCH(QString, line);
        QFETCH(int, singleValueAfter);

        const Listing::Result result = buildFrom(record, 1, quint8(singleValueBefore));
        const QString header = singleValueBefore ? kOneColumn : kTwoColumns;
        QCOMPARE(result.text, kTitle + QStringLiteral("\r\n\r\n") + header + kFirst + line);
        QCOMPARE(int(result.singleValue), singleValueAfter);
    }

    // Every value a record can carry (both bytes 0 to 255), in every column format: the
    // listing's numbers are the shared number texts of the single-precision quotients.
    void everyValueAsSharedNumberTexts_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("range");
        const std::pair<int, int> formats[] = {{2, 1},
                                               {2, 2},
                                               {2, 3},
                                               {2, 4},
                                               {3, 1},
                                               {3, 2},
                                               {3, 3},
                                               {3, 4},
                                               {3, 5},
                                               {3, 6},
                                               {4, 0}};
        for (const auto &[kind, range] : formats)
            QTest::addRow("kind %d range %d", kind, range) << kind << range;
    }

    void everyValueAsSharedNumberTexts()
    {
        QFETCH(int, kind);
        QFETCH(int, range);
        QByteArray block;
        for (int high = 0; high < 256; ++high) {
            for (int low = 0; low < 256; ++low)
                block.append(bytesOf({kind, high, low, range, high, low, low == 255 ? 254 : low}));
        }
        const QStringList lines = linesOf(buildFrom(block, 65536, 0).text);
        QCOMPARE(lines.size(), 3 + 65536);
        for (int i = 0; i < 65536; ++i) {
            const int high = i / 256, low = i % 256;
            const int v = high * 100 + low;
            const QString expected = QString(15, u' ')
                                     + QStringLiteral("%1").arg(i + 1, 3, 10, QLatin1Char('0'))
                                     + QString(24, u' ') + sharedColumn(kind, range, v)
                                     + NumberText::twoDigits(float(v)) + QStringLiteral("：")
                                     + NumberText::twoDigits(float(low == 255 ? 254 : low));
            if (lines.at(3 + i) != expected)
                QFAIL(qPrintable(QStringLiteral("bytes %1 %2:\n%3\n%4")
                                         .arg(high)
                                         .arg(low)
                                         .arg(lines.at(3 + i), expected)));
        }
    }

    void noRecords_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("count 0") << 0;
        QTest::newRow("negative count") << -5;
        QTest::newRow("count announced, no bytes") << 12;
    }

    void noRecords()
    {
        QFETCH(int, count);
        const Listing::Result two = buildFrom(QByteArray(), count, 0);
        QCOMPARE(two.text, kTitle + QStringLiteral("\r\n\r\n") + kTwoColumns);
        QCOMPARE(two.singleValue, quint8(0));
        const Listing::Result one = buildFrom(QByteArray(), count, 1);
        QCOMPARE(one.text, kTitle + QStringLiteral("\r\n\r\n") + kOneColumn);
        QCOMPARE(one.singleValue, quint8(1));
    }

    void nullBytesGiveNoRecords()
    {
        const Listing::Result result = Listing::build(nullptr, 70, 10, 0);
        QCOMPARE(result.text, kTitle + QStringLiteral("\r\n\r\n") + kTwoColumns);
    }

    // The record carrying 255 suppresses its own pair and every later one, but the header of
    // its block was written before it: the one-column header comes with the next block.
    void oneColumnHeaderFromNextBlock()
    {
        const QByteArray block = bytesOf({2, 1, 44,  2, 0, 5,  30,  // before: with pair
                                          3, 0, 5,   3, 0, 0,  255, // 255 here
                                          4, 0, 220, 0, 0, 5,  30,  // after: no pair
                                          1, 0, 123, 1, 0, 45, 4}); // kind 1 keeps column 2
        const Listing::Result first = buildFrom(block, 4, 0);
        const QString records = QStringLiteral(
                "\r\n               001                        1.44 Ohm                       05：30"
                "\r\n               002                        5 mA                       "
                "\r\n               003                        22.0 V                         "
                "\r\n               004                        12.3 Ohm                      4.5 mA");
        QCOMPARE(first.text, kTitle + QStringLiteral("\r\n\r\n") + kTwoColumns + records);
        QCOMPARE(first.singleValue, quint8(1));

        const Listing::Result second = buildFrom(block, 4, first.singleValue);
        QCOMPARE(second.text,
                 kTitle + QStringLiteral("\r\n\r\n") + kOneColumn
                         + QStringLiteral("\r\n               001                        "
                                          "1.44 Ohm                       "
                                          "\r\n               002                        "
                                          "5 mA                       "
                                          "\r\n               003                        "
                                          "22.0 V                         "
                                          "\r\n               004                        "
                                          "12.3 Ohm                      4.5 mA"));
    }

    // The under- and over-range edges come from one table: the realtime readout and the
    // listing column of the same record fall on the same side of each edge.
    void rangeEdgesAgree_data()
    {
        QTest::addColumn<int>("kind"); // 2: resistance in column 1, 3: current
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("counts");
        QTest::addColumn<QString>("side"); // "under", "in", "over" as the range table says
        QTest::addColumn<QString>("readout");
        QTest::addColumn<QString>("column");
        const QString ohm = QStringLiteral("\u03A9");
        QTest::newRow("resistance 3: 13")
                << 2 << 3 << 13 << "under"
                << "L0.01" + QString(20, u' ') << "L0.01" + QString(23, u' ');
        QTest::newRow("resistance 3: 14") << 2 << 3 << 14 << "in"
                                          << " 0.014" + ohm << "0.014 Ohm" + QString(21, u' ');
        QTest::newRow("resistance 4: 1499") << 2 << 4 << 1499 << "in"
                                            << " 1499" + ohm << "1499 Ohm" + QString(22, u' ');
        QTest::newRow("resistance 4: 1500") << 2 << 4 << 1500 << "over"
                                            << " 0L"
                                            << "0L" + QString(27, u' ');
        QTest::newRow("current 1: 405") << 3 << 1 << 405 << "in"
                                        << " 40.5A"
                                        << "40.5 A" + QString(25, u' ');
        QTest::newRow("current 1: 406") << 3 << 1 << 406 << "over"
                                        << "0L"
                                        << "0L" + QString(27, u' ');
    }

    void rangeEdgesAgree()
    {
        QFETCH(int, kind);
        QFETCH(int, code);
        QFETCH(int, counts);
        const std::optional<Record::Range> range
                = kind == 2 ? Record::resistanceRange(code) : Record::currentRange(code);
        QVERIFY(range);
        const auto v = std::uint32_t(counts);
        const QString side = range->underRangeMax && v <= *range->underRangeMax   ? "under"
                             : range->overRangeFrom && v >= *range->overRangeFrom ? "over"
                                                                                  : "in";
        QTEST(side, "side");
        // Without a second value, so the column is the end of the listing line.
        const QByteArray record = bytesOf({kind, counts / 100, counts % 100, code, 0, 5, 255});
        QTEST(Realtime::decodeReply(record, {}).mainText, "readout");
        const QString line = linesOf(buildFrom(record, 1, 1).text).last();
        QTEST(line.mid(15 + 3 + 24), "column");
    }

    void numbering_data()
    {
        QTest::addColumn<int>("record");
        QTest::addColumn<QString>("line");
        QTest::newRow("1") << 1
                           << QStringLiteral("               001                        "
                                             "1 Ohm                      05：30");
        QTest::newRow("7") << 7
                           << QStringLiteral("               007                        "
                                             "7 Ohm                      05：30");
        QTest::newRow("42") << 42
                            << QStringLiteral("               042                        "
                                              "42 Ohm                      05：30");
        QTest::newRow("100") << 100
                             << QStringLiteral("               100                        "
                                               "100 Ohm                      05：30");
        QTest::newRow("123") << 123
                             << QStringLiteral("               123                        "
                                               "123 Ohm                      05：30");
        QTest::newRow("999") << 999
                             << QStringLiteral("               999                        "
                                               "999 Ohm                      05：30");
        QTest::newRow("1000") << 1000
                              << QStringLiteral("               1000                        "
                                                "1000 Ohm                      05：30");
        QTest::newRow("1234") << 1234
                              << QStringLiteral("               1234                        "
                                                "1234 Ohm                      05：30");
    }

    void numbering()
    {
        QFETCH(int, record);
        QFETCH(QString, line);
        const Listing::Result result = buildFrom(numberedBlock(1234), 1234, 0);
        const QStringList lines = linesOf(result.text);
        QCOMPARE(lines.size(), 3 + 1234);
        QCOMPARE(lines.at(2 + record), line);
    }

    // The largest block the instrument's count can describe in 16 bits: every record there,
    // none lost, the last one numbered 4681, no line break after it.
    void fullBlock()
    {
        const Listing::Result result = buildFrom(numberedBlock(4681), 4681, 0);
        const QStringList lines = linesOf(result.text);
        QCOMPARE(lines.size(), 3 + 4681);
        QCOMPARE(lines.at(0), kTitle);
        QCOMPARE(lines.at(1), QString());
        QCOMPARE(lines.at(2), kTwoColumns);
        for (int i = 1; i <= 4681; ++i) {
            const int v = i % 1500;
            const QString expected = QStringLiteral("               %1                        "
                                                    "%2                      05：30")
                                             .arg(i, 3, 10, QLatin1Char('0'))
                                             .arg(QString::number(v) + QStringLiteral(" Ohm"));
            if (lines.at(2 + i) != expected)
                QFAIL(qPrintable(QStringLiteral("record %1: %2").arg(i).arg(lines.at(2 + i))));
        }
        QVERIFY(!result.text.endsWith(QStringLiteral("\r\n")));
    }

    // More records than fit in 16-bit byte positions: all of them, when they are all there.
    void blockAboveFullSize()
    {
        const Listing::Result result = buildFrom(numberedBlock(5000), 5000, 0);
        const QStringList lines = linesOf(result.text);
        QCOMPARE(lines.size(), 3 + 5000);
        QCOMPARE(lines.last(),
                 QStringLiteral("               5000                        "
                                "500 Ohm                      05：30"));
    }

    void shortBlock_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("lines");
        QTest::newRow("3 whole and part of a 4th of 5") << 5 << 3 * 7 + 4 << 3;
        QTest::newRow("6 bytes of 1") << 1 << 6 << 0;
        QTest::newRow("exactly 2 of 3") << 3 << 14 << 2;
        QTest::newRow("more bytes than announced") << 2 << 5 * 7 << 2;
    }

    void shortBlock()
    {
        QFETCH(int, count);
        QFETCH(int, bytes);
        QFETCH(int, lines);
        const QByteArray block = numberedBlock(5).left(bytes);
        const Listing::Result result = buildFrom(block, count, 0);
        const QStringList got = linesOf(result.text);
        QCOMPARE(got.size(), 3 + lines);
        if (lines > 0)
            QCOMPARE(got.last(),
                     QStringLiteral("               %1                        "
                                    "%2 Ohm                      05：30")
                             .arg(lines, 3, 10, QLatin1Char('0'))
                             .arg(lines));
    }

    // ---- The window ----

    void startsWithTitleLine()
    {
        TestWindow w;
        QCOMPARE(ListingView::text(*w->ui().RichTextBox1), kTitle + QStringLiteral("\r\n"));
    }

    // A read from the instrument: count, block request, block; the listing replaced whole.
    void transferFillsListing()
    {
        TestWindow w;
        w.stopTimers();
        w.connectOn(1);
        w->Option2_Click();
        w->Command4_Click();
        w.port->deliver(bytesOf({5, 5, 0, 2}));
        w->Timer3_Timer();
        QVERIFY(!w->ui().transferProgress->isHidden());
        QCOMPARE(w.port->written.right(1), bytesOf({25}));
        w.port->deliver(bytesOf({0x02, 0x01, 0x2C, 0x02, 0x00, 0x05, 0x1E}));
        QCOMPARE(ListingView::text(*w->ui().RichTextBox1), kTitle + QStringLiteral("\r\n"));
        w.port->deliver(bytesOf({0x04, 0x00, 0xDC, 0x00, 0x00, 0x00, 0xFF}));
        QCOMPARE(ListingView::text(*w->ui().RichTextBox1),
                 kTitle + QStringLiteral("\r\n\r\n") + kTwoColumns + kFirst
                         + QStringLiteral("1.44 Ohm                       05：30\r\n               "
                                          "002                        "
                                          "22.0 V                         "));
        QCOMPARE(w->measure().singleValue, quint8(1));
        QVERIFY(!w->ui().Check1->isEnabled());
        QVERIFY(!w->ui().Check2->isEnabled());
        QVERIFY(w->ui().transferProgress->isHidden());
    }

    // The list shows the text line by line: one paragraph per listing line.
    void listShowsLines()
    {
        TestWindow w;
        w->DecodeStoredRecords(numberedBlock(3), 3);
        QCOMPARE(w->ui().RichTextBox1->document()->blockCount(), 6);
        QCOMPARE(w->ui().RichTextBox1->document()->findBlockByNumber(3).text(),
                 QStringLiteral("               001                        "
                                "1 Ohm                      05：30"));
        QVERIFY(!w->ui().RichTextBox1->toPlainText().contains(QLatin1Char('\r')));
    }

    void emptyBlockAfterRecords()
    {
        TestWindow w;
        w->DecodeStoredRecords(bytesOf({3, 0, 7, 3, 0, 5, 30}), 1);
        w->DecodeStoredRecords(QByteArray(), 0);
        QCOMPARE(ListingView::text(*w->ui().RichTextBox1),
                 kTitle + QStringLiteral("\r\n\r\n") + kTwoColumns);
    }

    void clear_data()
    {
        QTest::addColumn<bool>("transfer");
        QTest::addColumn<int>("singleValue");
        QTest::addColumn<int>("presses");
        QTest::addColumn<QString>("listing");

        QTest::newRow("after start-up")
                << false << 0 << 1 << kTitle + QStringLiteral("\r\n") + kTwoColumns;
        QTest::newRow("after start-up, one column")
                << false << 1 << 1 << kTitle + QStringLiteral("\r\n") + kClearOneColumn;
        QTest::newRow("twice") << false << 0 << 2
                               << kTitle + QStringLiteral("\r\n") + kTwoColumns + kTwoColumns;
        QTest::newRow("after a transfer, same line")
                << true << 0 << 1
                << kTitle + QStringLiteral("\r\n\r\n") + kTwoColumns + kFirst
                           + QStringLiteral("1.44 Ohm                       05：30") + kTwoColumns;
        QTest::newRow("after a transfer, one column, twice")
                << true << 1 << 2
                << kTitle + QStringLiteral("\r\n\r\n") + kOneColumn + kFirst
                           + QStringLiteral("1.44 Ohm                       ") + kClearOneColumn
                           + kClearOneColumn;
    }

    void clear()
    {
        QFETCH(bool, transfer);
        QFETCH(int, singleValue);
        QFETCH(int, presses);
        QFETCH(QString, listing);
        TestWindow w;
        // The flag is set by a reading without a second value (byte 6 = 255).
        if (singleValue)
            w->DecodeRealtimeReply(bytesOf({0x02, 0x01, 0x2C, 0x02, 0x00, 0x05, 0xFF}));
        if (transfer)
            w->DecodeStoredRecords(bytesOf({0x02, 0x01, 0x2C, 0x02, 0x00, 0x05, 0x1E}), 1);
        for (int i = 0; i < presses; ++i)
            w->Command6_Click();
        QCOMPARE(ListingView::text(*w->ui().RichTextBox1), listing);
        // The list shows it: the appended header is on the last line, as shown.
        const QString lastLine = linesOf(listing).last();
        QCOMPARE(w->ui().RichTextBox1->document()->lastBlock().text(), lastLine);
        QCOMPARE(w->measure().singleValue, quint8(singleValue));
    }

    void pageDownAndUp()
    {
        TestWindow w;
        w.stopTimers();
        w->Option2_Click();
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
        w->DecodeStoredRecords(numberedBlock(400), 400);
        QScrollBar *bar = w->ui().RichTextBox1->verticalScrollBar();
        QCOMPARE(bar->value(), 0);
        QCOMPARE(w->ui().RichTextBox1->textCursor().blockNumber(), 0);

        w->Command8_Click();
        const int firstPage = bar->value();
        const int caretAfterDown = w->ui().RichTextBox1->textCursor().blockNumber();
        QVERIFY(firstPage > 0);
        QVERIFY(caretAfterDown > 0);
        QCOMPARE(QApplication::focusWidget(), w->ui().RichTextBox1);
        w->Command8_Click();
        QVERIFY(bar->value() > firstPage);
        QVERIFY(w->ui().RichTextBox1->textCursor().blockNumber() > caretAfterDown);

        w->Command7_Click();
        w->Command7_Click();
        QCOMPARE(bar->value(), 0);
        QCOMPARE(w->ui().RichTextBox1->textCursor().blockNumber(), 0);
        QCOMPARE(QApplication::focusWidget(), w->ui().RichTextBox1);
        // Paging selects nothing and changes nothing.
        QVERIFY(!w->ui().RichTextBox1->textCursor().hasSelection());
        QCOMPARE(w->ui().RichTextBox1->document()->blockCount(), 403);
    }
};

QTEST_MAIN(ListingTest)
#include "tst_listing.moc"
