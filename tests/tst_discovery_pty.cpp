// The window on the real port, with a pseudo-terminal as the instrument: found as COM1, polled,
// lost when the other end vanishes, and told the end of the link when the window closes.
#include "app/form1.h"
#include "fakes/fakedialogs.h"
#include "fakes/ptypair.h"
#include "link/linksession.h"
#include "platform/qtserialport.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {
std::unique_ptr<Form1> windowOn(const PtyPair &pty)
{
    Form1Platform platform;
    platform.port = std::make_unique<QtSerialPort>(PortMap(QStringList{pty.slavePath()}));
    platform.dialog = std::make_unique<FakeCommonDialog>();
    platform.messages = std::make_unique<FakeMessageBoxes>();
    auto form = std::make_unique<Form1>(std::move(platform));
    form->Form_Load();
    // The test decides every tick; the port's notifications still come from the event loop.
    for (QTimer *timer : form->findChildren<QTimer *>())
        timer->stop();
    return form;
}

// Discovery on COM1 up to the end of discovery.
bool discover(Form1 &form, PtyPair &pty)
{
    form.findcom_Timer();
    if (form.ui().Label1->text() != QLatin1String("COM1 open success"))
        return false;
    if (pty.readAtLeast(1, 2000) != QByteArray(1, '\x05'))
        return false;
    pty.write(QByteArray::fromHex("D55555"));
    if (!QTest::qWaitFor([&] { return form.link().connected(); }, 2000))
        return false;
    form.findcom_Timer();
    form.link().pollTimer()->stop();
    return !form.link().searchTimer()->isActive();
}
} // namespace

class TestDiscoveryPty : public QObject
{
    Q_OBJECT

private slots:
    void findsInstrumentAndPolls();
    void pulledInstrumentIsRediscovered();
    void closingTellsTheInstrument();
};

void TestDiscoveryPty::findsInstrumentAndPolls()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    auto form = windowOn(pty);
    QVERIFY(pty.readAvailable().isEmpty()); // start-up opens nothing
    QVERIFY(discover(*form, pty));
    QCOMPARE(form->ui().Label2->text(), QStringLiteral("connection success"));
    QVERIFY(form->ui().Command1->isEnabled());
    QCOMPARE(form->link().scanPort(), qint16(2));

    QSignalSpy readings(&form->link(), &LinkSession::readingReceived);
    form->comunication_Timer(); // running in realtime: a reading request
    QCOMPARE(pty.readAtLeast(1, 2000), QByteArray(1, '\x23'));
    const QByteArray reading = QByteArray::fromHex("0100050000FF00");
    pty.write(reading);
    QTRY_COMPARE_WITH_TIMEOUT(form->ui().Label6->text(), QStringLiteral("receive data"), 2000);
    QCOMPARE(readings.count(), 1);
    QCOMPARE(readings.first().at(0).toByteArray(), reading);
    QCOMPARE(form->link().silentTicks(), qint16(0));
}

void TestDiscoveryPty::pulledInstrumentIsRediscovered()
{
    PtyPair pty;
    auto form = windowOn(pty);
    QVERIFY(discover(*form, pty));
    pty.closeMaster();
    QTRY_VERIFY_WITH_TIMEOUT(!form->MSComm1().portOpen(), 2000);
    for (int tick = 0; tick < 4; ++tick)
        form->COMtimout_Timer();
    QVERIFY(form->link().connected());
    form->COMtimout_Timer();
    QCOMPARE(form->ui().Label2->text(), QStringLiteral("connection fail"));
    QVERIFY(form->link().searchTimer()->isActive());
    form->findcom_Timer(); // the next port: there is no COM2 here
    QCOMPARE(form->ui().Label1->text(), QStringLiteral("COM2 null"));
}

void TestDiscoveryPty::closingTellsTheInstrument()
{
    PtyPair pty;
    auto form = windowOn(pty);
    form->show();
    QVERIFY(discover(*form, pty));
    QVERIFY(form->close());
    QVERIFY(!form->MSComm1().portOpen());
    QCOMPARE(pty.readAtLeast(1, 2000), QByteArray(1, '\0'));
    QTest::qWait(50);
    QVERIFY(pty.readAvailable().isEmpty());
}

QTEST_MAIN(TestDiscoveryPty)
#include "tst_discovery_pty.moc"
