// The main window as its handlers find it: every control, menu item and timer a handler touches
// exists under its name and is the one the handler uses, controls that show no text have an
// accessible name, every button and menu item reaches its handler, and the state before start-up.
#include "app/drawingsurface.h"
#include "app/shapeindicator.h"
#include "core/datafile.h"
#include "core/listing.h"
#include "core/linkprofile.h"
#include "fakes/testwindow.h"
#include "link/linksession.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// How a test reaches an object the way the handlers do: through the window's own pointer.
using Reach = QObject *(*)(const Form1 &);

// What a button or menu item is seen to have done.
enum class Effect {
    Wire,        // only the bytes written say it
    Running,     // sampling on, trace on
    Paused,      // sampling off, trace on
    Stopped,     // sampling off, trace off, readout "STOP"
    Realtime,    // operating mode 1
    Stored,      // operating mode 2
    ListingSave, // the save dialog, set up for the text listing
    PictureSave, // the save dialog, set up for the chart picture
    Print,       // the printer dialog
    PrintSetup,  // the printer setup form
    HeaderAdded, // a column header appended to the listing
    PageDown,    // the listing's caret a page further down
    PageUp,      // the listing's caret a page further up
    Closed,      // the window closed and let go of the port
    About,       // the about box
};

QString listingOfLines(int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines.append(QStringLiteral("line %1").arg(i));
    return lines.join(QLatin1Char('\n'));
}

} // namespace

Q_DECLARE_METATYPE(Reach)
Q_DECLARE_METATYPE(Effect)

class TestWindow_ : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private slots:
    void initTestCase();
    void title();
    void handlersFindTheirObjects_data();
    void handlersFindTheirObjects();
    void disabledFrameDisablesContents();
    void sliders();
    void indicators();
    void listingStartsWithTitleLine();
    void timers_data();
    void timers();
    void menus_data();
    void menus();
    void buttonsAndMenusReachTheirHandlers_data();
    void buttonsAndMenusReachTheirHandlers();
    void stateBeforeStartUp();
};

void TestWindow_::initTestCase()
{
    // The save dialogs make their folder in the home folder; keep it out of the real one.
    QVERIFY(m_home.isValid());
    qputenv("HOME", m_home.path().toLocal8Bit());
}

void TestWindow_::title()
{
    TestWindow w(false);
    QCOMPARE(w->windowTitle(), QStringLiteral("Quillo Barent"));
    QCOMPARE(w->objectName(), QStringLiteral("Form1"));
}

void TestWindow_::handlersFindTheirObjects_data()
{
    QTest::addColumn<Reach>("reach");
// One row per object, named as the member the handlers use.
#define UI_ROW(member) \
    QTest::newRow(#member) << Reach([](const Form1 &w) -> QObject * { return w.ui().member; })
#define LINK_ROW(name, timer) \
    QTest::newRow(#name) << Reach([](const Form1 &w) -> QObject * { return w.link().timer(); })
    // Run and mode controls.
    UI_ROW(Option1);
    UI_ROW(Option2);
    UI_ROW(Command1);
    UI_ROW(Command2);
    UI_ROW(Command3);
    UI_ROW(Command4);
    UI_ROW(Command5);
    UI_ROW(Command6);
    UI_ROW(Command7);
    UI_ROW(Command8);
    UI_ROW(Command9);
    UI_ROW(mnurun1);
    UI_ROW(mnupause);
    UI_ROW(mnustop);
    UI_ROW(mnuchangemode);
    UI_ROW(mnusave);
    UI_ROW(mnuprint);
    UI_ROW(mnuprintsetting);
    UI_ROW(mnuexit);
    UI_ROW(mnuaboutus);
    // Readouts, link state and status.
    UI_ROW(Label7);
    UI_ROW(Label25);
    UI_ROW(Label1);
    UI_ROW(Label2);
    UI_ROW(Label6);
    UI_ROW(Shape1);
    // Alarms and statistics.
    UI_ROW(Frame5);
    UI_ROW(Frame6);
    UI_ROW(Frame8);
    UI_ROW(Check1);
    UI_ROW(Check2);
    UI_ROW(Text1);
    UI_ROW(Text9);
    UI_ROW(Shape2);
    UI_ROW(Shape4);
    UI_ROW(Text2);
    UI_ROW(Text3);
    UI_ROW(Text4);
    UI_ROW(Text13);
    UI_ROW(Text14);
    UI_ROW(Text15);
    // The chart, its strips, boxes, sliders and captions.
    UI_ROW(Picture1);
    UI_ROW(Picture3);
    UI_ROW(Picture4);
    UI_ROW(Text5);
    UI_ROW(Text6);
    UI_ROW(Text7);
    UI_ROW(Text8);
    UI_ROW(Slider1);
    UI_ROW(Slider2);
    UI_ROW(Slider3);
    UI_ROW(Label8);
    UI_ROW(Label19);
    UI_ROW(Label10);
    UI_ROW(Label14);
    UI_ROW(Label15);
    UI_ROW(Label16);
    UI_ROW(Label17);
    UI_ROW(Label18);
    // The listing.
    UI_ROW(RichTextBox1);
    UI_ROW(transferProgress);
    // Timers of the window and of the link.
    UI_ROW(Timer5);
    UI_ROW(Timer6);
    UI_ROW(Timer7);
    UI_ROW(Timer8);
    UI_ROW(Timer9);
    LINK_ROW(findcom, searchTimer);
    LINK_ROW(COMtimout, supervisionTimer);
    LINK_ROW(comunication, pollTimer);
    LINK_ROW(Timer3, blockRequestTimer);
    LINK_ROW(Timer4, readingTimer);
#undef UI_ROW
#undef LINK_ROW
}

void TestWindow_::handlersFindTheirObjects()
{
    QFETCH(Reach, reach);
    TestWindow w(false);
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    QObject *used = reach(*w.form);
    QVERIFY(used);
    // The one object of that name, anywhere in the window, is the one the handlers use.
    const QList<QObject *> found = w->findChildren<QObject *>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.constFirst(), used);

    if (auto *action = qobject_cast<QAction *>(used)) {
        QVERIFY(!action->text().isEmpty());
        return;
    }
    auto *widget = qobject_cast<QWidget *>(used);
    if (!widget)
        return; // a timer
    QString shown;
    if (auto *label = qobject_cast<QLabel *>(widget))
        shown = label->text();
    else if (auto *button = qobject_cast<QAbstractButton *>(widget))
        shown = button->text();
    else if (auto *group = qobject_cast<QGroupBox *>(widget))
        shown = group->title();
    // A control that shows text is read out as what it shows, which changes as the window runs;
    // one that shows none (boxes, sliders, pictures, lamps, the listing) needs a name to be read.
    if (shown.isEmpty())
        QVERIFY2(!widget->accessibleName().isEmpty(), "no text and no accessible name");
    else
        QVERIFY2(widget->accessibleName().isEmpty(), qPrintable(widget->accessibleName()));
}

void TestWindow_::disabledFrameDisablesContents()
{
    TestWindow w(false);
    w->ui().Frame6->setEnabled(false);
    QVERIFY(!w->ui().Text1->isEnabled());
    QVERIFY(!w->ui().Check1->isEnabled());
    QVERIFY(w->ui().Check2->isEnabled());
}

void TestWindow_::sliders()
{
    TestWindow w(false);
    QCOMPARE(w->ui().Slider1->orientation(), Qt::Vertical);
    QCOMPARE(w->ui().Slider3->orientation(), Qt::Vertical);
    QCOMPARE(w->ui().Slider2->orientation(), Qt::Horizontal);
    for (QSlider *s : {w->ui().Slider1, w->ui().Slider3}) {
        QCOMPARE(s->minimum(), 1);
        QCOMPARE(s->maximum(), 5);
        QCOMPARE(s->value(), 5);
    }
    QCOMPARE(w->ui().Slider2->minimum(), 0);
    QCOMPARE(w->ui().Slider2->maximum(), 4);
    QCOMPARE(w->ui().Slider2->value(), 2);
}

void TestWindow_::indicators()
{
    TestWindow w(false);
    for (ShapeIndicator *s : {w->ui().Shape2, w->ui().Shape4}) {
        QCOMPARE(s->fillColor(), QColor(Qt::white));
        QCOMPARE(s->fillState(), 1);
    }
    QCOMPARE(w->ui().Picture1->size(), QSize(533, 400));
    QCOMPARE(w->ui().Picture4->size(), QSize(529, 53));
    QCOMPARE(w->ui().Picture3->size(), QSize(53, 399));
}

void TestWindow_::listingStartsWithTitleLine()
{
    TestWindow w(false);
    const QString text = w->ui().RichTextBox1->toPlainText();
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

void TestWindow_::buttonsAndMenusReachTheirHandlers_data()
{
    QTest::addColumn<int>("mode"); // 1 realtime, 2 stored data
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<Effect>("effect");
    auto row = [](const char *name, int mode, const QByteArray &wire, Effect effect) {
        QTest::newRow(name) << mode << wire << effect;
    };
    const QByteArray none;
    row("Command1", 1, QByteArray("\x23"), Effect::Running);
    row("mnurun1", 1, QByteArray("\x23"), Effect::Running);
    row("Command2", 1, none, Effect::Paused);
    row("mnupause", 1, none, Effect::Paused);
    row("Command3", 1, none, Effect::Stopped);
    row("mnustop", 1, none, Effect::Stopped);
    row("Command9", 1, QByteArray("\x37\x23"), Effect::Running);
    row("mnuchangemode", 1, QByteArray("\x37\x23"), Effect::Running);
    row("Option2", 1, none, Effect::Stored);
    row("Option1", 2, none, Effect::Realtime);
    row("Command4", 2, QByteArray("\x0f"), Effect::Wire);
    row("Command5", 2, none, Effect::ListingSave);
    row("Command6", 2, none, Effect::HeaderAdded);
    row("Command7", 2, none, Effect::PageUp);
    row("Command8", 2, none, Effect::PageDown);
    row("mnusave", 1, none, Effect::PictureSave);
    row("mnusave in stored-data mode", 2, none, Effect::ListingSave);
    row("mnuprint", 1, none, Effect::Print);
    row("mnuprintsetting", 1, none, Effect::PrintSetup);
    row("mnuexit", 1, QByteArray(1, '\0'), Effect::Closed);
    row("mnuaboutus", 1, none, Effect::About);
}

void TestWindow_::buttonsAndMenusReachTheirHandlers()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, wire);
    QFETCH(Effect, effect);
    const QString name
            = QString::fromLatin1(QTest::currentDataTag()).section(QLatin1Char(' '), 0, 0);
    TestWindow w; // started: sampling runs with the trace on
    w.stopTimers();
    w.connectOn(1);
    if (mode == 2)
        w->Option2_Click();
    QPlainTextEdit *listing = w->ui().RichTextBox1;
    if (effect == Effect::PageDown || effect == Effect::PageUp) {
        w->show(); // paging goes by the height the list has on the screen
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
        listing->setPlainText(listingOfLines(400));
        if (effect == Effect::PageUp)
            listing->moveCursor(QTextCursor::End);
    }
    const int caretBefore = listing->textCursor().blockNumber();
    const QString listingBefore = listing->toPlainText();
    w.port->resetRecords();

    if (auto *button = w->findChild<QAbstractButton *>(name))
        button->click();
    else if (auto *action = w->findChild<QAction *>(name))
        action->trigger();
    else
        QFAIL("no such button or menu item");
    w.advance(2 * LinkProfile::kLongestTurnaroundMs); // what waits for an answer goes out

    QCOMPARE(w.port->written.toHex(' '), wire.toHex(' '));
    switch (effect) {
    case Effect::Wire:
        break;
    case Effect::Running:
    case Effect::Paused:
        QCOMPARE(w->link().runState(), qint16(effect == Effect::Running ? 1 : 0));
        QVERIFY(w->traceEnabled());
        break;
    case Effect::Stopped:
        QCOMPARE(w->link().runState(), qint16(0));
        QVERIFY(!w->traceEnabled());
        QCOMPARE(w->ui().Label7->text(), QStringLiteral("STOP"));
        break;
    case Effect::Realtime:
    case Effect::Stored:
        QCOMPARE(w->operatingMode(), qint16(effect == Effect::Realtime ? 1 : 2));
        break;
    case Effect::ListingSave:
    case Effect::PictureSave:
        QCOMPARE(w.dialog->shownSaves.size(), 1);
        QCOMPARE(w.dialog->shownSaves.first().filter.contains(QStringLiteral("*.bmp")),
                 effect == Effect::PictureSave);
        if (effect == Effect::ListingSave)
            QCOMPARE(w.dialog->shownSaves.first().filter, DataFile::filter());
        break;
    case Effect::Print:
    case Effect::PrintSetup:
        QCOMPARE(w.dialog->shownPrinters.size(), 1);
        QCOMPARE(bool(w.dialog->shownPrinters.first().flags & CommonDialog::PD_PRINTSETUP),
                 effect == Effect::PrintSetup);
        break;
    case Effect::HeaderAdded:
        QCOMPARE(listing->toPlainText(), listingBefore + Listing::twoColumnHeader());
        break;
    case Effect::PageDown:
        QVERIFY(listing->textCursor().blockNumber() > caretBefore);
        break;
    case Effect::PageUp:
        QCOMPARE(caretBefore, 399);
        QVERIFY(listing->textCursor().blockNumber() < caretBefore);
        break;
    case Effect::Closed:
        QVERIFY(!w->MSComm1().portOpen()); // nothing can follow the end-of-link byte
        break;
    case Effect::About:
        QCOMPARE(w.messages->shown.size(), 1);
        QCOMPARE(w.messages->shown.first().title,
                 QStringLiteral("Thanking for choicing our product!"));
        break;
    }
    if (effect != Effect::ListingSave && effect != Effect::PictureSave)
        QVERIFY(w.dialog->shownSaves.isEmpty());
    if (effect != Effect::Print && effect != Effect::PrintSetup)
        QVERIFY(w.dialog->shownPrinters.isEmpty());
    if (effect != Effect::About)
        QVERIFY(w.messages->shown.isEmpty());
}

void TestWindow_::stateBeforeStartUp()
{
    TestWindow w(false);
    QCOMPARE(w->measure().singleValue, quint8(0));
    QCOMPARE(w->link().silentTicks(), qint16(0));
    QCOMPARE(w->link().scanPort(), qint16(0));
    QVERIFY(!w->link().connected());
    QCOMPARE(w->link().lastCommand(), qint16(0));
    QCOMPARE(w->link().recordCount(), qint16(0));
    QCOMPARE(w->link().runState(), qint16(0));
    QCOMPARE(w->trend().sampleIndex(), qint16(0));
    QVERIFY(!w->traceEnabled());
    QCOMPARE(w->operatingMode(), qint16(0));
    QCOMPARE(w->cursors().dragX, qint16(0));
    QCOMPARE(w->cursors().dragY, qint16(0));
    QCOMPARE(w->limits().resistanceLimit, 0.0f);
    QCOMPARE(w->limits().currentLimit, 0.0f);
    for (const Trend::Ring *ring :
         {&w->trend().trendSamples(), &w->trend().value1Samples(), &w->trend().value2Samples()}) {
        QCOMPARE(int(ring->size()), 501);
        QVERIFY(std::all_of(ring->begin(), ring->end(), [](float v) { return v == 0.0f; }));
    }
    QVERIFY(w.port->written.isEmpty());
    QVERIFY(w.port->openedPorts.isEmpty());
}

QTEST_MAIN(TestWindow_)
#include "tst_window.moc"
