// Statistics of the readings shown: which readings count under which quantity, in which unit
// and with how many decimals, over mixed sequences of realtime replies.
#include "core/readingstats.h"
#include "core/readout.h"

#include <QTest>

namespace {

using Texts = QStringList; // maximum, minimum, mean; empty: the boxes stay empty

// Decodes the replies one after the other as the window does, and counts each.
ReadingStats feed(const QStringList &hexReplies)
{
    ReadingStats stats;
    Realtime::Decoder decoder;
    for (const QString &hex : hexReplies)
        stats.add(decoder.decode(QByteArray::fromHex(hex.toLatin1())));
    return stats;
}

Texts textsOf(const ReadingStats &stats, ReadingStats::Quantity quantity)
{
    const std::optional<ReadingStats::Texts> t = stats.texts(quantity);
    return t ? Texts{t->maximum, t->minimum, t->mean} : Texts{};
}

} // namespace

class TestReadingStats : public QObject
{
    Q_OBJECT

private slots:
    void sequences_data();
    void sequences();
    void resetStartsOver();
};

void TestReadingStats::sequences_data()
{
    QTest::addColumn<QStringList>("replies");
    QTest::addColumn<Texts>("ohms");
    QTest::addColumn<Texts>("milliamperes");

    // kind, value 1 (two bytes, x100 + y), range 1, value 2 (two bytes), byte 6
    const QString r15_3 = QStringLiteral("020f1e02000005");    // kind 2, 1530 in range 2: 15.3 Ω
    const QString r12_35 = QStringLiteral("020c2302000005");   // kind 2, 12.35 Ω
    const QString k1_250 = QStringLiteral("010c1e01001901");   // kind 1: 123 Ω, 0.25 A
    const QString k1_100 = QStringLiteral("010c1e01000a01");   // kind 1: 123 Ω, 0.1 A
    const QString k1_none = QStringLiteral("010c1e010019ff");  // kind 1, no second value
    const QString k1_1499 = QStringLiteral("010e6304000503");  // kind 1: 1499 Ω, 5 mA
    const QString c1_50 = QStringLiteral("03013205000005");    // kind 3: 1.50 mA (fixed)
    const QString c1_2A = QStringLiteral("03000c01000005");    // kind 3: 1.2 A
    const QString c0_005 = QStringLiteral("03000506000005");   // kind 3: 0.005 mA
    const QString overOhm = QStringLiteral("020f0004000005");  // 1500 in range 4: " 0L"
    const QString underOhm = QStringLiteral("02000d03000005"); // 13 in range 3: "L0.01"
    const QString badRange = QStringLiteral("02001007000005"); // range 7: " ERROR"
    const QString overAmp = QStringLiteral("03040601000005");  // 406 in range 1: "0L"
    const QString volts = QStringLiteral("0400dc00000005");    // kind 4: 22.0 V

    QTest::newRow("nothing read") << QStringList{} << Texts{} << Texts{};
    QTest::newRow("one resistance")
            << QStringList{r15_3} << Texts{"15.3", "15.3", "15.3"} << Texts{};
    // 13.825 to the two decimals of 12.35, the half rounded up.
    QTest::newRow("mean to the finest decimals shown")
            << QStringList{r15_3, r12_35} << Texts{"15.3", "12.35", "13.83"} << Texts{};
    QTest::newRow("kind 1 counts both, amperes as milliamperes")
            << QStringList{k1_250} << Texts{"123", "123", "123"} << Texts{"250", "250", "250"};
    // Kind 2 has no current: the current summary goes on with the next kind-1 reading.
    QTest::newRow("kind 2 between kind 1 readings")
            << QStringList{k1_250, r15_3, k1_100} << Texts{"123", "15.3", "87.1"}
            << Texts{"250", "100", "175"};
    QTest::newRow("readouts without a number count nothing")
            << QStringList{overOhm, underOhm, badRange, overAmp, volts} << Texts{} << Texts{};
    QTest::newRow("over range among readings") << QStringList{r15_3, overOhm, r12_35, underOhm}
                                               << Texts{"15.3", "12.35", "13.83"} << Texts{};
    QTest::newRow("second value absent")
            << QStringList{k1_none} << Texts{"123", "123", "123"} << Texts{};
    // 1206.505 / 4 = 301.62625: three decimals, as 0.005 mA was shown.
    QTest::newRow("current ranges mixed")
            << QStringList{c1_50, c1_2A, c0_005, k1_1499} << Texts{"1499", "1499", "1499"}
            << Texts{"1200", "0.005", "301.626"};
    QTest::newRow("short reply") << QStringList{QStringLiteral("020f1e0200")} << Texts{} << Texts{};
}

void TestReadingStats::sequences()
{
    QFETCH(QStringList, replies);
    QFETCH(Texts, ohms);
    QFETCH(Texts, milliamperes);
    const ReadingStats stats = feed(replies);
    QCOMPARE(textsOf(stats, ReadingStats::Resistance), ohms);
    QCOMPARE(textsOf(stats, ReadingStats::Current), milliamperes);
}

void TestReadingStats::resetStartsOver()
{
    ReadingStats stats = feed({QStringLiteral("010c1e01001901")});
    stats.reset();
    QCOMPARE(stats.count(ReadingStats::Resistance), 0);
    QVERIFY(!stats.texts(ReadingStats::Current));
    stats.add(Realtime::decodeReply(QByteArray::fromHex("020c2302000005"), {}));
    QCOMPARE(textsOf(stats, ReadingStats::Resistance), (Texts{"12.35", "12.35", "12.35"}));
    QVERIFY(!stats.texts(ReadingStats::Current));
}

QTEST_MAIN(TestReadingStats)
#include "tst_readingstats.moc"
