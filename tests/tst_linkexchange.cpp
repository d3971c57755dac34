// The exchange with the instrument: one table of what goes out when and what comes in is, then
// the real session on a fake port driven through thousands of seeded interleavings against a
// small tester that answers in order, late, and now and then loses a byte.
#include "core/linkexchange.h"
#include "core/linkprofile.h"
#include "fakes/sessionrig.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

#include <map>
#include <set>

namespace {
const char *kinds = "hrcxb-"; // Handshake, Reading, Count, CountRejected, Block, Stale

// Runs a script of steps "<step>@<ms>": wN want command N, tHEX bytes taken, aN N bytes arrived,
// p time passed, s supervision tick, o port opened, dN N bytes taken off and dropped, link: the
// link is up. Says a token per answer: SN sent, H held, R refused, A read abandoned, a kind letter
// for a take (c with the count), E emptied, D take off and drop, L lost (L* with a read).
QString run(const QString &script)
{
    LinkExchange x;
    QStringList said;
    const auto sent = [&](const LinkExchange::Send &s) { said << QStringLiteral("S%1").arg(s.command); };
    for (const QString &step : script.split(u' ', Qt::SkipEmptyParts)) {
        const QStringList parts = step.split(u'@');
        const qint64 at = parts.value(1).toLongLong();
        const QString arg = parts[0].mid(1);
        switch (parts[0][0].toLatin1()) {
        case 'l':
            x.want(Protocol::Handshake, -1000);
            x.taken(QByteArray::fromHex("d55555"));
            break;
        case 'w': {
            const LinkExchange::Wanted w = x.want(qint16(arg.toInt()), at);
            if (w.readAbandoned)
                said << "A";
            if (w.kind == LinkExchange::Wanted::SendNow)
                sent(w.send);
            else
                said << (w.kind == LinkExchange::Wanted::Hold ? "H" : "R");
            break;
        }
        case 't': {
            const LinkExchange::Taken t = x.taken(QByteArray::fromHex(arg.toLatin1()));
            said << QString(QChar(kinds[int(t.kind)])) + (t.kind == LinkExchange::Kind::Count
                                                              ? QString::number(t.count)
                                                              : QString());
            break;
        }
        case 'a':
            if (x.arrived(arg.toInt(), at))
                said << "D";
            break;
        case 'd':
            x.taken(QByteArray(arg.toInt(), '\x01'));
            break;
        case 'p':
            if (x.timePassed(at))
                said << "E";
            break;
        case 's':
            if (x.supervisionTick())
                said << (x.lostRead() ? "L*" : "L");
            break;
        case 'o':
            if (x.portOpened())
                said << "A";
            break;
        }
        while (const std::optional<LinkExchange::Send> due = x.nextDue(at))
            sent(*due);
    }
    return said.join(u' ');
}

const QString kReading = QStringLiteral("0400fa0100051e");
} // namespace

class TestLinkExchange : public QObject
{
    Q_OBJECT

private slots:
    void transitions_data();
    void transitions();
    void interleavings();
};

void TestLinkExchange::transitions_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("said");
    const QString r = kReading;
    QTest::newRow("search finds the tester") << "w5@0 td55555@40" << "S5 h";
    QTest::newRow("search: wrong answer") << "w5@0 td55554@40" << "S5 -";
    QTest::newRow("keep-alive answer once linked") << "link w5@0 td55555@40" << "S5 -";
    // "Read" while the keep-alive's answer is on its way: the count request waits for it.
    QTest::newRow("read behind a keep-alive") << "link w5@0 w15@22 td55555@80" << "S5 H - S15";
    // The command and its answer on the line (4 bytes, 5 ms) plus the longest turnaround: due at
    // 155 ms, not before.
    QTest::newRow("keep-alive never answered")
            << "link w5@0 w15@22 p@154 p@155" << "S5 H S15";
    QTest::newRow("double click on Read") << "link w15@0 w15@40" << "S15 R";
    QTest::newRow("Read held twice is one count") << "link w5@0 w15@10 w15@50" << "S5 H R";
    QTest::newRow("Read while the block is due")
            << "link w15@0 t0505000c@60 w15@120" << "S15 c12 R";
    QTest::newRow("Read during the block")
            << "link w15@0 t05050002@60 w25@160 w15@300" << "S15 c2 S25 R";
    QTest::newRow("block in, then a new read")
            << "link w15@0 t05050001@60 w25@160 t" + r + "@300 w15@310" << "S15 c1 S25 b S15";
    QTest::newRow("count of nothing ends the read")
            << "link w15@0 t05050000@60 w15@70" << "S15 c0 S15";
    QTest::newRow("count rejected") << "link w15@0 t05040000@60" << "S15 x";
    QTest::newRow("block request without a count") << "link w25@0" << "R";
    QTest::newRow("a second reading waits for the first answer")
            << "link w35@0 w35@5 t" + r + "@90" << "S35 H r S35";
    QTest::newRow("a burst of nine") << "link w35@0 t" + r + "0102@90" << "S35 r";
    // The first answer a byte short: what came is dropped once the line has been quiet for the
    // longest turnaround, never joined to the next answer.
    QTest::newRow("reading short, the next waits")
            << "link w35@0 w35@5 a6@95 p@244 p@245" << "S35 H E S35";
    QTest::newRow("reading ends short, line quiet") << "link w35@0 a6@80 p@229 p@230 w35@240"
                                                    << "S35 E S35";
    QTest::newRow("late look looks again")
            << "link w35@0 a6@80 p@300 p@309 p@310" << "S35 E";
    QTest::newRow("mode switch, then a reading") << "link w55@0 w35@0 p@155 p@156" << "S55 H S35";
    QTest::newRow("held commands keep their order, once each")
            << "link w5@0 w55@1 w35@2 w55@3 td55555@50 p@206" << "S5 H H H - S55 S35";
    QTest::newRow("end of link goes at once") << "link w35@0 w0@1" << "S35 S0";
    QTest::newRow("realtime during the count")
            << "link w15@0 w35@10 p@155 p@156" << "S15 A H S35";
    QTest::newRow("realtime once the block is due")
            << "link w15@0 t05050002@60 w35@100" << "S15 c2 A S35";
    // The tail of an abandoned block is counted off as it comes; then the reading goes out.
    QTest::newRow("realtime during the block")
            << "link w15@0 t05050002@60 w25@160 a3@300 w35@310 d3 a7@320 d7 a4@330 d4"
            << "S15 c2 S25 A H D D S35";
    QTest::newRow("handshake answer late, after the reading went")
            << "unlinked w5@0 w35@1 p@155 td55555@200" << "S5 H S35 h";
    QTest::newRow("fifth silent tick loses the link") << "link s s s s s" << "L";
    QTest::newRow("a byte starts the count again") << "link s s s s a1@0 s s s s" << "";
    QTest::newRow("link lost during a read") << "link w15@0 s s s s s" << "S15 L*";
    QTest::newRow("another port during a read") << "link w15@0 o" << "S15 A";
}

void TestLinkExchange::transitions()
{
    QFETCH(QString, script);
    QFETCH(QString, said);
    QCOMPARE(run(script), said);
}

// ---- Thousands of interleavings ----

namespace {
// A tester on COM1: answers each command in the order it came, each one 0 to 150 ms late and
// never before the previous answer has left, a byte a millisecond; one reading in ten loses a
// byte. Every reading is unique, so a reply built from two answers shows.
struct Tester
{
    explicit Tester(QRandomGenerator &generator) : random(generator) {}
    QRandomGenerator &random;
    QByteArray stored;
    qint64 busyUntil = 0;
    int readings = 0;
    std::set<QByteArray> sent;
    std::map<qint64, QByteArray> chunks; // by the time their last byte is in

    void command(quint8 command, qint64 at)
    {
        QByteArray answer;
        if (command == 5)
            answer = QByteArray::fromHex("d55555");
        else if (command == 15)
            answer = QByteArray::fromHex("0505") + char(stored.size() / 700) + char(stored.size() / 7 % 100);
        else if (command == 25)
            answer = stored;
        else if (command == 35) {
            ++readings;
            const char hi = char(readings >> 8), lo = char(readings);
            answer = QByteArray::fromRawData("\x02\0\0\x01\0\0\0", 7);
            answer[1] = answer[5] = hi;
            answer[2] = answer[6] = lo;
            sent.insert(answer);
            if (random.bounded(10) == 0)
                answer.remove(random.bounded(7), 1);
        }
        if (answer.isEmpty())
            return;
        const qint64 start = qMax(at + 1 + random.bounded(151), busyUntil);
        QByteArray burst = answer;
        // Less than two byte times apart, the line never fell quiet: one burst.
        if (start - busyUntil < 2 && chunks.count(busyUntil))
            burst.prepend(chunks.extract(busyUntil).mapped());
        busyUntil = start + answer.size();
        chunks[busyUntil] = burst;
    }
};
} // namespace

void TestLinkExchange::interleavings()
{
    int readingsShown = 0;
    int blocksExact = 0;
    for (quint32 seed = 1; seed <= 300; ++seed) {
        QRandomGenerator random(seed);
        SessionRig r;
        r.port->onlyPort = 1;
        Tester tester(random);
        for (int n = 1 + random.bounded(60); n > 0; --n)
            tester.stored += QByteArray::fromHex("01") + char(n) + QByteArray::fromHex("0100051e00");
        QSignalSpy lost(&r.link, &LinkSession::linkLost);
        bool readOpen = false;
        connect(&r.link, &LinkSession::readingReceived, [&](const QByteArray &reply) {
            QCOMPARE(reply.size() % 7, 0);
            for (int at = 0; at < reply.size(); at += 7)
                QVERIFY2(tester.sent.count(reply.mid(at, 7)), qPrintable(reply.toHex()));
            ++readingsShown;
        });
        connect(&r.link, &LinkSession::blockReceived, [&](const QByteArray &block, qint16 count) {
            QCOMPARE(count, qint16(tester.stored.size() / 7));
            QCOMPARE(block, tester.stored);
            ++blocksExact;
            readOpen = false;
        });
        for (auto end : {&LinkSession::transferEnded, &LinkSession::countRejected})
            connect(&r.link, end, [&] { readOpen = false; });
        r.link.setOperatingMode(Protocol::RealtimeSampling);
        r.link.beginSearch();
        r.link.startSampling();
        const qint64 readingPhase = random.bounded(500);
        qint64 blockDueAt = -1;
        qsizetype heard = 0;
        // The tester hears each command as it goes out, between one step and the next.
        const auto hear = [&](qint64 t) {
            for (; heard < r.port->written.size(); ++heard) {
                const quint8 command = quint8(r.port->written[heard]);
                if (command == 15) {
                    QVERIFY2(!readOpen, qPrintable(QStringLiteral("seed %1 at %2 ms: a second "
                                                                  "count request in one read")
                                                           .arg(seed)
                                                           .arg(t)));
                    readOpen = true;
                }
                tester.command(command, t);
            }
        };
        for (qint64 t = 1; t <= 20000; ++t) {
            // A busy machine: now and then nothing runs for up to 200 ms.
            if (random.bounded(2000) == 0)
                t += random.bounded(200);
            *r.clock.ms = t;
            // What came while nothing ran is read at once, as one burst.
            QByteArray arrived;
            for (auto it = tester.chunks.begin(); it != tester.chunks.end() && it->first <= t;)
                arrived += tester.chunks.extract(it++).mapped();
            if (!arrived.isEmpty())
                r.port->deliver(arrived);
            hear(t);
            if (t % 500 == 0) {
                r.link.supervisionTick();
                if (r.link.searchTimer()->isActive())
                    r.link.searchTick();
                if (r.link.pollTimer()->isActive())
                    r.link.pollTick();
            }
            if (t % 500 == readingPhase)
                r.link.readingTick();
            hear(t);
            if (r.link.blockRequestTimer()->isActive() && blockDueAt < 0)
                blockDueAt = t + 100;
            if (t >= blockDueAt && blockDueAt >= 0) {
                blockDueAt = -1;
                if (r.link.blockRequestTimer()->isActive())
                    r.link.blockRequestTick();
            }
            r.link.answerWatchTick();
            hear(t);
            switch (random.bounded(900)) {
            case 0: // "Read", sometimes twice
                r.link.setOperatingMode(Protocol::StoredData);
                r.link.startStoredRead();
                if (random.bounded(2))
                    r.link.startStoredRead();
                break;
            case 1:
                r.link.setOperatingMode(Protocol::RealtimeSampling);
                r.link.startSampling();
                break;
            case 2:
                r.link.haltSampling();
                break;
            case 3:
                r.link.switchInstrumentMode();
                break;
            }
            hear(t);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("seed %1 at %2 ms").arg(seed).arg(t)));
        }
        QVERIFY2(r.link.connected(), qPrintable(QStringLiteral("seed %1").arg(seed)));
        QVERIFY2(lost.isEmpty(), qPrintable(QStringLiteral("seed %1 lost the link").arg(seed)));
    }
    QVERIFY(readingsShown > 10000);
    QVERIFY(blocksExact > 300);
}

QTEST_GUILESS_MAIN(TestLinkExchange)
#include "tst_linkexchange.moc"
