#pragma once

#include "charts/trendbuffer.h"
#include "platform/dialogs.h"
#include "platform/serialport.h"

#include <QByteArray>
#include <QColor>
#include <QMainWindow>
#include <QPrinter>

#include <memory>

class DrawingSurface;
class ShapeIndicator;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;

// What the window needs of the outside world. The program passes the real ones; tests pass fakes.
struct Form1Platform
{
    std::unique_ptr<SerialPort> port;     // MSComm1
    std::unique_ptr<CommonDialog> dialog; // CommonDialog1
    std::unique_ptr<MessageBoxes> messages;
};

// The main window. Every handler of the program is an operation of it; the handlers live in the
// folder of their subsystem (link/, realtime/, records/, charts/, app/), each file about one thing.
class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    // Builds the window with the platform given; missing pieces are replaced by the real ones.
    explicit Form1(Form1Platform platform = {}, QWidget *parent = nullptr);
    ~Form1() override;

    // ---- Window state: plain fields shared by all handlers, in declaration order. ----
    quint8 singleValue = 0;      // second value absent (255 seen); never cleared
    QByteArray replyBuffer;      // bytes taken at the last receive notification
    qint16 silentTicks = 0;      // supervision ticks without any received byte
    qint16 scanPort = 0;         // next port discovery tries, 1..16
    bool connected = false;      // the instrument answered the handshake on the open port
    qint16 lastCommand = 0;      // last command byte written
    qint16 recordCount = 0;      // records announced by the count reply (at most 25755)
    qint16 runState = 0;         // 1 running, 0 halted
    Trend::Ring trendSamples{};  // chart samples, chart units
    Trend::Ring value1Samples{}; // value 1 of each stored realtime sample
    Trend::Ring value2Samples{}; // value 2 of each stored realtime sample
    float resistanceLimit = 0;   // ohms
    float currentLimit = 0;      // milliamperes
    qint16 sampleIndex = 0;      // write position of the three rings
    qint16 measureKind = 0;      // kind of the last decoded reply or record
    bool traceEnabled = false;
    qint16 operatingMode = 0; // 1 realtime sampling, 2 read old data
    qint16 dragY = 0;         // horizontal cursor being dragged: 0 none, 1 Y2, 2 Y1
    qint16 dragX = 0;         // vertical cursor being dragged: 0 none, 1 X1, 2 X2
    double cursorX1 = 0;
    double cursorX2 = 0;
    double cursorY2 = 0;
    qint16 cursorY1 = 0;

    // ---- Controls, named as the window has always named them. ----
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
    QLabel *Label2 = nullptr;                 // link state
    QLabel *Label1 = nullptr;                 // last port opening
    QLabel *Label6 = nullptr;                 // status line
    QPlainTextEdit *RichTextBox1 = nullptr;   // data listing
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
    QAction *mnuexit = nullptr;
    QMenu *mnurun = nullptr;
    QAction *mnurun1 = nullptr;
    QAction *mnupause = nullptr;
    QAction *mnustop = nullptr;
    QAction *mnuchangemode = nullptr;
    QMenu *mnuhelp = nullptr;
    QAction *mnuaboutus = nullptr;

    QTimer *findcom = nullptr;
    QTimer *COMtimout = nullptr;
    QTimer *comunication = nullptr;
    QTimer *Timer3 = nullptr;
    QTimer *Timer4 = nullptr;
    QTimer *Timer5 = nullptr;
    QTimer *Timer6 = nullptr;
    QTimer *Timer7 = nullptr;
    QTimer *Timer8 = nullptr;
    QTimer *Timer9 = nullptr;

    SerialPort &MSComm1() { return *m_port; }
    CommonDialog &CommonDialog1() { return *m_dialog; }
    MessageBoxes &messageBoxes() { return *m_messages; }
    QPrinter &printer() { return m_printer; }

    // ---- Start-up, shutdown, modes (app/) ----
    void Form_Load();
    void Form_Unload();
    void Option1_Click();
    void Option2_Click();
    void mnuexit_Click();
    void mnuaboutus_Click();

    // ---- Link (link/) ----
    void comopen(qint16 port);
    void findcom_Timer();
    void COMtimout_Timer();
    void SendCommand(qint16 command);
    void RequestReading();
    void StartStoredRead();
    void comunication_Timer();
    void Timer4_Timer();
    void Timer3_Timer();
    void MSComm1_OnComm();
    void MSComm1_BytesArrived(qint64 bytesWaiting);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command9_Click();
    void Command4_Click();

    // ---- Realtime (realtime/) ----
    void DecodeRealtimeReply();
    void CheckResistanceAlarm(float reading);
    void CheckCurrentAlarm(float reading, int rangeCode, const QString &message);
    void Timer6_Timer();
    void Timer7_Timer();
    void Timer8_Timer();
    void Timer9_Timer();

    // ---- Stored records, data file, printing, picture (records/) ----
    void DecodeStoredRecords();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void mnusave_Click();
    void mnuprint_Click();
    void mnuprintsetting_Click();
    void SaveChartPicture();
    void PrintWindow(); // what Print does in realtime mode
    // Writes a saved file (listing or picture) and, when that fails, beeps and says why.
    bool WriteSavedFile(const QString &path, const QByteArray &data);

    // ---- Charts (charts/) ----
    void ResetTrendChart();
    void DrawTrendChart(float x1, float x2, float y2, float y1);
    void AppendTrendSample(float value1, float value2, float chartValue);
    void Picture1_MouseMove(int button, int shift, double x, double y);
    void ResetCursorChartX();
    void DrawCursorChartX(float x1, float x2);
    void Picture4_MouseDown(int button, int shift, double x, double y);
    void Picture4_MouseUp(int button, int shift, double x, double y);
    void Picture4_MouseMove(int button, int shift, double x, double y);
    void Text5_KeyDown(int keyCode, int shift);
    void Text6_KeyDown(int keyCode, int shift);
    void ResetCursorChartY();
    void DrawCursorChartY(float y2, float y1);
    void Picture3_MouseDown(int button, int shift, double x, double y);
    void Picture3_MouseUp(int button, int shift, double x, double y);
    void Picture3_MouseMove(int button, int shift, double x, double y);
    void Text7_KeyDown(int keyCode, int shift);
    void Text8_KeyDown(int keyCode, int shift);

    static const QColor kLinkUpColor;
    static const QColor kLinkDownColor;

    // Key code of a key event as the handlers take it: 13 for Enter/Return.
    static int keyCodeOf(int qtKey);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void buildTimers();
    void connectHandlers();
    void setListingFont();

    std::unique_ptr<SerialPort> m_port;
    std::unique_ptr<CommonDialog> m_dialog;
    std::unique_ptr<MessageBoxes> m_messages;
    QPrinter m_printer;
    bool m_unloaded = false;
};
