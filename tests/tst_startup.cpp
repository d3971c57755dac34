// Start-up values, closing the window (by any means, signals included) and the about box.
#include "app/signalclose.h"
#include "fakes/testwindow.h"
#include "link/linksession.h"

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
    QCOMPARE(w->measure().singleValue, quint8(0));
    QCOMPARE(w->link().silentTicks(), qint16(0));
    QCOMPARE(w->link().scanPort(), qint16(0));
    QCOMPARE(w->link().connected(), false);
    QCOMPARE(w->link().lastCommand(), qint16(0));
    QCOMPARE(w->link().recordCount(), qint16(0));
    QCOMPARE(w->link().runState(), qint16(0));
    QCOMPARE(w->limits().resistanceLimit, 0.0f);
    QCOMPARE(w->limits().currentLimit, 0.0f);
    QCOMPARE(w->trend().sampleIndex(), qint16(0));
    QCOMPARE(w->traceEnabled(), false);
    QCOMPARE(w->operatingMode(), qint16(0));
    QCOMPARE(w->cursors().dragY, qint16(0));
    QCOMPARE(w->cursors().dragX, qint16(0));
    // The cursors sit where a chart reset puts them, even before the first reset.
    QCOMPARE(w->cursors().cursorX1, 0.0);
    QCOMPARE(w->cursors().cursorX2, 500.0);
    QCOMPARE(w->cursors().cursorY2, 500.0);
    QCOMPARE(w->cursors().cursorY1, qint16(0));
    for (const Trend::Ring *ring :
         {&w->trend().trendSamples(), &w->trend().value1Samples(), &w->trend().value2Samples()}) {
        QCOMPARE(ring->size(), std::size_t(501));
        QVERIFY(std::all_of(ring->begin(), ring->end(), [](float v) { return v == 0.0f; }));
    }
    QVERIFY(!w->link().searchTimer()->isActive());
    QVERIFY(w->link().supervisionTimer()->isActive());
    QVERIFY(w.port->written.isEmpty());
}

void TestStartup::afterStartUp()
{
    TestWindow w;
    QCOMPARE(w->operatingMode(), qint16(1));
    QCOMPARE(w->link().runState(), qint16(1));
    QCOMPARE(w->traceEnabled(), true);
    QCOMPARE(w->link().connected(), false);
    QCOMPARE(w->link().scanPort(), qint16(1));
    QVERIFY(w->link().searchTimer()->isActive());
    QCOMPARE(w->link().searchTimer()->interval(), 500);
    QVERIFY(!w->link().blockRequestTimer()->isActive());
    QVERIFY(!w->ui().Timer7->isActive());
    QVERIFY(!w->ui().Timer9->isActive());
    QVERIFY(w->link().pollTimer()->isActive());
    QVERIFY(w->link().readingTimer()->isActive());
    QVERIFY(w->link().supervisionTimer()->isActive());
    // No port is opened at start-up and nothing is written.
    QVERIFY(w.port->openedPorts.isEmpty());
    QVERIFY(!w.port->portOpen());
    QVERIFY(w.port->written.isEmpty());
    QVERIFY(w.port->thresholds.isEmpty());
    QCOMPARE(w->link().lastCommand(), qint16(0));
    QCOMPARE(w->ui().Label1->text(), QStringLiteral("COM1 open success"));
    QCOMPARE(w->ui().Label2->text(), QStringLiteral("Tester unlink"));
}

void TestStartup::startUpLayout()
{
    TestWindow w;
    QVERIFY(w->ui().Option1->isChecked());
    QVERIFY(!w->ui().Option2->isChecked());
    QVERIFY(w->ui().RichTextBox1->isHidden());
    QVERIFY(w->ui().Command1->isEnabled());
    QVERIFY(!w->ui().Command4->isEnabled());
    QVERIFY(w->ui().Check1->isEnabled());
    QVERIFY(w->ui().Check2->isEnabled());
    QVERIFY(w->ui().mnurun1->isEnabled());
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
    QCOMPARE(w->link().runState(), qint16(1)); // sampling, as start-up left it
    if (how == QLatin1String("close"))
        QVERIFY(w->close());
    else if (how == QLatin1String("mnuexit_Click"))
        w->mnuexit_Click();
    else
        w->ui().mnuexit->trigger();

    QVERIFY(!w->isVisible());
    QCOMPARE(w.port->written, QByteArray(1, '\0'));
    QCOMPARE(w.port->thresholds, QList<int>{4});
    QCOMPARE(w->link().lastCommand(), qint16(0));
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
    w->ui().mnuaboutus->trigger();
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
