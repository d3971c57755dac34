// The reply framing rule on plain numbers: when a port notifies, and when it looks again.
#include "core/replyframing.h"

#include <QTest>

class TestReplyFraming : public QObject
{
    Q_OBJECT

private slots:
    void steps_data();
    void steps();
};

void TestReplyFraming::steps_data()
{
    // Events, then after "|" the step each one gives. Events: "T7" threshold 7, "A7@0" 7 bytes
    // arrive at 0 ms, "t@2" the look at 2 ms on a quiet driver, "h@2" the same while the driver
    // holds unread bytes, "X" all bytes taken. Steps: "!" notify, "@N" look again at N, "-"
    // nothing to watch, "." for T and X.
    QTest::addColumn<QString>("script");
    QTest::newRow("threshold 0 never notifies") << "T0 A21@0 t@2 | . - -";
    QTest::newRow("negative threshold never notifies") << "T-1 A21@0 t@2 | . - -";
    QTest::newRow("one byte short") << "T7 A6@0 t@2 | . - -";
    QTest::newRow("exactly the threshold") << "T7 A7@0 t@2 | . @2 !";
    QTest::newRow("byte by byte") << "T3 A1@0 A1@1 A1@2 t@4 | . - - @4 !";
    QTest::newRow("a burst's tail restarts the gap") << "T7 A7@0 A2@1 t@3 | . @2 @3 !";
    QTest::newRow("bytes in the driver are no quiet line") << "T7 A7@0 h@2 t@4 | . @2 @4 !";
    QTest::newRow("a late look watches a moment more") << "T7 A7@0 t@5 t@6 | . @2 @6 !";
    QTest::newRow("a look 1 ms late is in time") << "T7 A7@0 t@3 | . @2 !";
    QTest::newRow("noise is cut off after the longest wait")
            << "T7 A7@0 A1@40 h@42 h@44 A1@48 h@50 | . @2 @42 @44 @46 @50 !";
    QTest::newRow("a late look after the longest wait notifies") << "T7 A7@0 t@60 | . @2 !";
    QTest::newRow("taking the bytes starts the longest wait over")
            << "T7 A7@0 X A7@100 h@102 A1@148 h@150 | . @2 . @102 @104 @150 !";
    QTest::newRow("threshold raised before the look") << "T7 A7@0 T70 A1@1 t@2 | . @2 . @2 -";
    QTest::newRow("notified bytes left waiting count on") << "T3 A3@0 t@2 A1@5 t@7 | . @2 ! @7 !";
    QTest::newRow("a full block of records") << "T32767 A32766@0 A1@900 t@902 | . - @902 !";
}

void TestReplyFraming::steps()
{
    QFETCH(QString, script);
    const QStringList halves = script.split(QStringLiteral(" | "));
    ReplyFraming framing;
    QStringList got;
    for (const QString &event : halves.at(0).split(QLatin1Char(' '))) {
        const QStringList parts = event.mid(1).split(QLatin1Char('@'));
        const qint64 at = parts.value(1).toLongLong();
        ReplyFraming::Step step;
        switch (event.at(0).toLatin1()) {
        case 'T':
            framing.setThreshold(parts.at(0).toInt());
            got << QStringLiteral(".");
            continue;
        case 'X':
            framing.reset();
            got << QStringLiteral(".");
            continue;
        case 'A':
            step = framing.arrived(parts.at(0).toLongLong(), at);
            break;
        default:
            step = framing.tick(at, event.at(0) == QLatin1Char('h'));
            break;
        }
        QVERIFY2(!(step.notify && step.lookAgainAt), qPrintable(event));
        if (step.notify)
            got << QStringLiteral("!");
        else
            got << (step.lookAgainAt ? QStringLiteral("@%1").arg(*step.lookAgainAt) : "-");
    }
    QCOMPARE(got.join(QLatin1Char(' ')), halves.at(1));
}

QTEST_APPLESS_MAIN(TestReplyFraming)
#include "tst_replyframing.moc"
