#pragma once

#include <QColor>
#include <QList>
#include <QString>

class DrawingSurface;
class ShapeIndicator;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QMainWindow;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;
class QWidget;

namespace LinkLamp {
extern const QColor kUp;   // the instrument answers
extern const QColor kDown; // no link
// What the link state beside the lamp says: before the instrument first answered, while it
// answers, and once it fell silent.
QString startText();
QString upText();
QString downText();
} // namespace LinkLamp

// The controls of the main window, named as the window has always named them; each is also a
// child object of that name, so tests and accessibility tools find it with findChild.
struct Form1Ui
{
    QGroupBox *Frame1 = nullptr;
    QRadioButton *Option1 = nullptr;
    QPushButton *Command1 = nullptr; // "→"
    QPushButton *Command3 = nullptr; // "■"
    QPushButton *Command2 = nullptr; // "‖"
    QPushButton *Command9 = nullptr; // "》"
    QGroupBox *Frame2 = nullptr;
    QRadioButton *Option2 = nullptr;
    QPushButton *Command4 = nullptr; // "Read"
    QPushButton *Command5 = nullptr; // "Save"
    QPushButton *Command6 = nullptr; // "Clear"
    QPushButton *Command7 = nullptr; // "Page Up"
    QPushButton *Command8 = nullptr; // "Page Down"
    QGroupBox *Frame3 = nullptr;     // "Realtime Display"
    QLabel *Label7 = nullptr;        // main readout
    QLabel *Label25 = nullptr;       // second readout
    QGroupBox *Frame5 = nullptr;     // "Measure(Ω)"
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLineEdit *Text2 = nullptr;
    QLineEdit *Text3 = nullptr;
    QLineEdit *Text4 = nullptr;
    QGroupBox *Frame8 = nullptr; // "Measure(mA)"
    QLabel *Label22 = nullptr;
    QLabel *Label23 = nullptr;
    QLabel *Label24 = nullptr;
    QLineEdit *Text13 = nullptr;
    QLineEdit *Text14 = nullptr;
    QLineEdit *Text15 = nullptr;
    QGroupBox *Frame6 = nullptr; // "Alarm Setting"
    QCheckBox *Check1 = nullptr; // "Ω"
    QLineEdit *Text1 = nullptr;  // resistance limit
    QLineEdit *Text9 = nullptr;  // current limit
    ShapeIndicator *Shape2 = nullptr;
    ShapeIndicator *Shape4 = nullptr;
    QCheckBox *Check2 = nullptr; // "mA"
    QGroupBox *Frame7 = nullptr; // "Communication State"
    ShapeIndicator *Shape1 = nullptr;
    QLabel *Label2 = nullptr;               // link state
    QLabel *Label1 = nullptr;               // last port opening
    QLabel *Label6 = nullptr;               // status line
    QLabel *Notice = nullptr;               // what the user can put right: no device, no permission
    QPlainTextEdit *RichTextBox1 = nullptr; // data listing
    QProgressBar *transferProgress = nullptr; // bytes of a stored-record block received
    DrawingSurface *Picture1 = nullptr;       // trend chart
    DrawingSurface *Picture3 = nullptr;       // cursor strip Y
    DrawingSurface *Picture4 = nullptr;       // cursor strip X
    QLabel *Label12 = nullptr;
    QLineEdit *Text5 = nullptr;
    QLabel *Label13 = nullptr;
    QLineEdit *Text6 = nullptr;
    QLabel *Label9 = nullptr;
    QLineEdit *Text7 = nullptr;
    QLabel *Label11 = nullptr;
    QLineEdit *Text8 = nullptr;
    QSlider *Slider1 = nullptr;
    QSlider *Slider3 = nullptr;
    QSlider *Slider2 = nullptr;
    QLabel *Label8 = nullptr;
    QLabel *Label19 = nullptr;
    QLabel *Label10 = nullptr;
    QLabel *Label14 = nullptr;
    QLabel *Label15 = nullptr;
    QLabel *Label16 = nullptr;
    QLabel *Label17 = nullptr;
    QLabel *Label18 = nullptr;
    QLabel *Picture2 = nullptr; // logo
    QWidget *Picture5 = nullptr;
    ShapeIndicator *Shape3 = nullptr;

    QMenu *mnufile = nullptr;
    QAction *mnusave = nullptr;
    QAction *mnuprint = nullptr;
    QAction *mnuprintsetting = nullptr;
    QAction *mnuhistory = nullptr; // the archive of downloads
    QAction *mnureport = nullptr;  // "Report...": the listing's inspection report as PDF
    QAction *mnuexit = nullptr;
    QMenu *mnurun = nullptr;
    QAction *mnurun1 = nullptr;
    QAction *mnupause = nullptr;
    QAction *mnustop = nullptr;
    QAction *mnuchangemode = nullptr;
    QMenu *mnuview = nullptr;
    QAction *mnutrendchart = nullptr; // "Trend Chart": checkable, off at start
    QMenu *mnuhelp = nullptr;
    QAction *mnuaboutus = nullptr;

    QTimer *Timer5 = nullptr;
    QTimer *Timer6 = nullptr;
    QTimer *Timer7 = nullptr;
    QTimer *Timer8 = nullptr;
    QTimer *Timer9 = nullptr;

    // Builds every control, menu and timer of the window into `window` and lays them out. The
    // window takes the size of what it shows: each set of shown controls has one layout, and
    // texts changing in it move nothing.
    void setupUi(QMainWindow *window);

    // The trend chart with its cursor strips, sliders and captions: what "Trend Chart" shows.
    QList<QWidget *> trendChartControls() const;

    // Brings the window's size and every control's place up to date with what is shown now,
    // rather than when the event loop next gets to it.
    static void settle(QMainWindow *window);

private:
    // Each frame's controls with the frame's own layout; the window's layout places the frames.
    void buildRunControls();
    void buildReadouts();
    void buildStatistics();
    void buildAlarms(QWidget *central);
    void buildLinkState();
    void buildStatusLine();
    void buildListing();
    void buildChart(); // form1_ui_chart.cpp
    void buildCursorBoxes();
    QLayout *chartLayout();
    void layOut(QMainWindow *window, QWidget *central);
    void buildMenus(QMainWindow *window);
    void buildTimers(QMainWindow *window);
};
