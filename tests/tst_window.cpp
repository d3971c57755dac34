// The main window as built: every named control with its kind, caption and container, the
// timers, the menus and the window state before start-up.
#include "app/drawingsurface.h"
#include "fakes/testwindow.h"
#include "app/shapeindicator.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QtTest>

#include <type_traits>

// The state fields keep their exact types: 16-bit signed whole numbers, an 8-bit flag, single
// precision values, rings of 501 floats.
static_assert(std::is_same_v<decltype(Form1::singleValue), quint8>);
static_assert(std::is_same_v<decltype(Form1::silentTicks), qint16>);
static_assert(std::is_same_v<decltype(Form1::scanPort), qint16>);
static_assert(std::is_same_v<decltype(Form1::lastCommand), qint16>);
static_assert(std::is_same_v<decltype(Form1::recordCount), qint16>);
static_assert(std::is_same_v<decltype(Form1::runState), qint16>);
static_assert(std::is_same_v<decltype(Form1::sampleIndex), qint16>);
static_assert(std::is_same_v<decltype(Form1::measureKind), qint16>);
static_assert(std::is_same_v<decltype(Form1::operatingMode), qint16>);
static_assert(std::is_same_v<decltype(Form1::cursorY1), qint16>);
static_assert(std::is_same_v<decltype(Form1::resistanceLimit), float>);
static_assert(std::is_same_v<decltype(Form1::currentLimit), float>);
static_assert(std::tuple_size_v<decltype(Form1::trendSamples)> == 501);
static_assert(std::is_same_v<decltype(Form1::value1Samples)::value_type, float>);

class TestWindow_ : public QObject
{
    Q_OBJECT

private slots:
    void title();
    void controls_data();
    void controls();
    void containers_data();
    void containers();
    void disabledFrameDisablesContents();
    void sliders();
    void indicators();
    void listingStartsWithTitleLine();
    void timers_data();
    void timers();
    void menus_data();
    void menus();
    void stateBeforeStartUp();
    void textlessControlsHaveAccessibleNames();
};

void TestWindow_::title()
{
    TestWindow w(false);
    QCOMPARE(w->windowTitle(), QStringLiteral("Quillo Barent"));
    QCOMPARE(w->objectName(), QStringLiteral("Form1"));
}

void TestWindow_::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    auto row = [](const char *name, const char *kind, const QString &caption) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(kind) << caption;
    };
    row("Option1", "QRadioButton", QStringLiteral("Realtime Sampling"));
    row("Command1", "QPushButton", QStringLiteral("→"));
    row("Command3", "QPushButton", QStringLiteral("■"));
    row("Command2", "QPushButton", QStringLiteral("‖"));
    row("Command9", "QPushButton", QStringLiteral("》"));
    row("Option2", "QRadioButton", QStringLiteral("   Read      Old Data "));
    row("Command4", "QPushButton", QStringLiteral("Read"));
    row("Command5", "QPushButton", QStringLiteral("Save"));
    row("Command6", "QPushButton", QStringLiteral("Clear"));
    row("Command7", "QPushButton", QStringLiteral("Page Up"));
    row("Command8", "QPushButton", QStringLiteral("Page Down"));
    row("Frame1", "QGroupBox", QString());
    row("Frame2", "QGroupBox", QString());
    row("Frame3", "QGroupBox", QStringLiteral("Realtime Display"));
    row("Label7", "QLabel", QStringLiteral("STOP"));
    row("Label25", "QLabel", QStringLiteral("STOP"));
    row("Frame5", "QGroupBox", QStringLiteral("Measure(Ω)"));
    row("Label3", "QLabel", QStringLiteral("MAX:"));
    row("Label4", "QLabel", QStringLiteral("MIN:"));
    row("Label5", "QLabel", QStringLiteral("AVERAGE:"));
    row("Text2", "QLineEdit", QString());
    row("Text3", "QLineEdit", QString());
    row("Text4", "QLineEdit", QString());
    row("Frame8", "QGroupBox", QStringLiteral("Measure(mA)"));
    row("Label22", "QLabel", QStringLiteral("MAX："));
    row("Label23", "QLabel", QStringLiteral("MIN："));
    row("Label24", "QLabel", QStringLiteral("AVERAGE："));
    row("Text13", "QLineEdit", QString());
    row("Text14", "QLineEdit", QString());
    row("Text15", "QLineEdit", QString());
    row("Frame6", "QGroupBox", QStringLiteral("Alarm Setting"));
    row("Check1", "QCheckBox", QStringLiteral("Ω"));
    row("Text1", "QLineEdit", QString());
    row("Text9", "QLineEdit", QString());
    row("Check2", "QCheckBox", QStringLiteral("mA"));
    row("Frame7", "QGroupBox", QStringLiteral("Communication State"));
    row("Label2", "QLabel", QStringLiteral("Tester unlink"));
    row("Label1", "QLabel", QStringLiteral("COM1 open success"));
    row("Label6", "QLabel", QStringLiteral("status message"));
    row("Label12", "QLabel", QStringLiteral("X1："));
    row("Text5", "QLineEdit", QStringLiteral("0"));
    row("Label13", "QLabel", QStringLiteral("X2："));
    row("Text6", "QLineEdit", QStringLiteral("500"));
    row("Label9", "QLabel", QStringLiteral("Y1："));
    row("Text7", "QLineEdit", QStringLiteral("0"));
    row("Label11", "QLabel", QStringLiteral("Y2："));
    row("Text8", "QLineEdit", QStringLiteral("500"));
    row("Label8", "QLabel", QStringLiteral("×0.001R"));
    row("Label19", "QLabel", QStringLiteral("×0.001mA"));
    row("Label10", "QLabel", QStringLiteral("1s"));
    row("Label14", "QLabel", QStringLiteral("5s"));
    row("Label15", "QLabel", QStringLiteral("10s"));
    row("Label16", "QLabel", QStringLiteral("15s"));
    row("Label17", "QLabel", QStringLiteral("30s"));
    row("Label18", "QLabel", QStringLiteral("X:   Y:"));
    row("Slider1", "QSlider", QString());
    row("Slider2", "QSlider", QString());
    row("Slider3", "QSlider", QString());
    row("RichTextBox1", "QPlainTextEdit", QString());
    row("Picture1", "DrawingSurface", QString());
    row("Picture3", "DrawingSurface", QString());
    row("Picture4", "DrawingSurface", QString());
    row("Picture2", "QLabel", QString());
    row("Picture5", "QWidget", QString());
    row("Shape1", "ShapeIndicator", QString());
    row("Shape2", "ShapeIndicator", QString());
    row("Shape3", "ShapeIndicator", QString());
    row("Shape4", "ShapeIndicator", QString());
}

void TestWindow_::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    TestWindow w(false);
    const QList<QWidget *> found = w->findChildren<QWidget *>(name);
    QCOMPARE(found.size(), 1);
    QWidget *widget = found.constFirst();
    QVERIFY2(widget->inherits(kind.toLatin1()), qPrintable(widget->metaObject()->className()));
    QString text;
    if (auto *label = qobject_cast<QLabel *>(widget))
        text = label->text();
    else if (auto *button = qobject_cast<QAbstractButton *>(widget))
        text = button->text();
    else if (auto *box = qobject_cast<QLineEdit *>(widget))
        text = box->text();
    else if (auto *group = qobject_cast<QGroupBox *>(widget))
        text = group->title();
    QCOMPARE(text, caption);
}

void TestWindow_::containers_data()
{
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QStringList>("members");
    QTest::newRow("Frame1") << "Frame1"
                            << QStringList{
                                       "Option1", "Command1", "Command3", "Command2", "Command9"};
    QTest::newRow("Frame2")
            << "Frame2"
            << QStringList{"Option2", "Command4", "Command5", "Command6", "Command7", "Command8"};
    QTest::newRow("Frame3") << "Frame3" << QStringList{"Label7", "Label25"};
    QTest::newRow("Frame5") << "Frame5"
                            << QStringList{"Label3", "Label4", "Label5", "Text2", "Text3", "Text4"};
    QTest::newRow("Frame8")
            << "Frame8"
            << QStringList{"Label22", "Label23", "Label24", "Text13", "Text14", "Text15"};
    QTest::newRow("Frame6") << "Frame6"
                            << QStringList{"Check1", "Text1", "Text9", "Shape2", "Shape4"};
    QTest::newRow("Frame7") << "Frame7" << QStringList{"Shape1", "Label2", "Label1"};
    QTest::newRow("Picture4") << "Picture4"
                              << QStringList{"Label12",
                                             "Text5",
                                             "Label13",
                                             "Text6",
                                             "Label9",
                                             "Text7",
                                             "Label11",
                                             "Text8",
                                             "Picture5"};
}

void TestWindow_::containers()
{
    QFETCH(QString, frame);
    QFETCH(QStringList, members);
    TestWindow w(false);
    QWidget *container = w->findChild<QWidget *>(frame);
    QVERIFY(container);
    for (const QString &member : members) {
        QWidget *widget = w->findChild<QWidget *>(member);
        QVERIFY2(widget, qPrintable(member));
        QVERIFY2(container->isAncestorOf(widget), qPrintable(member));
    }
    // Check2 sits beside the alarm frame, not in it.
    QVERIFY(!w->Frame6->isAncestorOf(w->Check2));
}

void TestWindow_::disabledFrameDisablesContents()
{
    TestWindow w(false);
    w->Frame6->setEnabled(false);
    QVERIFY(!w->Text1->isEnabled());
    QVERIFY(!w->Check1->isEnabled());
    QVERIFY(w->Check2->isEnabled());
}

void TestWindow_::sliders()
{
    TestWindow w(false);
    QCOMPARE(w->Slider1->orientation(), Qt::Vertical);
    QCOMPARE(w->Slider3->orientation(), Qt::Vertical);
    QCOMPARE(w->Slider2->orientation(), Qt::Horizontal);
    for (QSlider *s : {w->Slider1, w->Slider3}) {
        QCOMPARE(s->minimum(), 1);
        QCOMPARE(s->maximum(), 5);
        QCOMPARE(s->value(), 5);
    }
    QCOMPARE(w->Slider2->minimum(), 0);
    QCOMPARE(w->Slider2->maximum(), 4);
    QCOMPARE(w->Slider2->value(), 2);
}

void TestWindow_::indicators()
{
    TestWindow w(false);
    for (ShapeIndicator *s : {w->Shape2, w->Shape4}) {
        QCOMPARE(s->fillColor(), QColor(Qt::white));
        QCOMPARE(s->fillState(), 1);
    }
    QCOMPARE(w->Picture1->size(), QSize(533, 400));
    QCOMPARE(w->Picture4->size(), QSize(529, 53));
    QCOMPARE(w->Picture3->size(), QSize(53, 399));
}

void TestWindow_::listingStartsWithTitleLine()
{
    TestWindow w(false);
    const QString text = w->RichTextBox1->toPlainText();
    QVERIFY(text.startsWith(
            QStringLiteral("                              Quillo Barent Software Test Data")));
}

void TestWindow_::timers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("running");
    QTest::newRow("findcom") << "findcom" << 500 << false;
    QTest::newRow("COMtimout") << "COMtimout" << 500 << true;
    QTest::newRow("comunication") << "comunication" << 500 << true;
    QTest::newRow("Timer4") << "Timer4" << 500 << true;
    QTest::newRow("Timer3") << "Timer3" << 100 << false;
    QTest::newRow("Timer6") << "Timer6" << 1000 << true;
    QTest::newRow("Timer8") << "Timer8" << 1000 << true;
    QTest::newRow("Timer7") << "Timer7" << 500 << false;
    QTest::newRow("Timer9") << "Timer9" << 500 << false;
}

void TestWindow_::timers()
{
    QFETCH(QString, name);
    QFETCH(int, interval);
    QFETCH(bool, running);
    TestWindow w(false);
    auto *timer = w->findChild<QTimer *>(name);
    QVERIFY(timer);
    QCOMPARE(timer->interval(), interval);
    QCOMPARE(timer->isActive(), running);
}

void TestWindow_::menus_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QKeySequence>("shortcut");
    QTest::newRow("mnusave") << "File(&F)"
                             << "mnusave"
                             << "Save(&S)" << QKeySequence("Ctrl+S");
    QTest::newRow("mnuprint") << "File(&F)"
                              << "mnuprint"
                              << "Print(&P)" << QKeySequence("Ctrl+P");
    QTest::newRow("mnuprintsetting") << "File(&F)"
                                     << "mnuprintsetting"
                                     << "Print Setup" << QKeySequence();
    QTest::newRow("mnuexit") << "File(&F)"
                             << "mnuexit"
                             << "Exit(&X)" << QKeySequence("Ctrl+E");
    QTest::newRow("mnurun1") << "Run(&R)"
                             << "mnurun1"
                             << "Start" << QKeySequence("F3");
    QTest::newRow("mnupause") << "Run(&R)"
                              << "mnupause"
                              << "Pause" << QKeySequence("F4");
    QTest::newRow("mnustop") << "Run(&R)"
                             << "mnustop"
                             << "Stop" << QKeySequence("F5");
    QTest::newRow("mnuchangemode") << "Run(&R)"
                                   << "mnuchangemode"
                                   << "Mode" << QKeySequence("F6");
    QTest::newRow("mnuaboutus") << "Help(&H)"
                                << "mnuaboutus"
                                << "About Software" << QKeySequence("Ctrl+H");
}

void TestWindow_::menus()
{
    QFETCH(QString, menu);
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QKeySequence, shortcut);
    TestWindow w(false);
    QMenu *found = nullptr;
    for (QAction *top : w->menuBar()->actions()) {
        if (top->text() == menu)
            found = top->menu();
    }
    QVERIFY2(found, qPrintable(menu));
    QAction *item = nullptr;
    for (QAction *a : found->actions()) {
        if (a->objectName() == name)
            item = a;
    }
    QVERIFY2(item, qPrintable(name));
    QCOMPARE(item->text(), text);
    QCOMPARE(item->shortcut(), shortcut);
}

void TestWindow_::stateBeforeStartUp()
{
    TestWindow w(false);
    QCOMPARE(w->singleValue, quint8(0));
    QVERIFY(w->replyBuffer.isEmpty());
    QCOMPARE(w->silentTicks, qint16(0));
    QCOMPARE(w->scanPort, qint16(0));
    QVERIFY(!w->connected);
    QCOMPARE(w->lastCommand, qint16(0));
    QCOMPARE(w->recordCount, qint16(0));
    QCOMPARE(w->runState, qint16(0));
    QCOMPARE(w->sampleIndex, qint16(0));
    QCOMPARE(w->measureKind, qint16(0));
    QVERIFY(!w->traceEnabled);
    QCOMPARE(w->operatingMode, qint16(0));
    QCOMPARE(w->dragX, qint16(0));
    QCOMPARE(w->dragY, qint16(0));
    QCOMPARE(w->cursorX1, 0.0);
    QCOMPARE(w->cursorX2, 0.0);
    QCOMPARE(w->cursorY2, 0.0);
    QCOMPARE(w->cursorY1, qint16(0));
    QCOMPARE(w->resistanceLimit, 0.0f);
    QCOMPARE(w->currentLimit, 0.0f);
    for (const Trend::Ring *ring : {&w->trendSamples, &w->value1Samples, &w->value2Samples}) {
        QCOMPARE(int(ring->size()), 501);
        QVERIFY(std::all_of(ring->begin(), ring->end(), [](float v) { return v == 0.0f; }));
    }
    QVERIFY(w.port->written.isEmpty());
    QVERIFY(w.port->openedPorts.isEmpty());
}

void TestWindow_::textlessControlsHaveAccessibleNames()
{
    TestWindow w(false);
    const QList<QWidget *> textless = {w->Text1,
                                       w->Text9,
                                       w->Text2,
                                       w->Text13,
                                       w->Shape1,
                                       w->Shape2,
                                       w->Shape4,
                                       w->Picture1,
                                       w->Picture3,
                                       w->Picture4,
                                       w->Slider1,
                                       w->Slider2,
                                       w->Slider3,
                                       w->Text5,
                                       w->RichTextBox1};
    for (QWidget *widget : textless)
        QVERIFY2(!widget->accessibleName().isEmpty(), qPrintable(widget->objectName()));
    // Controls that show text are read out as what they show.
    QVERIFY(w->Label6->accessibleName().isEmpty());
    QVERIFY(w->Command4->accessibleName().isEmpty());
}

QTEST_MAIN(TestWindow_)
#include "tst_window.moc"
