// End to end over a pseudo-terminal: live readings of every kind reach the readouts, also when
// the line misbehaves (noise, bytes trickling in one at a time, overlong bursts).
#include "tst_e2e_window.h"

#include "link/linksession.h"

#include <QSignalSpy>
#include <QtTest>

using namespace E2e;

namespace {
const QString kOhm = QStringLiteral("Ω");
} // namespace

class TestE2eRealtime : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { m_rig.stop(); }
    void init();
    void cleanup() { m_readings.reset(); }

    void readingsOfEveryKind_data();
    void readingsOfEveryKind();
    void garbageDoesNotBreakTheLink();
    void repliesSplitIntoSingleBytes();
    void nineByteBursts();
    void builtInScenarioRuns();
    void lateAndLossyReplies();

private:
    // The bytes of one reading as the link handed them on (the bytes of a burst, whole).
    QByteArray lastReading() const
    {
        return m_readings->isEmpty() ? QByteArray() : m_readings->constLast().at(0).toByteArray();
    }
    // Waits until both readouts show the texts of one reply.
    bool showsReading(const QString &main, const QString &second, int timeoutMs = 3000)
    {
        return waitFor(
                [&] {
                    return m_rig.form->ui().Label7->text() == main
                           && m_rig.form->ui().Label25->text() == second;
                },
                timeoutMs);
    }

    Rig m_rig;
    std::unique_ptr<QSignalSpy> m_readings; // readings handed on during the test
};

void TestE2eRealtime::initTestCase()
{
    QVERIFY(m_rig.plugIn(1));
    m_rig.sim.setPaced(false); // pacing is not the point here
    m_rig.sim.realtime().setScript({bytes({1, 1, 23, 1, 0, 45, 4})});
    m_rig.start();
    QTRY_COMPARE_WITH_TIMEOUT(m_rig.link(), kConnected, 3000);
}

void TestE2eRealtime::init()
{
    InstrumentSim::Faults &faults = m_rig.sim.faults();
    faults = InstrumentSim::Faults();
    QCOMPARE(m_rig.link(), kConnected);
    m_readings = std::make_unique<QSignalSpy>(&m_rig.form->link(), &LinkSession::readingReceived);
}

void TestE2eRealtime::readingsOfEveryKind_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("main");
    QTest::addColumn<QString>("second");
    // Consecutive rows differ in at least one readout, so each row sees its own reply.
    QTest::newRow("kind 1, ohms and mA")
            << bytes({1, 1, 23, 1, 0, 45, 4}) << " 12.3" + kOhm << QStringLiteral(" 4.5mA");
    QTest::newRow("kind 1, current over range")
            << bytes({1, 1, 23, 1, 4, 6, 1}) << " 12.3" + kOhm << QStringLiteral("0L");
    QTest::newRow("kind 1, amperes in hundredths")
            << bytes({1, 0, 10, 2, 4, 5, 1}) << " 0.1" + kOhm << QStringLiteral(" 4.05A");
    QTest::newRow("kind 1, mA range 5")
            << bytes({1, 1, 23, 1, 12, 34, 5}) << " 12.3" + kOhm << QStringLiteral(" 12.34mA");
    QTest::newRow("kind 1, mA range 6")
            << bytes({1, 1, 23, 1, 0, 5, 6}) << " 12.3" + kOhm << QStringLiteral(" 0.005mA");
    QTest::newRow("kind 1, both ranges bad")
            << bytes({1, 1, 23, 9, 0, 45, 9}) << QStringLiteral(" ERROR")
            << QStringLiteral(" ERROR");
    QTest::newRow("kind 2, pair") << bytes({2, 1, 44, 2, 0, 5, 30}) << " 1.44" + kOhm
                                  << QStringLiteral(" 05:30");
    QTest::newRow("kind 2, under range")
            << bytes({2, 0, 13, 3, 0, 5, 30})
            << QStringLiteral("L0.01") + QString(20, QLatin1Char(' ')) << QStringLiteral(" 05:30");
    QTest::newRow("kind 2, just above under range")
            << bytes({2, 0, 14, 3, 0, 5, 30}) << " 0.014" + kOhm << QStringLiteral(" 05:30");
    QTest::newRow("kind 2, over range")
            << bytes({2, 15, 0, 4, 0, 5, 30}) << QStringLiteral(" 0L") << QStringLiteral(" 05:30");
    QTest::newRow("kind 2, just below over range")
            << bytes({2, 14, 99, 4, 0, 5, 30}) << " 1499" + kOhm << QStringLiteral(" 05:30");
    QTest::newRow("kind 2, bad range") << bytes({2, 1, 44, 9, 12, 30, 7})
                                       << QStringLiteral(" ERROR") << QStringLiteral(" 1230:07");
    QTest::newRow("kind 3, mA") << bytes({3, 0, 12, 4, 12, 30, 7}) << QStringLiteral(" 1.2mA")
                                << QStringLiteral(" 1230:07");
    QTest::newRow("kind 3, over range")
            << bytes({3, 4, 6, 1, 0, 5, 30}) << QStringLiteral("0L") << QStringLiteral(" 05:30");
    QTest::newRow("kind 3, amperes") << bytes({3, 4, 5, 1, 0, 5, 30}) << QStringLiteral(" 40.5A")
                                     << QStringLiteral(" 05:30");
    QTest::newRow("kind 3, whole mA")
            << bytes({3, 0, 7, 3, 0, 5, 30}) << QStringLiteral(" 7mA") << QStringLiteral(" 05:30");
    QTest::newRow("kind 4, volts") << bytes({4, 22, 5, 0, 0, 5, 30}) << QStringLiteral(" 220.5V")
                                   << QStringLiteral(" 05:30");
    QTest::newRow("kind 4, range ignored")
            << bytes({4, 2, 20, 7, 12, 30, 7}) << QStringLiteral(" 22.0V")
            << QStringLiteral(" 1230:07");
    QTest::newRow("unknown kind") << bytes({0, 1, 23, 1, 0, 45, 4}) << QString() << QString();
}

void TestE2eRealtime::readingsOfEveryKind()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, main);
    QFETCH(QString, second);
    m_rig.sim.realtime().setScript({reply});
    QVERIFY2(showsReading(main, second),
             qPrintable(QStringLiteral("shows \"%1\" / \"%2\"")
                                .arg(m_rig.form->ui().Label7->text(),
                                     m_rig.form->ui().Label25->text())));
    QCOMPARE(m_rig.status(), QStringLiteral("receive data"));
    // Both polling timers ask in the same turn of the loop, so two answers may come as one burst;
    // the reading is the first seven bytes.
    QCOMPARE(lastReading().left(7), reply);
}

void TestE2eRealtime::garbageDoesNotBreakTheLink()
{
    InstrumentSim &sim = m_rig.sim;
    sim.realtime().setScript({bytes({2, 1, 44, 2, 0, 5, 30})});
    QVERIFY(showsReading(" 1.44" + kOhm, QStringLiteral(" 05:30")));

    // Noise instead of replies, and noise between them.
    sim.faults().garbage = true;
    const int before = sim.repliesSent();
    QTRY_VERIFY_WITH_TIMEOUT(sim.repliesSent() >= before + 6, 5000);
    for (int i = 0; i < 5; ++i) {
        sim.injectGarbage(3 + i);
        QTest::qWait(60);
    }
    // Noise still tells the window the instrument is there.
    QCOMPARE(m_rig.link(), kConnected);
    QVERIFY(m_rig.form->link().connected());
    QCOMPARE(m_rig.status(), QStringLiteral("receive data"));

    // Clean replies again: the readouts follow them at once.
    sim.faults().garbage = false;
    sim.realtime().setScript({bytes({4, 22, 5, 0, 0, 5, 30})});
    QVERIFY(showsReading(QStringLiteral(" 220.5V"), QStringLiteral(" 05:30")));
    QCOMPARE(m_rig.link(), kConnected);
}

void TestE2eRealtime::repliesSplitIntoSingleBytes()
{
    InstrumentSim &sim = m_rig.sim;
    sim.setPaced(true);
    sim.faults().splitGapMs = 4; // seven separate arrivals per reply
    sim.realtime().setScript({bytes({3, 0, 12, 4, 12, 30, 7})});
    QVERIFY(showsReading(QStringLiteral(" 1.2mA"), QStringLiteral(" 1230:07")));
    QCOMPARE(lastReading().left(7), bytes({3, 0, 12, 4, 12, 30, 7}));
    sim.realtime().setScript({bytes({1, 1, 23, 1, 12, 34, 5})});
    QVERIFY(showsReading(" 12.3" + kOhm, QStringLiteral(" 12.34mA")));
    sim.setPaced(false);
}

void TestE2eRealtime::nineByteBursts()
{
    InstrumentSim &sim = m_rig.sim;
    sim.faults().burst9 = true;
    const QByteArray reply = bytes({1, 0, 10, 2, 0, 7, 3});
    sim.realtime().setScript({reply});
    QVERIFY(showsReading(" 0.1" + kOhm, QStringLiteral(" 7mA")));
    // The whole burst is taken, and the first seven bytes are read.
    QTRY_VERIFY_WITH_TIMEOUT(lastReading().size() >= 9, 2000);
    QCOMPARE(lastReading().left(9), reply + reply.left(2));
    QCOMPARE(m_rig.link(), kConnected);
}

void TestE2eRealtime::builtInScenarioRuns()
{
    // The demo's own readings: every kind comes by, with its odd ranges, and nothing breaks.
    InstrumentSim &sim = m_rig.sim;
    sim.realtime() = Sim::RealtimeScenario(3);
    sim.realtime().setReadingsPerKind(3);
    QSet<int> kinds;
    QObject scope; // the connection ends with this function, as do the locals it writes
    connect(&m_rig.form->link(), &LinkSession::readingReceived, &scope, [&](const QByteArray &r) {
        if (!r.isEmpty())
            kinds.insert(quint8(r.at(0)));
    });
    QTRY_VERIFY_WITH_TIMEOUT(kinds.size() >= 4, 15000);
    QVERIFY(kinds.contains(1) && kinds.contains(2) && kinds.contains(3) && kinds.contains(4));
    QCOMPARE(m_rig.link(), kConnected);
    QVERIFY(!m_rig.form->ui().Label7->text().isEmpty());
}

void TestE2eRealtime::lateAndLossyReplies()
{
    // Every answer 80 ms late and one in ten a byte short: what came of a short one is dropped
    // once the line is quiet, never joined to the next answer, so every reading shown is one the
    // tester sent whole.
    InstrumentSim &sim = m_rig.sim;
    sim.faults().lateMs = 80;
    sim.faults().loseByteOneIn = 10;
    sim.realtime() = Sim::RealtimeScenario(5);
    int shown = 0;
    QByteArrayList strangers;
    QObject scope;
    connect(&m_rig.form->link(), &LinkSession::readingReceived, &scope, [&](const QByteArray &r) {
        ++shown;
        if (!sim.sentReading(r.left(7)))
            strangers.append(r.toHex());
    });
    QTRY_VERIFY_WITH_TIMEOUT(shown >= 30, 2 * 30 * LinkProfile::kPollTickMs);
    QVERIFY2(strangers.isEmpty(), strangers.join(' '));
    QCOMPARE(m_rig.link(), kConnected);
    sim.faults() = {};
}

QTEST_MAIN(TestE2eRealtime)
#include "tst_e2e_realtime.moc"
