#include "app/form1_ui.h"

#include "app/drawingsurface.h"
#include "app/listingfont.h"
#include "app/shapeindicator.h"

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
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Sizes of the drawing surfaces on screen at 96 dpi (twips / 15).
constexpr QSize kPicture1Size(533, 400);
constexpr QSize kPicture4Size(529, 53);
constexpr QSize kPicture3Size(53, 399);

} // namespace

namespace {

template<typename T>
T *named(T *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel *makeLabel(const char *name, const QString &text, QWidget *parent = nullptr)
{
    return named(new QLabel(text, parent), name);
}

QPushButton *makeButton(const char *name, const QString &text, const QString &description)
{
    auto *button = named(new QPushButton(text), name);
    button->setAccessibleDescription(description);
    button->setToolTip(description);
    return button;
}

QLineEdit *makeBox(const char *name, const QString &accessibleName, QWidget *parent = nullptr)
{
    auto *box = named(new QLineEdit(parent), name);
    box->setAccessibleName(accessibleName);
    return box;
}

QLineEdit *makeStatBox(const char *name, const QString &accessibleName)
{
    auto *box = makeBox(name, accessibleName);
    box->setReadOnly(true);
    box->setMaximumWidth(110);
    return box;
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

void Form1Ui::setupUi(QMainWindow *window)
{
    auto *central = new QWidget(window);
    central->setObjectName(QStringLiteral("centralWidget"));
    window->setCentralWidget(central);

    // Run controls.
    Frame1 = named(new QGroupBox, "Frame1");
    Frame1->setAccessibleName(QStringLiteral("Realtime sampling controls"));
    Option1 = named(new QRadioButton(QStringLiteral("Realtime Sampling")), "Option1");
    Command1 = makeButton("Command1", QStringLiteral("→"), QStringLiteral("Start sampling (F3)"));
    Command3 = makeButton("Command3", QStringLiteral("■"), QStringLiteral("Stop sampling (F5)"));
    Command2 = makeButton("Command2", QStringLiteral("‖"), QStringLiteral("Pause sampling (F4)"));
    Command9 = makeButton(
            "Command9", QStringLiteral("》"), QStringLiteral("Switch the instrument's mode (F6)"));
    {
        auto *layout = new QHBoxLayout(Frame1);
        layout->addWidget(Option1);
        for (QPushButton *b : {Command1, Command3, Command2, Command9}) {
            b->setMinimumWidth(40);
            layout->addWidget(b);
        }
    }

    // Stored-record controls.
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
    {
        auto *layout = new QHBoxLayout(Frame2);
        layout->addWidget(Option2);
        for (QPushButton *b : {Command4, Command5, Command6, Command7, Command8})
            layout->addWidget(b);
    }

    // Readouts.
    Frame3 = named(new QGroupBox(QStringLiteral("Realtime Display")), "Frame3");
    Label7 = makeLabel("Label7", QStringLiteral("STOP"));
    Label25 = makeLabel("Label25", QStringLiteral("STOP"));
    {
        QFont readout = Label7->font();
        readout.setPointSize(20);
        readout.setBold(true);
        Label7->setFont(readout);
        readout.setPointSize(14);
        Label25->setFont(readout);
        Label7->setMinimumWidth(260);
        Label25->setMinimumWidth(260);
        auto *layout = new QVBoxLayout(Frame3);
        layout->addWidget(Label7);
        layout->addWidget(Label25);
    }

    // Statistics of the first and the second value.
    Frame5 = named(new QGroupBox(QStringLiteral("Measure(Ω)")), "Frame5");
    Label3 = makeLabel("Label3", QStringLiteral("MAX:"));
    Label4 = makeLabel("Label4", QStringLiteral("MIN:"));
    Label5 = makeLabel("Label5", QStringLiteral("AVERAGE:"));
    Text2 = makeStatBox("Text2", QStringLiteral("Largest resistance"));
    Text3 = makeStatBox("Text3", QStringLiteral("Smallest resistance"));
    Text4 = makeStatBox("Text4", QStringLiteral("Mean resistance"));
    Frame8 = named(new QGroupBox(QStringLiteral("Measure(mA)")), "Frame8");
    Label22 = makeLabel("Label22", QStringLiteral("MAX："));
    Label23 = makeLabel("Label23", QStringLiteral("MIN："));
    Label24 = makeLabel("Label24", QStringLiteral("AVERAGE："));
    Text13 = makeStatBox("Text13", QStringLiteral("Largest current"));
    Text14 = makeStatBox("Text14", QStringLiteral("Smallest current"));
    Text15 = makeStatBox("Text15", QStringLiteral("Mean current"));
    {
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

    // Alarm settings. Check2 sits beside the frame, not in it, as it always has: disabling the
    // frame leaves the current alarm switch alone.
    Frame6 = named(new QGroupBox(QStringLiteral("Alarm Setting")), "Frame6");
    Check1 = named(new QCheckBox(QStringLiteral("Ω")), "Check1");
    Check1->setAccessibleDescription(QStringLiteral("Resistance alarm on"));
    Text1 = makeBox("Text1", QStringLiteral("Resistance alarm limit in ohms"));
    Text1->setAccessibleDescription(QStringLiteral("0 to 1200"));
    Text9 = makeBox("Text9", QStringLiteral("Current alarm limit in milliamperes"));
    Text9->setAccessibleDescription(QStringLiteral("0 to 40000"));
    Text1->setMaximumWidth(90);
    Text9->setMaximumWidth(90);
    Shape2 = named(new ShapeIndicator, "Shape2");
    Shape2->setAccessibleName(QStringLiteral("Resistance alarm indicator"));
    Shape4 = named(new ShapeIndicator, "Shape4");
    Shape4->setAccessibleName(QStringLiteral("Current alarm indicator"));
    Check2 = named(new QCheckBox(QStringLiteral("mA")), "Check2");
    Check2->setAccessibleDescription(QStringLiteral("Current alarm on"));
    {
        auto *g = new QGridLayout(Frame6);
        g->addWidget(Check1, 0, 0);
        g->addWidget(Text1, 0, 1);
        g->addWidget(Shape2, 0, 2);
        g->addWidget(Text9, 1, 1);
        g->addWidget(Shape4, 1, 2);
    }

    // Link state.
    Frame7 = named(new QGroupBox(QStringLiteral("Communication State")), "Frame7");
    Shape1 = named(new ShapeIndicator, "Shape1");
    Shape1->setAccessibleName(QStringLiteral("Link indicator"));
    Shape1->setFillColor(LinkLamp::kDown);
    Label2 = makeLabel("Label2", QStringLiteral("Tester unlink"));
    Label1 = makeLabel("Label1", QStringLiteral("COM1 open success"));
    {
        auto *g = new QGridLayout(Frame7);
        g->addWidget(Shape1, 0, 0, 2, 1);
        g->addWidget(Label2, 0, 1);
        g->addWidget(Label1, 1, 1);
    }

    Label6 = makeLabel("Label6", QStringLiteral("status message"));
    Label6->setMinimumWidth(200);

    // The data listing.
    RichTextBox1 = named(new QPlainTextEdit, "RichTextBox1");
    RichTextBox1->setAccessibleName(QStringLiteral("Data listing"));
    RichTextBox1->setLineWrapMode(QPlainTextEdit::NoWrap);
    RichTextBox1->setReadOnly(true);
    RichTextBox1->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    RichTextBox1->setMinimumSize(640, 260);
    RichTextBox1->setPlainText(
            QStringLiteral("                              Quillo Barent Software Test Data\r\n"));
    transferProgress = named(new QProgressBar, "transferProgress");
    transferProgress->setAccessibleName(QStringLiteral("Stored records received"));
    transferProgress->setFormat(QStringLiteral("%v of %m bytes"));
    transferProgress->setVisible(false);
    RichTextBox1->setFont(ListingFont::choose());

    // The trend chart, its strips, sliders and captions.
    Picture1 = named(new DrawingSurface(kPicture1Size), "Picture1");
    Picture1->setAccessibleName(QStringLiteral("Trend chart"));
    Picture1->setMouseTracking(true);
    Picture3 = named(new DrawingSurface(kPicture3Size), "Picture3");
    Picture3->setAccessibleName(QStringLiteral("Horizontal cursor strip"));
    Picture4 = named(new DrawingSurface(kPicture4Size), "Picture4");
    Picture4->setAccessibleName(QStringLiteral("Vertical cursor strip"));
    // The cursor entry boxes sit in the X strip, below its markers, in one row.
    Label12 = makeLabel("Label12", QStringLiteral("X1："), Picture4);
    Text5 = makeBox("Text5", QStringLiteral("Cursor X1"), Picture4);
    Label13 = makeLabel("Label13", QStringLiteral("X2："), Picture4);
    Text6 = makeBox("Text6", QStringLiteral("Cursor X2"), Picture4);
    Label9 = makeLabel("Label9", QStringLiteral("Y1："), Picture4);
    Text7 = makeBox("Text7", QStringLiteral("Cursor Y1"), Picture4);
    Label11 = makeLabel("Label11", QStringLiteral("Y2："), Picture4);
    Text8 = makeBox("Text8", QStringLiteral("Cursor Y2"), Picture4);
    Text5->setText(QStringLiteral("0"));
    Text6->setText(QStringLiteral("500"));
    Text7->setText(QStringLiteral("0"));
    Text8->setText(QStringLiteral("500"));
    {
        int x = 4;
        const int y = kPicture4Size.height() - 22;
        const std::pair<QLabel *, QLineEdit *> row[]
                = {{Label12, Text5}, {Label13, Text6}, {Label9, Text7}, {Label11, Text8}};
        for (const auto &[label, box] : row) {
            label->setGeometry(x, y, 30, 20);
            box->setGeometry(x + 30, y, 90, 20);
            label->setBuddy(box);
            x += 130;
        }
    }
    Picture5 = named(new QWidget(Picture4), "Picture5");
    Picture5->setGeometry(0, 0, 0, 0);
    Shape3 = named(new ShapeIndicator, "Shape3");
    Shape3->setAccessibleName(QStringLiteral("Decoration"));
    Shape3->setVisible(false);

    Slider1 = named(new QSlider(Qt::Vertical), "Slider1");
    Slider1->setAccessibleName(QStringLiteral("Chart magnification of the first value"));
    Slider3 = named(new QSlider(Qt::Vertical), "Slider3");
    Slider3->setAccessibleName(QStringLiteral("Chart magnification of the second value"));
    for (QSlider *s : {Slider1, Slider3}) {
        s->setRange(1, 5);
        s->setValue(5);
        s->setPageStep(1);
        s->setTickPosition(QSlider::TicksRight);
    }
    Slider2 = named(new QSlider(Qt::Horizontal), "Slider2");
    Slider2->setAccessibleName(QStringLiteral("Time window of the trend chart"));
    Slider2->setRange(0, 4);
    Slider2->setValue(2);
    Slider2->setPageStep(1);
    Slider2->setTickPosition(QSlider::TicksBelow);
    Label8 = makeLabel("Label8", QStringLiteral("×0.001R"));
    Label19 = makeLabel("Label19", QStringLiteral("×0.001mA"));
    Label10 = makeLabel("Label10", QStringLiteral("1s"));
    Label14 = makeLabel("Label14", QStringLiteral("5s"));
    Label15 = makeLabel("Label15", QStringLiteral("10s"));
    Label16 = makeLabel("Label16", QStringLiteral("15s"));
    Label17 = makeLabel("Label17", QStringLiteral("30s"));
    Label18 = makeLabel("Label18", QStringLiteral("X:   Y:"));

    Picture2 = makeLabel("Picture2", QString());
    Picture2->setPixmap(makeLogo());
    Picture2->setFixedSize(191, 127);
    Picture2->setAccessibleName(QStringLiteral("Quillo Barent logo"));

    // Layout: logo, link state and readouts on top; the two mode rows; alarms and statistics;
    // the chart area (hidden in both modes); the listing; the status line.
    auto *top = new QHBoxLayout;
    top->addWidget(Picture2);
    top->addWidget(Frame7);
    top->addWidget(Frame3, 1);

    auto *modes = new QVBoxLayout;
    modes->addWidget(Frame1);
    modes->addWidget(Frame2);

    auto *alarms = new QHBoxLayout;
    alarms->addWidget(Frame6);
    alarms->addWidget(Check2, 0, Qt::AlignBottom);
    alarms->addWidget(Frame5);
    alarms->addWidget(Frame8);
    alarms->addStretch(1);

    auto *chart = new QGridLayout;
    chart->setSpacing(0);
    chart->addWidget(Slider1, 0, 0);
    chart->addWidget(Label8, 1, 0);
    chart->addWidget(Picture1, 0, 1);
    chart->addWidget(Picture3, 0, 2);
    chart->addWidget(Slider3, 0, 3);
    chart->addWidget(Label19, 1, 3);
    chart->addWidget(Picture4, 1, 1, 1, 2, Qt::AlignLeft);
    chart->addWidget(Slider2, 2, 1);
    auto *captions = new QHBoxLayout;
    for (QLabel *l : {Label10, Label14, Label15, Label16, Label17})
        captions->addWidget(l, 1, Qt::AlignCenter);
    chart->addLayout(captions, 3, 1);
    chart->addWidget(Label18, 4, 1);
    chart->addWidget(Shape3, 4, 2);

    auto *listing = new QVBoxLayout;
    listing->addWidget(RichTextBox1, 1);
    listing->addWidget(transferProgress);

    auto *main = new QVBoxLayout(central);
    main->addLayout(top);
    main->addLayout(modes);
    main->addLayout(alarms);
    main->addLayout(chart);
    main->addLayout(listing, 1);
    main->addWidget(Label6);

    // ---- Menus ----

    auto makeAction
            = [](QMenu *menu, const char *name, const QString &text, const QKeySequence &shortcut) {
                  QAction *action = menu->addAction(text);
                  action->setObjectName(QLatin1String(name));
                  if (!shortcut.isEmpty())
                      action->setShortcut(shortcut);
                  return action;
              };
    mnufile = window->menuBar()->addMenu(QStringLiteral("File(&F)"));
    mnufile->setObjectName(QStringLiteral("mnufile"));
    mnusave = makeAction(
            mnufile, "mnusave", QStringLiteral("Save(&S)"), QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuprint = makeAction(
            mnufile, "mnuprint", QStringLiteral("Print(&P)"), QKeySequence(Qt::CTRL | Qt::Key_P));
    mnuprintsetting = makeAction(mnufile, "mnuprintsetting", QStringLiteral("Print Setup"), {});
    mnuexit = makeAction(
            mnufile, "mnuexit", QStringLiteral("Exit(&X)"), QKeySequence(Qt::CTRL | Qt::Key_E));
    mnurun = window->menuBar()->addMenu(QStringLiteral("Run(&R)"));
    mnurun->setObjectName(QStringLiteral("mnurun"));
    mnurun1 = makeAction(mnurun, "mnurun1", QStringLiteral("Start"), QKeySequence(Qt::Key_F3));
    mnupause = makeAction(mnurun, "mnupause", QStringLiteral("Pause"), QKeySequence(Qt::Key_F4));
    mnustop = makeAction(mnurun, "mnustop", QStringLiteral("Stop"), QKeySequence(Qt::Key_F5));
    mnuchangemode
            = makeAction(mnurun, "mnuchangemode", QStringLiteral("Mode"), QKeySequence(Qt::Key_F6));
    mnuhelp = window->menuBar()->addMenu(QStringLiteral("Help(&H)"));
    mnuhelp->setObjectName(QStringLiteral("mnuhelp"));
    mnuaboutus = makeAction(mnuhelp,
                            "mnuaboutus",
                            QStringLiteral("About Software"),
                            QKeySequence(Qt::CTRL | Qt::Key_H));

    // ---- Timers of the window (the link's own live in its session) ----

    auto makeTimer = [window](const char *name, int interval, bool running) {
        auto *timer = new QTimer(window);
        timer->setObjectName(QLatin1String(name));
        timer->setInterval(interval);
        if (running)
            timer->start();
        return timer;
    };
    Timer5 = makeTimer("Timer5", 1000, true); // has never had a tick handler
    Timer6 = makeTimer("Timer6", 1000, true);
    Timer7 = makeTimer("Timer7", 500, false);
    Timer8 = makeTimer("Timer8", 1000, true);
    Timer9 = makeTimer("Timer9", 500, false);
}
