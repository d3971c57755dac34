#pragma once

#include "app/form1_ui.h"
#include "archive/archivelocation.h"
#include "core/alarms.h"
#include "core/archiveentry.h"
#include "core/cursorstate.h"
#include "core/readingstats.h"
#include "core/readout.h"
#include "core/statistics.h"
#include "core/trendbuffer.h"
#include "desktop/dialogs.h"
#include "link/linksession.h"
#include "platform/serialport.h"

#include <QByteArray>
#include <QMainWindow>
#include <QPrinter>

#include <memory>
#include <optional>

class ArchiveReader;
class ArchiveWriter;
class HistoryDialog;

// What the window needs of the outside world. The program passes the real ones; tests pass fakes.
struct Form1Platform
{
    std::unique_ptr<SerialPort> port;     // MSComm1
    std::unique_ptr<CommonDialog> dialog; // CommonDialog1
    std::unique_ptr<MessageBoxes> messages;
    std::optional<ArchiveLocation> archive; // where downloads are kept; unset: the settings say
};

// What one decoded reading or block leaves for the next one, as read from outside the window.
struct MeasureState
{
    quint8 singleValue = 0; // second value absent (255 seen); never cleared
};

// The main window: a view over the link session and plain state objects. Its handlers keep the
// names the window has always used (control_Event); each is short, and where the logic lives in
// the link or the core it forwards. Handler bodies are grouped by subject in form1_*.cpp.
class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    // Builds the window with the platform given; missing pieces are replaced by the real ones.
    explicit Form1(Form1Platform platform = {}, QWidget *parent = nullptr);
    ~Form1() override;

    // ---- What the window is made of and keeps ----
    const Form1Ui &ui() const { return m_ui; }
    LinkSession &link() const { return *m_link; }
    const TrendBuffer &trend() const { return m_trend; }
    const CursorState &cursors() const { return m_cursors; }
    MeasureState measure() const { return {m_decoder.singleValue()}; }
    const Alarms::Limits &limits() const { return m_limits; }
    // The readings shown since the last reset, which the statistics boxes show.
    const ReadingStats &readingStats() const { return m_readingStats; }
    // What the last reset tick's pass over the sample rings computed (nullopt: nothing). No
    // control shows it since the boxes show the readings themselves; the pass stays the reset
    // tick's work, and its result stays readable here for whoever wants the ring's view.
    const std::optional<Statistics::Summary> &ringStatistics(ReadingStats::Quantity q) const
    {
        return m_ringStatistics[q];
    }
    bool traceEnabled() const { return m_traceEnabled; }
    Protocol::OperatingMode operatingMode() const;
    SerialPort &MSComm1();
    CommonDialog &CommonDialog1() { return *m_dialog; }
    MessageBoxes &messageBoxes() { return *m_messages; }
    QPrinter &printer() { return m_printer; }
    ArchiveWriter &archive() { return *m_archive; }

    // ---- Start-up, shutdown, modes (form1_modes.cpp) ----
    void Form_Load();
    void Form_Unload();
    void Option1_Click();
    void Option2_Click();
    void mnutrendchart_Click(); // "Trend Chart" in "View": the chart in realtime mode, or not
    void mnuexit_Click();
    void mnuaboutus_Click();

    // ---- Link (form1_link.cpp): forwarders to the session, and the run controls ----
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
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command9_Click();
    void Command4_Click();

    // ---- Realtime (form1_realtime.cpp) ----
    void DecodeRealtimeReply(const QByteArray &reply);
    void CheckResistanceAlarm(float reading);
    void CheckCurrentAlarm(float reading, int rangeCode, const QString &message);
    void Timer6_Timer();
    void Timer7_Timer();
    void Timer8_Timer();
    void Timer9_Timer();
    // Stop and start-up: the statistics boxes start over, empty.
    void ResetReadingStats();

    // ---- Stored records, data file, printing, picture (form1_records.cpp) ----
    void DecodeStoredRecords(const QByteArray &block, qint16 recordCount);
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void mnusave_Click();
    void mnuprint_Click();
    void mnuprintsetting_Click();
    void SaveChartPicture();
    // What Print does in realtime mode; false when the printer could not be opened.
    bool PrintWindow();
    // Writes a saved file (listing or picture) and, when that fails, beeps and says why.
    bool WriteSavedFile(const QString &path, const QByteArray &data);

    // ---- The archive of downloads (form1_archive.cpp) ----
    // A block that came in whole goes into the archive; singleValue: the flag its listing was
    // built with.
    void ArchiveDownload(const QByteArray &block, qint16 recordCount, quint8 singleValue);
    void mnuhistory_Click();
    // An archived entry's listing in the list, in read-old-data mode, where Save, Print and
    // Report act on it.
    void ShowArchivedListing(const Archive::Entry &entry);
    // ---- Reports (form1_report.cpp) ----
    // "Report...": the report of the download whose listing is on screen.
    void mnureport_Click();
    // "Report..." in History: the report of the archive's entry, as History read it.
    void ReportArchiveEntry(const Archive::Entry &entry);

    // ---- Charts (form1_charts.cpp) ----
    void ResetTrendChart();
    void DrawTrendChart(); // from the cursors, the trace switch and the samples
    void AppendTrendSample(float value1, float value2, float chartValue);
    void Picture1_MouseMove(int button, int shift, double x, double y);
    void ResetCursorChartX();
    void DrawCursorChartX();
    void Picture4_MouseDown(int button, int shift, double x, double y);
    void Picture4_MouseUp(int button, int shift, double x, double y);
    void Picture4_MouseMove(int button, int shift, double x, double y);
    void Text5_KeyDown(int keyCode, int shift);
    void Text6_KeyDown(int keyCode, int shift);
    void ResetCursorChartY();
    void DrawCursorChartY();
    void Picture3_MouseDown(int button, int shift, double x, double y);
    void Picture3_MouseUp(int button, int shift, double x, double y);
    void Picture3_MouseMove(int button, int shift, double x, double y);
    void Text7_KeyDown(int keyCode, int shift);
    void Text8_KeyDown(int keyCode, int shift);

    // Key code of a key event as the handlers take it: 13 for Enter/Return.
    static int keyCodeOf(int qtKey);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectHandlers();
    void connectLink();
    // A cursor box's Enter: the cursor moves and both pictures are redrawn, or the status line
    // says "input error".
    void enterCursor(CursorState::Entry which, const QString &text);
    void redrawAfterCursorX();
    void redrawAfterCursorY();
    void connectArchive(const ArchiveLocation &location);
    void showArchiveError(const QString &why);
    // The archive finished the oldest entry handed over: its ID, or nullopt when it failed.
    void noteArchived(std::optional<qint64> id);
    // Asks where, then writes the entry's report against the window's limit.
    void SaveReport(const Archive::Entry &entry);
    // The reader of the on-screen download's entry for its report, made when first asked for.
    ArchiveReader &reportReader();
    void showReportError(const QString &why);
    void showSaveError(const QString &path, const QString &why);
    void showPrintError(const QString &why);
    void showReadingStats();
    // The readouts show what the decoder holds.
    void showReadouts();
    // "■" and the stored-data mode: the readouts say STOP.
    void showStopped();
    // Shows or hides the trend chart's controls, then fits the window to what is shown.
    void showTrendChart(bool shown);

    Form1Ui m_ui;
    std::unique_ptr<CommonDialog> m_dialog;
    std::unique_ptr<MessageBoxes> m_messages;
    LinkSession *m_link = nullptr;           // a child: its timers are found among the window's
    ArchiveWriter *m_archive = nullptr;      // a child
    HistoryDialog *m_history = nullptr;      // a child, made when first asked for
    ArchiveReader *m_reportReader = nullptr; // a child
    quint64 m_reportTicket = 0;              // the entry being read for "Report..."; 0: none
    // The download whose listing is on screen, for its report; its ID comes once the archive
    // has kept it: writes finish in the order handed over, and m_shownArchiving counts which
    // of them is this one's (0: none pending).
    std::optional<Archive::Entry> m_shownDownload;
    int m_archiveHanded = 0;
    int m_archiveFinished = 0;
    int m_shownArchiving = 0;
    QPrinter m_printer;
    Realtime::Decoder m_decoder;
    Alarms::Limits m_limits;
    TrendBuffer m_trend;
    CursorState m_cursors;
    ReadingStats m_readingStats;
    std::optional<Statistics::Summary> m_ringStatistics[2];
    // What an alarm's indicator and limit box show, kept here so that no handler reads it back
    // from the widgets: the indicator's fill state (filled, 1, as the indicators start) and
    // whether the box carries the mark of a rejected limit.
    struct AlarmShown
    {
        int fillState = 1;
        bool limitMarked = false;
    };
    AlarmShown m_alarmShown[2]; // by ReadingStats::Quantity
    bool m_traceEnabled = false;
    bool m_unloaded = false;
};
