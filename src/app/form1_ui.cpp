#include "app/form1_ui.h"

#include "app/drawingsurface.h"
#include "app/makecontrol.h"
#include "app/shapeindicator.h"
#include "app/standin.h"
#include "app/steadywidth.h"
#include "core/alarms.h"
#include "core/linkprofile.h"
#include "core/listing.h"
#include "core/readout.h"
#include "draw/listingfont.h"
#include "link/linksession.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

using namespace MakeControl;

namespace {

QPushButton *makeButton(const char *name, const QString &text, const QString &description)
{
    auto *button = named(new QPushButton(text), name);
    button->setAccessibleDescription(description);
    button->setToolTip(description);
    return button;
}

QLineEdit *makeStatBox(const char *name, const QString &accessibleName)
{
    auto *statBox = box(name, accessibleName);
    statBox->setReadOnly(true);
    statBox->setMaximumWidth(110);
    return statBox;
}

QPixmap makeLogo()
{
    QPixmap logo(191, 127);
    logo.fill(QColor(24, 64, 120));
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    // A clamp jaw around an earth rod: what the instrument measures.
    painter.setPen(QPen(QColor(250, 200, 40), 6));
    painter.drawArc(QRectF(55, 18, 80, 80), 30 * 16, 300 * 16);
    painter.setPen(QPen(QColor(220, 220, 220), 5));
    painter.drawLine(QPointF(95, 10), QPointF(95, 105));
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPointSize(10);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRectF(0, 104, 191, 22), Qt::AlignCenter, QStringLiteral("Quillo Barent"));
    return logo;
}
} // namespace

// The link lamp: green while the instrument answers, grey otherwise.
const QColor LinkLamp::kUp(0, 170, 0);
const QColor LinkLamp::kDown(170, 170, 170);

QString LinkLamp::startText()
{
    return QStringLiteral("Tester unlink");
}

QString LinkLamp::upText()
{
    return QStringLiteral("connection success");
}

QString LinkLamp::downText()
{
    return QStringLiteral("connection fail");
}

void Form1Ui::setupUi(QMainWindow *window)
{
    auto *central = new QWidget(window);
    central->setObjectName(QStringLiteral("centralWidget"));
    window->setCentralWidget(central);
    buildRunControls();
    buildReadouts();
    buildStatistics();
    buildAlarms(central);
    buildLinkState();
    buildStatusLine();
    buildListing();
    buildChart();
    Picture2 = label("Picture2", QString());
    Picture2->setPixmap(makeLogo());
    Picture2->setFixedSize(191, 127);
    Picture2->setAccessibleName(QStringLiteral("Quillo Barent logo"));
    layOut(window, central);
    buildMenus(window);
    buildTimers(window);
}

void Form1Ui::buildRunControls()
{
    Frame1 = named(new QGroupBox, "Frame1");
    Frame1->setAccessibleName(QStringLiteral("Realtime sampling controls"));
    Option1 = named(new QRadioButton(QStringLiteral("Realtime Sampling")), "Option1");
    Command1 = makeButton("Command1", QStringLiteral("→"), QStringLiteral("Start sampling (F3)"));
    Command3 = makeButton("Command3", QStringLiteral("■"), QStringLiteral("Stop sampling (F5)"));
    Command2 = makeButton("Command2", QStringLiteral("‖"), QStringLiteral("Pause sampling (F4)"));
    Command9 = makeButton(
            "Command9", QStringLiteral("》"), QStringLiteral("Switch the instrument's mode (F6)"));
    auto *realtime = new QHBoxLayout(Frame1);
    realtime->addWidget(Option1);
    for (QPushButton *b : {Command1, Command3, Command2, Command9}) {
        b->setMinimumWidth(40);
        realtime->addWidget(b);
    }

    Frame2 = named(new QGroupBox, "Frame2");
    Frame2->setAccessibleName(QStringLiteral("Stored data controls"));
    Option2 = named(new QRadioButton(QStringLiteral("   Read      Old Data ")), "Option2");
    Command4 = makeButton("Command4",
                          QStringLiteral("Read"),
                          QStringLiteral("Read the records stored in the instrument"));
    Command5 = makeButton("Command5", QStringLiteral("Save"), QStringLiteral("Save the listing"));
    Command6 = makeButton("Command6",
                          QStringLiteral("Clear"),
                          QStringLiteral("Append a column header to the listing"));
    Command7 = makeButton("Command7",
                          QStringLiteral("Page Up"),
                          QStringLiteral("Scroll the listing one page up"));
    Command8 = makeButton("Command8",
                          QStringLiteral("Page Down"),
                          QStringLiteral("Scroll the listing one page down"));
    auto *stored = new QHBoxLayout(Frame2);
    stored->addWidget(Option2);
    for (QPushButton *b : {Command4, Command5, Command6, Command7, Command8})
        stored->addWidget(b);

    // Both rows of buttons start at one edge, whichever option caption is wider.
    const int optionWidth = qMax(Option1->sizeHint().width(), Option2->sizeHint().width());
    Option1->setMinimumWidth(optionWidth);
    Option2->setMinimumWidth(optionWidth);
}

void Form1Ui::buildReadouts()
{
    Frame3 = named(new QGroupBox(QStringLiteral("Realtime Display")), "Frame3");
    Label7 = label("Label7", Realtime::stopText());
    Label25 = label("Label25", Realtime::stopText());
    QFont readout = Label7->font();
    readout.setPointSize(20);
    readout.setBold(true);
    Label7->setFont(readout);
    readout.setPointSize(14);
    Label25->setFont(readout);
    // A reading's text is as wide as its number: the frame stays put all the same.
    const QStringList readings = {QStringLiteral(" 8888.8mA"), Realtime::errorText()};
    steadyWidth(Label7, readings);
    steadyWidth(Label25, readings);
    auto *layout = new QVBoxLayout(Frame3);
    layout->addWidget(Label7);
    layout->addWidget(Label25);
}

void Form1Ui::buildStatistics()
{
    Frame5 = named(new QGroupBox(QStringLiteral("Measure(Ω)")), "Frame5");
    Label3 = label("Label3", QStringLiteral("MAX:"));
    Label4 = label("Label4", QStringLiteral("MIN:"));
    Label5 = label("Label5", QStringLiteral("AVERAGE:"));
    Text2 = makeStatBox("Text2", QStringLiteral("Largest resistance"));
    Text3 = makeStatBox("Text3", QStringLiteral("Smallest resistance"));
    Text4 = makeStatBox("Text4", QStringLiteral("Mean resistance"));
    Frame8 = named(new QGroupBox(QStringLiteral("Measure(mA)")), "Frame8");
    Label22 = label("Label22", QStringLiteral("MAX："));
    Label23 = label("Label23", QStringLiteral("MIN："));
    Label24 = label("Label24", QStringLiteral("AVERAGE："));
    Text13 = makeStatBox("Text13", QStringLiteral("Largest current"));
    Text14 = makeStatBox("Text14", QStringLiteral("Smallest current"));
    Text15 = makeStatBox("Text15", QStringLiteral("Mean current"));
    auto *g5 = new QGridLayout(Frame5);
    QLabel *labels5[] = {Label3, Label4, Label5};
    QLineEdit *boxes5[] = {Text2, Text3, Text4};
    auto *g8 = new QGridLayout(Frame8);
    QLabel *labels8[] = {Label22, Label23, Label24};
    QLineEdit *boxes8[] = {Text13, Text14, Text15};
    for (int i = 0; i < 3; ++i) {
        g5->addWidget(labels5[i], i, 0);
        g5->addWidget(boxes5[i], i, 1);
        labels5[i]->setBuddy(boxes5[i]);
        g8->addWidget(labels8[i], i, 0);
        g8->addWidget(boxes8[i], i, 1);
        labels8[i]->setBuddy(boxes8[i]);
    }
}

void Form1Ui::buildAlarms(QWidget *central)
{
    // Check2 is a child of the central widget, not of the frame: disabling the frame leaves the
    // current alarm switch alone. A stand-in holds its place in the frame's second row, so it
    // reads as the caption of the current limit as Check1 does of the resistance limit.
    Frame6 = named(new QGroupBox(QStringLiteral("Alarm Setting")), "Frame6");
    Check1 = named(new QCheckBox(QStringLiteral("Ω")), "Check1");
    Check1->setAccessibleDescription(QStringLiteral("Resistance alarm on"));
    Text1 = box("Text1", QStringLiteral("Resistance alarm limit in ohms"));
    Text1->setAccessibleDescription(Alarms::resistanceLimitRange());
    Text9 = box("Text9", QStringLiteral("Current alarm limit in milliamperes"));
    Text9->setAccessibleDescription(Alarms::currentLimitRange());
    Text1->setMaximumWidth(90);
    Text9->setMaximumWidth(90);
    Shape2 = named(new ShapeIndicator, "Shape2");
    Shape2->setAccessibleName(QStringLiteral("Resistance alarm indicator"));
    Shape4 = named(new ShapeIndicator, "Shape4");
    Shape4->setAccessibleName(QStringLiteral("Current alarm indicator"));
    Check2 = named(new QCheckBox(QStringLiteral("mA"), central), "Check2");
    Check2->setAccessibleDescription(QStringLiteral("Current alarm on"));
    auto *g = new QGridLayout(Frame6);
    g->addWidget(Check1, 0, 0);
    g->addWidget(Text1, 0, 1);
    g->addWidget(Shape2, 0, 2);
    g->addWidget(named(new StandIn(Check2), "Check2Place"), 1, 0);
    g->addWidget(Text9, 1, 1);
    g->addWidget(Shape4, 1, 2);
}

void Form1Ui::buildLinkState()
{
    Frame7 = named(new QGroupBox(QStringLiteral("Communication State")), "Frame7");
    Shape1 = named(new ShapeIndicator, "Shape1");
    Shape1->setAccessibleName(QStringLiteral("Link indicator"));
    Shape1->setFillColor(LinkLamp::kDown);
    Label2 = label("Label2", LinkLamp::startText());
    Label1 = label("Label1", LinkSession::openOutcomeText(1, SerialPort::Opened));
    // The link texts take turns here; the widest keeps the readouts beside them in place.
    steadyWidth(Label2, {LinkLamp::upText(), LinkLamp::downText(), LinkLamp::startText()});
    QStringList outcomes;
    for (SerialPort::OpenResult outcome :
         {SerialPort::Opened, SerialPort::InUse, SerialPort::OtherFailure, SerialPort::NoSuchPort})
        outcomes.append(LinkSession::openOutcomeText(LinkProfile::kPortCount, outcome));
    steadyWidth(Label1, outcomes);
    auto *g = new QGridLayout(Frame7);
    g->addWidget(Shape1, 0, 0, 2, 1);
    g->addWidget(Label2, 0, 1);
    g->addWidget(Label1, 1, 1);
}

void Form1Ui::buildStatusLine()
{
    Label6 = label("Label6", QStringLiteral("status message"));
    // Any status text: the line is as wide as the window and never widens it.
    Label6->setMinimumWidth(200);
    Label6->setSizePolicy(QSizePolicy::Ignored, Label6->sizePolicy().verticalPolicy());
    transferProgress = named(new QProgressBar, "transferProgress");
    transferProgress->setAccessibleName(QStringLiteral("Stored records received"));
    transferProgress->setFormat(QStringLiteral("%v of %m bytes"));
    transferProgress->setVisible(false);
    // The status line keeps the bar's room while no block arrives: a transfer starting or
    // ending moves nothing.
    QSizePolicy policy = transferProgress->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    transferProgress->setSizePolicy(policy);
    // Hidden until the link has something to say that the user can act on; it sits above the
    // controls and never covers them.
    Notice = label("Notice", QString());
    Notice->setTextFormat(Qt::PlainText);
    Notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Notice->setStyleSheet(QStringLiteral(
            "QLabel { background: rgb(255, 248, 200); color: black; padding: 4px; }"));
    Notice->setVisible(false);
}

void Form1Ui::buildListing()
{
    RichTextBox1 = named(new QPlainTextEdit, "RichTextBox1");
    RichTextBox1->setAccessibleName(QStringLiteral("Data listing"));
    RichTextBox1->setLineWrapMode(QPlainTextEdit::NoWrap);
    RichTextBox1->setReadOnly(true);
    RichTextBox1->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    RichTextBox1->setPlainText(Listing::startText());
    RichTextBox1->setFont(ListingFont::choose());
    // Room for the widest listing line (77 columns) with a little to spare, and twenty lines, at
    // the listing's font.
    const int listingWidth
            = RichTextBox1->fontMetrics().horizontalAdvance(QString(80, QLatin1Char('0')))
              + 2 * (RichTextBox1->frameWidth() + int(RichTextBox1->document()->documentMargin()))
              + RichTextBox1->verticalScrollBar()->sizeHint().width();
    RichTextBox1->setMinimumSize(listingWidth, 20 * RichTextBox1->fontMetrics().lineSpacing());
}

void Form1Ui::layOut(QMainWindow *window, QWidget *central)
{
    // On the left the controls of both modes: logo, link state and readouts; the two mode rows;
    // alarms and statistics; the listing (read-old-data mode only). On the right the trend
    // chart, shown on request in realtime mode. The status line runs along the bottom. The
    // window takes the size of what is shown, and the left column keeps one width whatever is
    // shown, so switching modes or the chart moves none of the controls they share.
    auto *top = new QHBoxLayout;
    top->addWidget(Picture2);
    top->addWidget(Frame7);
    top->addWidget(Frame3, 1);

    auto *alarms = new QHBoxLayout;
    alarms->addWidget(Frame6);
    alarms->addWidget(Frame5, 1);
    alarms->addWidget(Frame8, 1);

    auto *left = new QVBoxLayout;
    left->addLayout(top);
    left->addWidget(Frame1);
    left->addWidget(Frame2);
    left->addLayout(alarms);
    left->addWidget(RichTextBox1);
    left->addStretch(1); // beside the taller chart the controls stay at the top
    left->addStrut(RichTextBox1->minimumWidth());

    auto *body = new QHBoxLayout;
    body->addLayout(left);
    body->addLayout(chartLayout());

    auto *status = new QHBoxLayout;
    status->addWidget(Label6, 1);
    status->addWidget(transferProgress);

    auto *main = new QVBoxLayout(central);
    main->addWidget(Notice);
    main->addLayout(body);
    main->addLayout(status);
    window->layout()->setSizeConstraint(QLayout::SetFixedSize);

    // Keyboard order follows the rows as they are seen, the current switch included.
    QWidget::setTabOrder(Check1, Text1);
    QWidget::setTabOrder(Text1, Check2);
    QWidget::setTabOrder(Check2, Text9);
}

void Form1Ui::buildMenus(QMainWindow *window)
{
    struct Item
    {
        QAction *Form1Ui::*action;
        const char *name;
        const char *text;
        QKeySequence shortcut;
    };
    struct Menu
    {
        QMenu *Form1Ui::*menu;
        const char *name;
        const char *title;
        QList<Item> items;
    };
    const Menu menus[] = {
            {&Form1Ui::mnufile,
             "mnufile",
             "File(&F)",
             {{&Form1Ui::mnusave, "mnusave", "Save(&S)", QKeySequence(Qt::CTRL | Qt::Key_S)},
              {&Form1Ui::mnuprint, "mnuprint", "Print(&P)", QKeySequence(Qt::CTRL | Qt::Key_P)},
              {&Form1Ui::mnuprintsetting, "mnuprintsetting", "Print Setup", {}},
              {&Form1Ui::mnuhistory, "mnuhistory", "History", {}},
              {&Form1Ui::mnureport, "mnureport", "Report...", {}},
              {&Form1Ui::mnuexit, "mnuexit", "Exit(&X)", QKeySequence(Qt::CTRL | Qt::Key_E)}}},
            {&Form1Ui::mnurun,
             "mnurun",
             "Run(&R)",
             {{&Form1Ui::mnurun1, "mnurun1", "Start", QKeySequence(Qt::Key_F3)},
              {&Form1Ui::mnupause, "mnupause", "Pause", QKeySequence(Qt::Key_F4)},
              {&Form1Ui::mnustop, "mnustop", "Stop", QKeySequence(Qt::Key_F5)},
              {&Form1Ui::mnuchangemode, "mnuchangemode", "Mode", QKeySequence(Qt::Key_F6)}}},
            {&Form1Ui::mnuview,
             "mnuview",
             "&View",
             {{&Form1Ui::mnutrendchart, "mnutrendchart", "Trend Chart", {}}}},
            {&Form1Ui::mnuhelp,
             "mnuhelp",
             "Help(&H)",
             {{&Form1Ui::mnuaboutus,
               "mnuaboutus",
               "About Software",
               QKeySequence(Qt::CTRL | Qt::Key_H)}}},
    };
    for (const Menu &m : menus) {
        QMenu *menu = window->menuBar()->addMenu(QString::fromUtf8(m.title));
        menu->setObjectName(QLatin1String(m.name));
        this->*m.menu = menu;
        for (const Item &item : m.items) {
            QAction *action = menu->addAction(QString::fromUtf8(item.text));
            action->setObjectName(QLatin1String(item.name));
            if (!item.shortcut.isEmpty())
                action->setShortcut(item.shortcut);
            this->*item.action = action;
        }
    }
    mnutrendchart->setCheckable(true);
    mnutrendchart->setChecked(false);
}

void Form1Ui::buildTimers(QMainWindow *window)
{
    // The window's own timers; the link's live in its session.
    const struct
    {
        QTimer *Form1Ui::*timer;
        const char *name;
        int interval;
        bool running;
    } timers[] = {
            {&Form1Ui::Timer5, "Timer5", 1000, true}, // has never had a tick handler
            {&Form1Ui::Timer6, "Timer6", 1000, true},
            {&Form1Ui::Timer7, "Timer7", 500, false},
            {&Form1Ui::Timer8, "Timer8", 1000, true},
            {&Form1Ui::Timer9, "Timer9", 500, false},
    };
    for (const auto &t : timers) {
        auto *timer = new QTimer(window);
        timer->setObjectName(QLatin1String(t.name));
        timer->setInterval(t.interval);
        if (t.running)
            timer->start();
        this->*t.timer = timer;
    }
}

void Form1Ui::settle(QMainWindow *window)
{
    // The central layout first: its size hint is what the window's fixed size follows; then the
    // window's layout, which resizes the window and so places every control at once.
    if (QWidget *central = window->centralWidget(); central && central->layout())
        central->layout()->activate();
    window->layout()->activate();
}
