// The two operating modes: what each leaves shown, hidden, enabled and disabled, and what they do
// to sampling and polling.
#include "app/drawingsurface.h"
#include "core/linkprofile.h"
#include "fakes/testwindow.h"
#include "link/linksession.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace {
enum Expect { No = 0, Yes = 1, Any = -1 };
} // namespace

class TestModes : public QObject
{
    Q_OBJECT

private slots:
    void layout_data();
    void layout();
    void runMenuItems_data();
    void runMenuItems();
    void optionButtonsExclusive();
    void readOldDataWhileRunningHaltsSampling();
    void backToRealtimeSendsNothingUntilStart();
    void secondReadoutKeptForSingleValue_data();
    void secondReadoutKeptForSingleValue();
    void readOldDataStopsAlarmResets();
    void discoveryEnablesRunButtonsInReadOldData();
};

void TestModes::layout_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("hidden");
    QTest::addColumn<int>("enabled"); // the control's own effective state (its frame included)

    struct Row
    {
        const char *control;
        Expect hidden1, enabled1, hidden2, enabled2;
    };
    const Row rows[] = {
            // Charts, sliders and their captions: hidden in both modes.
            {"Picture1", Yes, Any, Yes, Any},
            {"Picture3", Yes, Any, Yes, Any},
            {"Picture4", Yes, Any, Yes, Any},
            {"Slider1", Yes, Any, Yes, Any},
            {"Slider2", Yes, Any, Yes, Any},
            {"Slider3", Yes, Any, Yes, Any},
            {"Label8", Yes, Any, Yes, Any},
            {"Label19", Yes, Any, Yes, Any},
            {"Label10", Yes, Any, Yes, Any},
            {"Label14", Yes, Any, Yes, Any},
            {"Label15", Yes, Any, Yes, Any},
            {"Label16", Yes, Any, Yes, Any},
            {"Label17", Yes, Any, Yes, Any},
            {"Label18", Yes, Any, Yes, Any},
            {"RichTextBox1", Yes, Any, No, Any},
            {"Text7", No, Any, Yes, Any},
            {"Text8", No, Any, Yes, Any},
            // Frames and what they hold.
            {"Frame6", Any, Yes, Any, No},
            {"Check1", Any, Yes, Any, No},
            {"Text1", Any, Yes, Any, No},
            {"Text9", Any, Yes, Any, No},
            {"Frame5", Any, No, Any, No},
            {"Text2", Any, No, Any, No},
            {"Frame8", Any, No, Any, No},
            {"Text13", Any, No, Any, No},
            // Run buttons, stored-record buttons.
            {"Command1", Any, Yes, Any, No},
            {"Command2", Any, Yes, Any, No},
            {"Command3", Any, Yes, Any, No},
            {"Command9", Any, Yes, Any, No},
            {"Command4", Any, No, Any, Yes},
            {"Command5", Any, No, Any, Yes},
            {"Command6", Any, No, Any, Yes},
            {"Command7", Any, No, Any, Yes},
            {"Command8", Any, No, Any, Yes},
    };
    for (const Row &row : rows) {
        QTest::addRow("realtime %s", row.control)
                << 1 << QString::fromLatin1(row.control) << int(row.hidden1) << int(row.enabled1);
        QTest::addRow("read old data %s", row.control)
                << 2 << QString::fromLatin1(row.control) << int(row.hidden2) << int(row.enabled2);
    }
}

void TestModes::layout()
{
    QFETCH(int, mode);
    QFETCH(QString, control);
    QFETCH(int, hidden);
    QFETCH(int, enabled);

    TestWindow w;
    w.stopTimers();
    w->show();
    // Come from the other mode, so every setting has to be made by the handler under test.
    if (mode == 1) {
        w->Option2_Click();
        w->Option1_Click();
    } else {
        w->Option1_Click();
        w->Option2_Click();
    }
    QCOMPARE(w->operatingMode(), qint16(mode));

    auto *widget = w->findChild<QWidget *>(control);
    QVERIFY2(widget, qPrintable(control));
    if (hidden != Any) {
        QCOMPARE(widget->isHidden(), hidden == Yes);
        if (hidden == Yes)
            QVERIFY(!widget->isVisible());
    }
    if (enabled != Any) {
        QCOMPARE(widget->isEnabled(), enabled == Yes);
        // The frames themselves decide for what they hold.
        for (QGroupBox *frame : {w->ui().Frame5, w->ui().Frame6, w->ui().Frame8}) {
            if (frame != widget && frame->isAncestorOf(widget))
                QCOMPARE(widget->isEnabledTo(frame), true);
        }
    }
}

void TestModes::runMenuItems_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("runItems");
    QTest::newRow("realtime") << 1 << true;
    QTest::newRow("read old data") << 2 << false;
}

void TestModes::runMenuItems()
{
    QFETCH(int, mode);
    QFETCH(bool, runItems);
    TestWindow w;
    w.stopTimers();
    if (mode == 1) {
        w->Option2_Click();
        w->Option1_Click();
    } else {
        w->Option2_Click();
    }
    QCOMPARE(w->ui().mnurun1->isEnabled(), runItems);
    QCOMPARE(w->ui().mnupause->isEnabled(), runItems);
    QCOMPARE(w->ui().mnustop->isEnabled(), runItems);
    QVERIFY(w->ui().mnuchangemode->isEnabled()); // neither mode touches "Mode"
}

void TestModes::optionButtonsExclusive()
{
    TestWindow w;
    w.stopTimers();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    QVERIFY(w->ui().Option1->isChecked());
    QVERIFY(!w->ui().Option2->isChecked());
    QTest::mouseClick(w->ui().Option2, Qt::LeftButton); // through the button, as the user does
    QCOMPARE(w->operatingMode(), qint16(2));
    QVERIFY(w->ui().Option2->isChecked());
    QVERIFY(!w->ui().Option1->isChecked());
    QTest::mouseClick(w->ui().Option1, Qt::LeftButton);
    QCOMPARE(w->operatingMode(), qint16(1));
    QVERIFY(w->ui().Option1->isChecked());
    QVERIFY(!w->ui().Option2->isChecked());
    w->Option1_Click(); // the current mode again: same result
    QCOMPARE(w->operatingMode(), qint16(1));
    QVERIFY(w->ui().Option1->isChecked());
}

void TestModes::readOldDataWhileRunningHaltsSampling()
{
    TestWindow w;
    w.stopTimers();
    w.connectOn(1);
    QCOMPARE(w->link().runState(), qint16(1));
    w->ui().Label7->setText(QStringLiteral("12.34"));
    w->comunication_Timer();
    QCOMPARE(w.port->written, QByteArray(1, '\x23'));
    w.port->resetRecords();

    w->Option2_Click();
    QCOMPARE(w->link().runState(), qint16(0));
    QCOMPARE(w->ui().Label7->text(), QStringLiteral("STOP"));
    w->Timer4_Timer();
    QVERIFY(w.port->written.isEmpty());
    w.advance(2 * LinkProfile::kLongestTurnaroundMs); // the reading asked for is not coming
    w->comunication_Timer();
    QCOMPARE(w.port->written, QByteArray(1, '\x05'));
}

void TestModes::backToRealtimeSendsNothingUntilStart()
{
    TestWindow w;
    w.stopTimers();
    w.connectOn(1);
    w->Option2_Click();
    w->Option1_Click();
    QCOMPARE(w->link().runState(), qint16(0));
    QVERIFY(w.port->written.isEmpty());
    // No reading is asked for: Timer4 stays quiet and polling only keeps the link alive.
    w->Timer4_Timer();
    w->comunication_Timer();
    QCOMPARE(w.port->written, QByteArray(1, '\x05'));
    w.port->deliver(QByteArray::fromHex("D55555"));
    w->Command1_Click();
    QCOMPARE(w.port->written, QByteArray::fromHex("0523"));
    w.port->deliver(QByteArray::fromHex("0400fa0100051e"));
    w->comunication_Timer();
    QCOMPARE(w.port->written, QByteArray::fromHex("052323"));
}

void TestModes::secondReadoutKeptForSingleValue_data()
{
    QTest::addColumn<QByteArray>("reading");
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("kept");
    // The last byte of a reading says whether the instrument sends a second value (255: none).
    const QByteArray twoValues = QByteArray::fromHex("01007b01002d04");
    const QByteArray singleValue = QByteArray::fromHex("01007b01002dff");
    QTest::newRow("two values, read old data") << twoValues << "Option2" << false;
    QTest::newRow("single value, read old data") << singleValue << "Option2" << true;
    QTest::newRow("two values, stop") << twoValues << "Command3" << false;
    QTest::newRow("single value, stop") << singleValue << "Command3" << true;
}

void TestModes::secondReadoutKeptForSingleValue()
{
    QFETCH(QByteArray, reading);
    QFETCH(QString, action);
    QFETCH(bool, kept);
    TestWindow w;
    w.stopTimers();
    w->DecodeRealtimeReply(reading);
    QCOMPARE(w->measure().singleValue, quint8(kept ? 1 : 0));
    const QString second = w->ui().Label25->text();
    QVERIFY(second != QStringLiteral("STOP"));
    if (action == QLatin1String("Option2"))
        w->Option2_Click();
    else
        w->Command3_Click();
    QCOMPARE(w->ui().Label7->text(), QStringLiteral("STOP"));
    QCOMPARE(w->ui().Label25->text(), kept ? second : QStringLiteral("STOP"));
}

void TestModes::readOldDataStopsAlarmResets()
{
    TestWindow w;
    w.stopTimers();
    w->ui().Timer6->start();
    w->ui().Timer8->start();
    w->Option2_Click();
    QVERIFY(!w->ui().Timer6->isActive());
    QVERIFY(!w->ui().Timer8->isActive());
}

void TestModes::discoveryEnablesRunButtonsInReadOldData()
{
    TestWindow w;
    w.stopTimers();
    w->Option2_Click();
    w.connectOn(3); // the instrument answered the search on COM3
    w->link().searchTimer()->start();
    w->findcom_Timer();
    QVERIFY(w->ui().Command1->isEnabled());
    QVERIFY(w->ui().Command2->isEnabled());
    QVERIFY(!w->ui().Command3->isEnabled());
    QVERIFY(!w->ui().Command9->isEnabled());
    QVERIFY(!w->ui().mnurun1->isEnabled());
    // They stay enabled until the next mode selection.
    w->Option2_Click();
    QVERIFY(!w->ui().Command1->isEnabled());
    QVERIFY(!w->ui().Command2->isEnabled());
}

QTEST_MAIN(TestModes)
#include "tst_modes.moc"
