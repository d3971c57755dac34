// End to end at the real line speed: a stored-record read interrupted by "Realtime Sampling"
// and "→" while its block is still arriving.
#include "tst_e2e_window.h"

#include <QProgressBar>
#include <QSignalSpy>
#include <QtTest>

using namespace E2e;

class TestE2eInterrupted : public QObject
{
    Q_OBJECT

private slots:
    void abandonedBlockIsDroppedNotDecoded();
};

void TestE2eInterrupted::abandonedBlockIsDroppedNotDecoded()
{
    Rig rig;
    QVERIFY(rig.plugIn(1));
    // Stored records are all 220.5 V; live readings are 12.3 ohms: a reading that shows volts
    // was decoded from the block.
    QByteArray block;
    for (int i = 0; i < 300; ++i)
        block += bytes({4, 22, 5, 0, 0, 5, 30});
    rig.sim.setStoredBlock(block);
    rig.sim.realtime().setScript({Sim::makeRecord(2, 123, 1, 5, 30)});
    rig.start();
    QVERIFY(waitFor([&] { return !rig.form->link().searchTimer()->isActive(); }, 6000));
    rig.form->Option2_Click();
    QVERIFY(rig.pressRead());

    // 2100 bytes take over two seconds at 9600 baud: interrupt a third of the way in.
    QProgressBar *progress = rig.form->ui().transferProgress;
    QVERIFY(waitFor([&] { return !progress->isHidden() && progress->value() >= 700; }, 6000));
    QSignalSpy readings(&rig.form->link(), &LinkSession::readingReceived);
    rig.form->Option1_Click();
    rig.form->Command1_Click();
    QCOMPARE(rig.status(), QStringLiteral("receive error"));
    QVERIFY(progress->isHidden());

    // The rest of the block comes first, then the answers to the reading requests.
    QVERIFY(waitFor([&] { return rig.form->ui().Label7->text() == QStringLiteral(" 12.3\u03A9"); },
                    10000));
    for (const QList<QVariant> &reading : readings)
        QCOMPARE(quint8(reading.at(0).toByteArray().at(0)), quint8(2));
    QVERIFY(progress->isHidden());
    QCOMPARE(rig.link(), kConnected);
}

QTEST_MAIN(TestE2eInterrupted)
#include "tst_e2e_interrupted.moc"
