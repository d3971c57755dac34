// End to end over a pseudo-terminal: reading the stored records, at the real line speed, at the
// size limits, and when the instrument misbehaves or disappears in the middle.
#include "tst_e2e_window.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace E2e;

namespace {

// Four records whose listing lines are known, one of each kind.
const QByteArray kRecordKind1 = bytes({1, 0, 123, 1, 0, 45, 4});
const QByteArray kRecordKind2 = bytes({2, 1, 44, 2, 0, 5, 30});
const QByteArray kRecordKind3 = bytes({3, 0, 12, 4, 12, 30, 7});
const QByteArray kRecordKind4 = bytes({4, 22, 5, 0, 0, 5, 30});

QString spaces(int n)
{
    return QString(n, QLatin1Char(' '));
}

// The listing line of record `number` built from the four records above in turn.
QString expectedLine(int number)
{
    const QString head
            = spaces(15) + QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0')) + spaces(24);
    switch ((number - 1) % 4) {
    case 0:
        return head + QStringLiteral("12.3 Ohm") + spaces(22) + QStringLiteral("4.5 mA");
    case 1:
        return head + QStringLiteral("1.44 Ohm") + spaces(23) + QStringLiteral("05：30");
    case 2:
        return head + QStringLiteral("1.2 mA") + spaces(22) + QStringLiteral("1230：07");
    default:
        return head + QStringLiteral("220.5 V") + spaces(25) + QStringLiteral("05：30");
    }
}

QByteArray knownBlock(int count)
{
    const QByteArray cycle = kRecordKind1 + kRecordKind2 + kRecordKind3 + kRecordKind4;
    QByteArray block;
    for (int i = 0; i < count; ++i)
        block += cycle.mid((i % 4) * 7, 7);
    return block;
}

} // namespace

class TestE2eRecords : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_rig.reset(); }

    void pacedThousandRecordsArriveWhole();
    void noRecords();
    void largeCounts_data();
    void largeCounts();
    void badCountReply();
    void unpluggedMidBlock_data();
    void unpluggedMidBlock();
    void readAtEveryMomentOfTheKeepAlive();
    void pressedTwice_data();
    void pressedTwice();

private:
    // Connected in the read-old-data mode, ready for "Read".
    bool readyToRead(bool paced)
    {
        m_rig = std::make_unique<Rig>();
        if (!m_rig->plugIn(1))
            return false;
        m_rig->sim.setPaced(paced);
        m_rig->start();
        // Discovery is over once its next tick has switched polling on.
        if (!waitFor([this] { return !m_rig->form->link().searchTimer()->isActive(); }, 3000))
            return false;
        m_rig->form->Option2_Click();
        return true;
    }
    void pressRead() { QVERIFY(m_rig->pressRead()); }
    void verifyListing(int count)
    {
        const QStringList all = lines(m_rig->listing());
        QVERIFY(all.size() >= 3);
        QCOMPARE(all.at(0), kTitle);
        QCOMPARE(all.at(1), QString());
        QCOMPARE(all.at(2), kTwoColumnHeader);
        const QStringList records = recordLines(m_rig->listing());
        QCOMPARE(records.size(), qsizetype(count));
        for (int i = 0; i < count; ++i) {
            if (records.at(i) != expectedLine(i + 1))
                QFAIL(qPrintable(
                        QStringLiteral("record %1: \"%2\"").arg(i + 1).arg(records.at(i))));
        }
    }

    std::unique_ptr<Rig> m_rig;
};

void TestE2eRecords::init()
{
    m_rig.reset();
}

void TestE2eRecords::pacedThousandRecordsArriveWhole()
{
    QVERIFY(readyToRead(true));
    m_rig->sim.setStoredBlock(knownBlock(1000));
    QElapsedTimer clock;
    clock.start();
    pressRead();
    QTRY_COMPARE_WITH_TIMEOUT(m_rig->status(), QStringLiteral("Save num:1000"), 2000);
    // 7000 bytes at 9600 baud: over seven seconds, far beyond the 2.5 s of silence that would
    // declare the link lost.
    QTRY_COMPARE_WITH_TIMEOUT(m_rig->status(), QStringLiteral("receive old data"), 2 * 7500);
    QVERIFY2(clock.elapsed() > 7000, "the block was not paced at the line speed");
    QCOMPARE(m_rig->link(), kConnected);
    QCOMPARE(m_rig->sim.bytesWritten() >= 7000, true);
    verifyListing(1000);
    if (QTest::currentTestFailed())
        return;
    // Polling resumes: keep-alives in this mode.
    m_rig->sim.clearReceived();
    QTRY_VERIFY_WITH_TIMEOUT(m_rig->sim.received().contains(char(5)), 2000);
}

void TestE2eRecords::noRecords()
{
    QVERIFY(readyToRead(false));
    m_rig->sim.setStoredBlock({});
    pressRead();
    QTRY_COMPARE_WITH_TIMEOUT(m_rig->status(), QStringLiteral("receive old data"), 2000);
    verifyListing(0);
    if (QTest::currentTestFailed())
        return;
    // Nothing was waited for: polling goes on, and six keep-alives later (longer than the
    // supervision needs to call a silent link lost) the link is still up.
    m_rig->sim.clearReceived();
    QVERIFY(waitFor([this] { return m_rig->sim.received().count(char(5)) >= 6; }, 2 * 3000));
    QCOMPARE(m_rig->link(), kConnected);
    QVERIFY(!m_rig->sim.received().contains(char(25)));
}

void TestE2eRecords::largeCounts_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("4681, the largest 16-bit block") << 4681;
    QTest::newRow("4682, one more") << 4682;
}

void TestE2eRecords::largeCounts()
{
    QFETCH(int, count);
    QVERIFY(readyToRead(false));
    m_rig->sim.setStoredBlock(knownBlock(count));
    pressRead();
    QTRY_COMPARE_WITH_TIMEOUT(m_rig->status(), QStringLiteral("Save num:%1").arg(count), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(m_rig->status(), QStringLiteral("receive old data"), 20000);
    verifyListing(count);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(m_rig->link(), kConnected);
}

void TestE2eRecords::badCountReply()
{
    QVERIFY(readyToRead(false));
    m_rig->sim.setStoredBlock(knownBlock(12));
    m_rig->sim.faults().badCount = true;
    const QString before = m_rig->listing();
    pressRead();
    QTRY_COMPARE_WITH_TIMEOUT(m_rig->status(), QStringLiteral("receive error"), 2000);
    QVERIFY(!m_rig->sim.received().contains(char(25)));

    // Polling stays off, the link goes quiet, is declared lost and found again.
    QTRY_COMPARE_WITH_TIMEOUT(m_rig->link(), kFailed, kLossMs);
    QTRY_COMPARE_WITH_TIMEOUT(m_rig->link(), kConnected, kRecoveryMs);
    QCOMPARE(m_rig->listing(), before);

    // A good count reply now gets the records.
    m_rig->sim.faults().badCount = false;
    pressRead();
    QTRY_COMPARE_WITH_TIMEOUT(m_rig->status(), QStringLiteral("receive old data"), 3000);
    verifyListing(12);
}

void TestE2eRecords::unpluggedMidBlock_data()
{
    QTest::addColumn<bool>("vanishes");
    QTest::newRow("falls silent") << false;
    QTest::newRow("device disappears") << true;
}

void TestE2eRecords::unpluggedMidBlock()
{
    QFETCH(bool, vanishes);
    QVERIFY(readyToRead(true));
    m_rig->sim.setStoredBlock(knownBlock(1000));
    const QString before = m_rig->listing();
    pressRead();
    QTRY_COMPARE_WITH_TIMEOUT(m_rig->status(), QStringLiteral("Save num:1000"), 2000);
    // Cut off 3000 bytes into the block.
    m_rig->sim.faults().cutVanishes = vanishes;
    m_rig->sim.faults().cutAfterBytes = 3000;

    // The rest of 3000 bytes at 9600 baud, then silence until the link is called lost.
    QTRY_COMPARE_WITH_TIMEOUT(m_rig->link(), kFailed, 2 * 3200 + kLossMs);
    QVERIFY(m_rig->sim.bytesWritten() < 7000);
    QVERIFY(m_rig->status() != QStringLiteral("receive old data"));
    QCOMPARE(m_rig->listing(), before);

    // Back again: found, and the half block never shows up.
    if (vanishes)
        QVERIFY(m_rig->plugIn(1));
    else
        m_rig->sim.setSilent(false);
    QTRY_COMPARE_WITH_TIMEOUT(m_rig->link(), kConnected, kRecoveryMs);
    QCOMPARE(m_rig->listing(), before);
    QVERIFY(m_rig->status() != QStringLiteral("receive old data"));
}


// ---- A tester behind a slow adapter, a user who clicks twice ----

namespace {
// Every answer 80 ms late, as a Bluetooth serial link gives them.
constexpr int kLateMs = 80;
}

void TestE2eRecords::readAtEveryMomentOfTheKeepAlive()
{
    // "Read" pressed at twenty moments after a keep-alive went out, its answer on the way or in:
    // the count request waits for it, and every read lists exactly.
    QVERIFY(readyToRead(false));
    m_rig->sim.faults().lateMs = kLateMs;
    m_rig->sim.setStoredBlock(knownBlock(9));
    QStringList statuses; // of this read
    bool receiveError = false;
    connect(&m_rig->form->link(), &LinkSession::status, [&](const QString &s) {
        statuses << s;
        receiveError = receiveError || s == LinkSession::receiveErrorText();
    });
    for (int moment = 0; moment < 20; ++moment) {
        statuses.clear();
        m_rig->form->ui().RichTextBox1->clear();
        m_rig->sim.clearReceived();
        QVERIFY(waitFor([this] { return m_rig->sim.received().endsWith(char(5)); }, 2000));
        QTimer::singleShot(moment * LinkProfile::kPollTickMs / 20,
                           [this] { m_rig->form->Command4_Click(); });
        QTRY_VERIFY_WITH_TIMEOUT(statuses.endsWith(QStringLiteral("receive old data")), 4000);
        verifyListing(9);
        QCOMPARE(m_rig->sim.received().count(char(15)), 1);
    }
    QVERIFY(!receiveError);
    QCOMPARE(m_rig->link(), kConnected);
}

void TestE2eRecords::pressedTwice_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("againAfterMs");
    QTest::newRow("double click, 40 ms") << 9 << 40;
    QTest::newRow("double click, 120 ms") << 9 << 120;
    // Paced at the line speed, 600 records take over four seconds.
    QTest::newRow("again 1.5 s into 600 records") << 600 << 1500;
}

void TestE2eRecords::pressedTwice()
{
    // The second press changes nothing: one count request, one exact listing.
    QFETCH(int, records);
    QFETCH(int, againAfterMs);
    QVERIFY(readyToRead(records > 100));
    m_rig->sim.faults().lateMs = kLateMs;
    m_rig->sim.setStoredBlock(knownBlock(records));
    QVERIFY(waitFor([this] { return m_rig->sim.received().endsWith(char(5)); }, 2000));
    m_rig->sim.clearReceived();
    m_rig->form->Command4_Click();
    QTimer::singleShot(againAfterMs, [this] { m_rig->form->Command4_Click(); });
    QTRY_COMPARE_WITH_TIMEOUT(m_rig->status(),
                              QStringLiteral("receive old data"),
                              2 * (records * 8 + 2 * kLateMs + 1000));
    verifyListing(records);
    QCOMPARE(m_rig->sim.received().count(char(15)), 1);
    QCOMPARE(m_rig->link(), kConnected);
}

QTEST_MAIN(TestE2eRecords)
#include "tst_e2e_records.moc"
