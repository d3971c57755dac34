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
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QStringList>
#include <QTextDocument>
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

// Keeps a label's width steady while its text changes among known texts: the widest of them, at
// the label's font, is its width, so no later text moves its neighbours or widens the window.
// A new font or style measures again.
class SteadyWidth final : public QObject
{
public:
    SteadyWidth(QLabel *label, const QStringList &texts)
        : QObject(label)
        , m_label(label)
        , m_texts(texts)
    {
        label->installEventFilter(this);
        measure();
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
            measure();
        return false;
    }

private:
    void measure()
    {
        // The label's own size hint for each text: its margins and indent included.
        const QString shown = m_label->text();
        int width = 0;
        for (const QString &text : std::as_const(m_texts)) {
            m_label->setText(text);
            width = qMax(width, m_label->sizeHint().width());
        }
        m_label->setText(shown);
        m_label->setFixedWidth(qMax(width, m_label->sizeHint().width()));
    }

    QLabel *m_label;
    QStringList m_texts;
};

void steadyWidth(QLabel *label, const QStringList &texts)
{
    new SteadyWidth(label, texts);
}

// Holds a control's place in a layout while the control is a child of an ancestor of that
// layout's owner. The alarm frame's current switch must stay enabled when the frame is
// disabled, yet read as the caption of the frame's second row: its stand-in takes the control's
// size hint in the frame's grid, and the control is kept over the stand-in's rectangle whenever
// the stand-in, or anything between it and the control's parent, moves or resizes. Fonts and
// screen densities change the hint, and the row follows.
class StandIn final : public QWidget
{
public:
    explicit StandIn(QWidget *control, QWidget *parent = nullptr)
        : QWidget(parent)
        , m_control(control)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setSizePolicy(control->sizePolicy());
        control->installEventFilter(this);
    }

    QSize sizeHint() const override { return m_control ? m_control->sizeHint() : QSize(); }
    QSize minimumSizeHint() const override
    {
        return m_control ? m_control->minimumSizeHint() : QSize();
    }

protected:
    bool event(QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::ParentChange:
            watchAncestors();
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
            follow();
            break;
        default:
            break;
        }
        return QWidget::event(event);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (watched == m_control) {
            if (type == QEvent::FontChange || type == QEvent::StyleChange)
                updateGeometry(); // the control's hint changed: the row makes room again
        } else if (type == QEvent::Move || type == QEvent::Resize) {
            follow();
        }
        return false;
    }

private:
    void watchAncestors()
    {
        for (const QPointer<QWidget> &ancestor : std::as_const(m_watched)) {
            if (ancestor)
                ancestor->removeEventFilter(this);
        }
        m_watched.clear();
        if (!m_control)
            return;
        for (QWidget *w = parentWidget(); w && w != m_control->parentWidget();
             w = w->parentWidget()) {
            w->installEventFilter(this);
            m_watched.append(w);
        }
        follow();
    }

    void follow()
    {
        QWidget *host = m_control ? m_control->parentWidget() : nullptr;
        if (!host || !host->isAncestorOf(this))
            return;
        m_control->setGeometry(QRect(mapTo(host, QPoint(0, 0)), size()));
        m_control->raise();
    }

    QPointer<QWidget> m_control;
    QList<QPointer<QWidget>> m_watched;
};

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
    // Both rows of buttons start at one edge, whichever option caption is wider.
    {
        const int optionWidth = qMax(Option1->sizeHint().width(), Option2->sizeHint().width());
        Option1->setMinimumWidth(optionWidth);
        Option2->setMinimumWidth(optionWidth);
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
        // A reading's text is as wide as its number: the frame stays put all the same.
        const QStringList readings = {QStringLiteral(" 8888.8mA"), QStringLiteral(" ERROR")};
        steadyWidth(Label7, readings);
        steadyWidth(Label25, readings);
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

    // Alarm settings. Check2 is a child of the central widget, not of the frame: disabling the
    // frame leaves the current alarm switch alone. A stand-in holds its place in the frame's
    // second row, so it reads as the caption of the current limit as Check1 does of the
    // resistance limit.
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
    Check2 = named(new QCheckBox(QStringLiteral("mA"), central), "Check2");
    Check2->setAccessibleDescription(QStringLiteral("Current alarm on"));
    {
        auto *g = new QGridLayout(Frame6);
        g->addWidget(Check1, 0, 0);
        g->addWidget(Text1, 0, 1);
        g->addWidget(Shape2, 0, 2);
        g->addWidget(named(new StandIn(Check2), "Check2Place"), 1, 0);
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
    // The link texts take turns here; the widest keeps the readouts beside them in place.
    steadyWidth(Label2,
                {QStringLiteral("connection success"),
                 QStringLiteral("connection fail"),
                 QStringLiteral("Tester unlink")});
    steadyWidth(Label1,
                {QStringLiteral("COM16 open success"),
                 QStringLiteral("COM16 be occupied"),
                 QStringLiteral("COM16 open fail"),
                 QStringLiteral("COM16 null")});
    {
        auto *g = new QGridLayout(Frame7);
        g->addWidget(Shape1, 0, 0, 2, 1);
        g->addWidget(Label2, 0, 1);
        g->addWidget(Label1, 1, 1);
    }

    Label6 = makeLabel("Label6", QStringLiteral("status message"));
    // Hidden until the link has something to say that the user can act on; it sits above the
    // controls and never covers them.
    Notice = makeLabel("Notice", QString());
    Notice->setTextFormat(Qt::PlainText);
    Notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Notice->setStyleSheet(QStringLiteral(
            "QLabel { background: rgb(255, 248, 200); color: black; padding: 4px; }"));
    Notice->setVisible(false);
    // Any status text: the line is as wide as the window and never widens it.
    Label6->setMinimumWidth(200);
    Label6->setSizePolicy(QSizePolicy::Ignored, Label6->sizePolicy().verticalPolicy());

    // The data listing.
    RichTextBox1 = named(new QPlainTextEdit, "RichTextBox1");
    RichTextBox1->setAccessibleName(QStringLiteral("Data listing"));
    RichTextBox1->setLineWrapMode(QPlainTextEdit::NoWrap);
    RichTextBox1->setReadOnly(true);
    RichTextBox1->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    RichTextBox1->setPlainText(
            QStringLiteral("                              Quillo Barent Software Test Data\r\n"));
    transferProgress = named(new QProgressBar, "transferProgress");
    transferProgress->setAccessibleName(QStringLiteral("Stored records received"));
    transferProgress->setFormat(QStringLiteral("%v of %m bytes"));
    transferProgress->setVisible(false);
    {
        // The status line keeps the bar's room while no block arrives: a transfer starting
        // or ending moves nothing.
        QSizePolicy policy = transferProgress->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        transferProgress->setSizePolicy(policy);
    }
    RichTextBox1->setFont(ListingFont::choose());
    // Room for the widest listing line (77 columns) with a little to spare, and twenty lines, at
    // the listing's font.
    const int listingWidth
            = RichTextBox1->fontMetrics().horizontalAdvance(QString(80, QLatin1Char('0')))
              + 2 * (RichTextBox1->frameWidth() + int(RichTextBox1->document()->documentMargin()))
              + RichTextBox1->verticalScrollBar()->sizeHint().width();
    RichTextBox1->setMinimumSize(listingWidth, 20 * RichTextBox1->fontMetrics().lineSpacing());

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
    steadyWidth(Label8,
                {QStringLiteral("\u00D710R"),
                 QStringLiteral("\u00D71R"),
                 QStringLiteral("\u00D70.1R"),
                 QStringLiteral("\u00D70.01R")});
    steadyWidth(Label19,
                {QStringLiteral("\u00D710mA"),
                 QStringLiteral("\u00D71mA"),
                 QStringLiteral("\u00D70.1mA"),
                 QStringLiteral("\u00D70.01mA")});
    steadyWidth(Label18, {QStringLiteral("X: 888 Y: 888")});

    Picture2 = makeLabel("Picture2", QString());
    Picture2->setPixmap(makeLogo());
    Picture2->setFixedSize(191, 127);
    Picture2->setAccessibleName(QStringLiteral("Quillo Barent logo"));

    // Layout. On the left the controls of both modes: logo, link state and readouts; the two
    // mode rows; alarms and statistics; the listing (read-old-data mode only). On the right the
    // trend chart, shown on request in realtime mode. The status line runs along the bottom.
    // The window takes the size of what is shown, and the left column keeps one width whatever
    // is shown, so switching modes or the chart moves none of the controls they share.
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
    left->addStrut(listingWidth);

    auto *chart = new QGridLayout;
    chart->setSpacing(0);
    chart->addWidget(Slider1, 0, 0, Qt::AlignHCenter);
    chart->addWidget(Label8, 1, 0, Qt::AlignHCenter | Qt::AlignTop);
    chart->addWidget(Picture1, 0, 1);
    chart->addWidget(Picture3, 0, 2);
    chart->addWidget(Slider3, 0, 3, Qt::AlignHCenter);
    chart->addWidget(Label19, 1, 3, Qt::AlignHCenter | Qt::AlignTop);
    chart->addWidget(Picture4, 1, 1, 1, 2, Qt::AlignLeft | Qt::AlignTop);
    chart->addWidget(Slider2, 2, 1);
    {
        // Each time caption centred under its tick: the five ticks split the groove in four.
        auto *captions = new QGridLayout;
        captions->setContentsMargins(0, 0, 0, 0);
        captions->setHorizontalSpacing(0);
        QLabel *labels[] = {Label10, Label14, Label15, Label16, Label17};
        for (int i = 0; i < 5; ++i) {
            // Caption i at i quarters of the width; the end ones flush with the ends.
            const bool end = i == 0 || i == 4;
            const Qt::Alignment align = i == 0   ? Qt::AlignLeft
                                        : i == 4 ? Qt::AlignRight
                                                 : Qt::AlignHCenter;
            captions->addWidget(labels[i], 0, qMax(0, 2 * i - 1), 1, end ? 1 : 2, align);
        }
        for (int column = 0; column < 8; ++column)
            captions->setColumnStretch(column, 1);
        chart->addLayout(captions, 3, 1);
    }
    chart->addWidget(Label18, 4, 1);
    chart->addWidget(Shape3, 4, 2);
    chart->setRowStretch(5, 1);

    auto *body = new QHBoxLayout;
    body->addLayout(left);
    body->addLayout(chart);

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
    mnuhistory = makeAction(mnufile, "mnuhistory", QStringLiteral("History"), {});
    mnuexit = makeAction(
            mnufile, "mnuexit", QStringLiteral("Exit(&X)"), QKeySequence(Qt::CTRL | Qt::Key_E));
    mnurun = window->menuBar()->addMenu(QStringLiteral("Run(&R)"));
    mnurun->setObjectName(QStringLiteral("mnurun"));
    mnurun1 = makeAction(mnurun, "mnurun1", QStringLiteral("Start"), QKeySequence(Qt::Key_F3));
    mnupause = makeAction(mnurun, "mnupause", QStringLiteral("Pause"), QKeySequence(Qt::Key_F4));
    mnustop = makeAction(mnurun, "mnustop", QStringLiteral("Stop"), QKeySequence(Qt::Key_F5));
    mnuchangemode
            = makeAction(mnurun, "mnuchangemode", QStringLiteral("Mode"), QKeySequence(Qt::Key_F6));
    mnuview = window->menuBar()->addMenu(QStringLiteral("&View"));
    mnuview->setObjectName(QStringLiteral("mnuview"));
    mnutrendchart = makeAction(mnuview, "mnutrendchart", QStringLiteral("Trend Chart"), {});
    mnutrendchart->setCheckable(true);
    mnutrendchart->setChecked(false);
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

QList<QWidget *> Form1Ui::trendChartControls() const
{
    return {Picture1,
            Picture3,
            Picture4,
            Slider1,
            Slider2,
            Slider3,
            Label8,
            Label19,
            Label10,
            Label14,
            Label15,
            Label16,
            Label17,
            Label18};
}

void Form1Ui::settle(QMainWindow *window)
{
    // The central layout first: its size hint is what the window's fixed size follows; then the
    // window's layout, which resizes the window and so places every control at once.
    if (QWidget *central = window->centralWidget(); central && central->layout())
        central->layout()->activate();
    window->layout()->activate();
}
