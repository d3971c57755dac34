// Start-up values, closing the window (by any means, signals included) and the about box.
#include "app/signalclose.h"
#include "fakes/testwindow.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <csignal>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void newWindowIsBlank();
    void afterStartUp();
    void startUpLayout();
    void closeWhileConnected_data();
    void closeWhileConnected();
    void closeWithNoPortOpen();
    void closeTwiceSendsOnce();
    void signalClosesThroughTheClosePath_data();
    void signalClosesThroughTheClosePath();
    void aboutBox();
};

void TestStartup::newWindowIsBlank()
{
    TestWindow w(false);
    QCOMPARE(w->singleValue, quint8(0));
    QVERIFY(w->replyBuffer.isEmpty());
    QCOMPARE(w->silentTicks, qint16(0));
    QCOMPARE(w->scanPort, qint16(0));
    QCOMPARE(w->connected, false);
    QCOMPARE(w->lastCommand, qint16(0));
    QCOMPARE(w->recordCount, qint16(0));
    QCOMPARE(w->runState, qint16(0));
    QCOMPARE(w->resistanceLimit, 0.0f);
    QCOMPARE(w->currentLimit, 0.0f);
    QCOMPARE(w->sampleIndex, qint16(0));
    QCOMPARE(w->measureKind, qint16(0));
    QCOMPARE(w->traceEnabled, false);
    QCOMPARE(w->operatingMode, qint16(0));
    QCOMPARE(w->dragY, qint16(0));
    QCOMPARE(w->dragX, qint16(0));
    QCOMPARE(w->cursorX1, 0.0);
    QCOMPARE(w->cursorX2, 0.0);
    QCOMPARE(w->cursorY2, 0.0);
    QCOMPARE(w->cursorY1, qint16(0));
    for (const Trend::Ring *ring : {&w->trendSamples, &w->value1Samples, &w->value2Samples}) {
        QCOMPARE(ring->size(), std::size_t(501));
        QVERIFY(std::all_of(ring->begin(), ring->end(), [](float v) { return v == 0.0f; }));
    }
    QVERIFY(!w->findcom->isActive());
    QVERIFY(w->COMtimout->isActive());
    QVERIFY(w.port->written.isEmpty());
}

void TestStartup::afterStartUp()
{
    TestWindow w;
    QCOMPARE(w->operatingMode, qint16(1));
    QCOMPARE(w->runState, qint16(1));
    QCOMPARE(w->traceEnabled, true);
    QCOMPARE(w->connected, false);
    QCOMPARE(w->scanPort, qint16(1));
    QCOMPARE(w->measureKind, qint16(-1));
    QVERIFY(w->findcom->isActive());
    QCOMPARE(w->findcom->interval(), 500);
    QVERIFY(!w->Timer3->isActive());
    QVERIFY(!w->Timer7->isActive());
    QVERIFY(!w->Timer9->isActive());
    QVERIFY(w->comunication->isActive());
    QVERIFY(w->Timer4->isActive());
    QVERIFY(w->COMtimout->isActive());
    // No port is opened at start-up and nothing is written.
    QVERIFY(w.port->openedPorts.isEmpty());
    QVERIFY(!w.port->portOpen());
    QVERIFY(w.port->written.isEmpty());
    QVERIFY(w.port->thresholds.isEmpty());
    QCOMPARE(w->lastCommand, qint16(0));
    QCOMPARE(w->Label1->text(), QStringLiteral("COM1 open success"));
    QCOMPARE(w->Label2->text(), QStringLiteral("Tester unlink"));
}

void TestStartup::startUpLayout()
{
    TestWindow w;
    QVERIFY(w->Option1->isChecked());
    QVERIFY(!w->Option2->isChecked());
    QVERIFY(w->RichTextBox1->isHidden());
    QVERIFY(w->Command1->isEnabled());
    QVERIFY(!w->Command4->isEnabled());
    QVERIFY(w->Check1->isEnabled());
    QVERIFY(w->Check2->isEnabled());
    QVERIFY(w->mnurun1->isEnabled());
}

void TestStartup::closeWhileConnected_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("close box") << "close";
    QTest::newRow("Exit handler") << "mnuexit_Click";
    QTest::newRow("Exit menu item") << "mnuexit";
}

void TestStartup::closeWhileConnected()
{
    QFETCH(QString, how);
    TestWindow w;
    w->show();
    w.connectOn(4);
    w->runState = 1;
    if (how == QLatin1String("close"))
        QVERIFY(w->close());
    else if (how == QLatin1String("mnuexit_Click"))
        w->mnuexit_Click();
    else
        w->mnuexit->trigger();

    QVERIFY(!w->isVisible());
    QCOMPARE(w.port->written, QByteArray(1, '\0'));
    QCOMPARE(w.port->thresholds, QList<int>{4});
    QCOMPARE(w->lastCommand, qint16(0));
    QVERIFY(w.port->clearOutCount >= 1); // the byte is drained before the port goes
    QVERIFY(!w.port->portOpen());
    // Nothing follows the end-of-link byte: the ticks are over with the window.
    for (QTimer *timer : w->findChildren<QTimer *>())
        QVERIFY2(!timer->isActive(), qPrintable(timer->objectName()));
}

void TestStartup::closeWithNoPortOpen()
{
    TestWindow w;
    w->show();
    QVERIFY(w->close());
    QVERIFY(!w->isVisible());
    QVERIFY(w.port->written.isEmpty());
    QVERIFY(w.port->thresholds.isEmpty());
}

void TestStartup::closeTwiceSendsOnce()
{
    TestWindow w;
    w->show();
    w.connectOn(1);
    w->close();
    w.port->forceOpen(1);
    w->show();
    w->close();
    QCOMPARE(w.port->written, QByteArray(1, '\0'));
}

void TestStartup::signalClosesThroughTheClosePath_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void TestStartup::signalClosesThroughTheClosePath()
{
    QFETCH(int, signalNumber);
    TestWindow w;
    w.stopTimers();
    w->show();
    w.connectOn(2);
    SignalClose handler(w.form.get(), false);
    QVERIFY(handler.isInstalled());
    int requested = 0;
    connect(&handler, &SignalClose::closeRequested, this, [&](int n) { requested = n; });

    QCOMPARE(::raise(signalNumber), 0); // the process lives on: the handler only notes it
    QVERIFY(w.port->written.isEmpty()); // nothing happens inside the signal handler
    QTRY_COMPARE_WITH_TIMEOUT(requested, signalNumber, 5000);
    QCOMPARE(w.port->written, QByteArray(1, '\0'));
    QVERIFY(!w->isVisible());
    QVERIFY(!w.port->portOpen());
}

void TestStartup::aboutBox()
{
    TestWindow w;
    w.stopTimers();
    w->mnuaboutus->trigger();
    QCOMPARE(w.messages->shown.size(), 1);
    const FakeMessageBoxes::Message &box = w.messages->shown.first();
    QCOMPARE(box.icon, MessageBoxes::Information);
    QCOMPARE(box.title, QStringLiteral("Thanking for choicing our product!"));
    QCOMPARE(box.text.count(QLatin1Char('\r')), 2);
    QVERIFY(!box.text.contains(QLatin1Char('\n')));
    QVERIFY(box.text.endsWith(QLatin1Char('\r')));
    const QStringList lines = box.text.split(QLatin1Char('\r'));
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines.at(2).isEmpty());
    for (int i = 0; i < 2; ++i) {
        QVERIFY(lines.at(i).size() > 1);
        QCOMPARE(lines.at(i).at(0), QLatin1Char(' '));
        QVERIFY(lines.at(i).at(1) != QLatin1Char(' ')); // exactly one space
    }
    QVERIFY(w.port->written.isEmpty());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
