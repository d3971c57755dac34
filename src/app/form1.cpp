#include "app/form1.h"

#include "app/drawingsurface.h"
#include "app/historydialog.h"
#include "archive/archivewriter.h"
#include "desktop/qtdialogs.h"
#include "link/linksession.h"
#include "platform/systemserialport.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

Form1::Form1(Form1Platform platform, QWidget *parent)
    : QMainWindow(parent)
    , m_dialog(std::move(platform.dialog))
    , m_messages(std::move(platform.messages))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quillo Barent"));
    if (!platform.port)
        platform.port = makeSystemSerialPort();
    if (!m_dialog)
        m_dialog = std::make_unique<QtCommonDialog>(this);
    if (!m_messages)
        m_messages = std::make_unique<QtMessageBoxes>(this);

    m_ui.setupUi(this);
    m_link = new LinkSession(std::move(platform.port), this);
    connectHandlers();
    connectLink();
    connectArchive(platform.archive.value_or(ArchiveLocation::configured()));
}

Form1::~Form1()
{
    // The archive's writer finishes the entries handed to it (its thread joined) before the
    // rest of the window goes; the history reads through the writer, so it goes first.
    delete m_history;
    delete m_archive;
}

SerialPort &Form1::MSComm1()
{
    return m_link->port();
}

Protocol::OperatingMode Form1::operatingMode() const
{
    return m_link->operatingMode();
}

void Form1::connectHandlers()
{
    const Form1Ui &ui = m_ui;
    connect(ui.Option1, &QRadioButton::clicked, this, &Form1::Option1_Click);
    connect(ui.Option2, &QRadioButton::clicked, this, &Form1::Option2_Click);
    connect(ui.Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(ui.Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(ui.Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(ui.Command9, &QPushButton::clicked, this, &Form1::Command9_Click);
    connect(ui.Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(ui.Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(ui.Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(ui.Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(ui.Command8, &QPushButton::clicked, this, &Form1::Command8_Click);

    // Each run menu item calls its button's handler and does nothing else.
    connect(ui.mnurun1, &QAction::triggered, this, &Form1::Command1_Click);
    connect(ui.mnupause, &QAction::triggered, this, &Form1::Command2_Click);
    connect(ui.mnustop, &QAction::triggered, this, &Form1::Command3_Click);
    connect(ui.mnuchangemode, &QAction::triggered, this, &Form1::Command9_Click);
    connect(ui.mnusave, &QAction::triggered, this, &Form1::mnusave_Click);
    connect(ui.mnuprint, &QAction::triggered, this, &Form1::mnuprint_Click);
    connect(ui.mnuprintsetting, &QAction::triggered, this, &Form1::mnuprintsetting_Click);
    connect(ui.mnuexit, &QAction::triggered, this, &Form1::mnuexit_Click);
    connect(ui.mnuaboutus, &QAction::triggered, this, &Form1::mnuaboutus_Click);
    connect(ui.mnutrendchart, &QAction::triggered, this, &Form1::mnutrendchart_Click);
    connect(ui.mnuhistory, &QAction::triggered, this, &Form1::mnuhistory_Click);
    connect(ui.mnureport, &QAction::triggered, this, &Form1::mnureport_Click);

    connect(ui.Timer6, &QTimer::timeout, this, &Form1::Timer6_Timer);
    connect(ui.Timer7, &QTimer::timeout, this, &Form1::Timer7_Timer);
    connect(ui.Timer8, &QTimer::timeout, this, &Form1::Timer8_Timer);
    connect(ui.Timer9, &QTimer::timeout, this, &Form1::Timer9_Timer);

    connect(ui.Picture1, &DrawingSurface::mouseMove, this, &Form1::Picture1_MouseMove);
    connect(ui.Picture4, &DrawingSurface::mouseDown, this, &Form1::Picture4_MouseDown);
    connect(ui.Picture4, &DrawingSurface::mouseUp, this, &Form1::Picture4_MouseUp);
    connect(ui.Picture4, &DrawingSurface::mouseMove, this, &Form1::Picture4_MouseMove);
    connect(ui.Picture3, &DrawingSurface::mouseDown, this, &Form1::Picture3_MouseDown);
    connect(ui.Picture3, &DrawingSurface::mouseUp, this, &Form1::Picture3_MouseUp);
    connect(ui.Picture3, &DrawingSurface::mouseMove, this, &Form1::Picture3_MouseMove);

    // The cursor boxes act on Enter; the window watches their keys.
    for (QLineEdit *box : {ui.Text5, ui.Text6, ui.Text7, ui.Text8})
        box->installEventFilter(this);
}

int Form1::keyCodeOf(int qtKey)
{
    if (qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter)
        return 13;
    return qtKey;
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const int code = keyCodeOf(key->key());
        const int shift = (key->modifiers() & Qt::ShiftModifier ? 1 : 0)
                          | (key->modifiers() & Qt::ControlModifier ? 2 : 0)
                          | (key->modifiers() & Qt::AltModifier ? 4 : 0);
        if (watched == m_ui.Text5)
            Text5_KeyDown(code, shift);
        else if (watched == m_ui.Text6)
            Text6_KeyDown(code, shift);
        else if (watched == m_ui.Text7)
            Text7_KeyDown(code, shift);
        else if (watched == m_ui.Text8)
            Text8_KeyDown(code, shift);
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (!m_unloaded) {
        m_unloaded = true;
        Form_Unload();
        // The window is gone for the user: nothing may follow the end-of-link byte, and the port
        // is released now rather than whenever the window object is destroyed.
        for (QTimer *timer : {m_ui.Timer5, m_ui.Timer6, m_ui.Timer7, m_ui.Timer8, m_ui.Timer9})
            timer->stop();
        m_link->release();
    }
    event->accept();
}
