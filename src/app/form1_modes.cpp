// Start-up, shutdown, Exit, the about box, the two operating modes (realtime sampling and
// reading the stored ("old") data) and the trend chart shown on request in realtime mode.
#include "app/form1.h"

#include "app/drawingsurface.h"
#include "core/protocol.h"
#include "link/linksession.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>

namespace {
template<typename... W>
void setVisibleAll(bool visible, W *...widgets)
{
    (widgets->setVisible(visible), ...);
}

template<typename... W>
void setEnabledAll(bool enabled, W *...widgets)
{
    (widgets->setEnabled(enabled), ...);
}
} // namespace

void Form1::Form_Load()
{
    ResetTrendChart();
    ResetCursorChartY();
    ResetCursorChartX();
    ResetReadingStats();
    m_link->beginSearch();
    m_ui.Option1->setChecked(true);
    Option1_Click();
    m_ui.Check1->setEnabled(true);
    m_ui.Check2->setEnabled(true);
    Command1_Click(); // its request is not sent: no port is open yet
}

void Form1::Form_Unload()
{
    // The instrument ends its session on this byte. SendCommand hands it to the driver and does
    // not wait for it to leave; closing the port gives it the moment it needs on the line, and
    // only a line that does not drain loses it.
    m_link->send(Protocol::EndOfLink);
}

void Form1::mnuexit_Click()
{
    close(); // the same close path as the close box: the end-of-link byte goes out
}

void Form1::mnuaboutus_Click()
{
    messageBoxes().show(MessageBoxes::Information,
                        QStringLiteral("Thanking for choicing our product!"),
                        QStringLiteral(" Quillo Barent: the desktop companion of the clamp-on "
                                       "earth-resistance tester.\r"
                                       " Live readings with alarms, stored records, listing, "
                                       "printing and trend chart.\r"));
}

void Form1::Option1_Click()
{
    const Form1Ui &ui = m_ui;
    for (QWidget *control : ui.trendChartControls())
        control->setVisible(false);
    setVisibleAll(true, ui.Text7, ui.Text8);
    ui.Frame5->setEnabled(false);
    ui.Frame6->setEnabled(true);
    ui.Frame8->setEnabled(false);
    ui.RichTextBox1->setVisible(false);
    setEnabledAll(true, ui.Command1, ui.Command2, ui.Command3, ui.Command9);
    setEnabledAll(false, ui.Command4, ui.Command5, ui.Command6, ui.Command7, ui.Command8);
    setEnabledAll(true, ui.mnurun1, ui.mnupause, ui.mnustop);
    m_link->setOperatingMode(Protocol::RealtimeSampling);
    ui.Option1->setChecked(true);
    ui.Option2->setChecked(false);
    // Sampling resumes only on "→" or "》".
    // The chart asked for in "View" comes back with the mode; fitting the window follows.
    showTrendChart(ui.mnutrendchart->isChecked());
}

void Form1::Option2_Click()
{
    const Form1Ui &ui = m_ui;
    ui.RichTextBox1->setVisible(true);
    for (QWidget *control : ui.trendChartControls())
        control->setVisible(false);
    setVisibleAll(false, ui.Text7, ui.Text8);
    setEnabledAll(false, ui.Frame5, ui.Frame6, ui.Frame8);
    showStopped();
    setEnabledAll(false, ui.Command1, ui.Command2, ui.Command3, ui.Command9);
    setEnabledAll(true, ui.Command4, ui.Command5, ui.Command6, ui.Command7, ui.Command8);
    setEnabledAll(false, ui.mnurun1, ui.mnupause, ui.mnustop);
    m_link->setOperatingMode(Protocol::StoredData); // sampling halts with it
    ui.Option2->setChecked(true);
    ui.Option1->setChecked(false);
    ui.Timer6->stop();
    ui.Timer8->stop();
    Form1Ui::settle(this);
}

void Form1::mnutrendchart_Click()
{
    // In read-old-data mode the choice waits for the return to realtime sampling.
    if (m_link->operatingMode() == Protocol::RealtimeSampling)
        showTrendChart(m_ui.mnutrendchart->isChecked());
}

void Form1::showTrendChart(bool shown)
{
    for (QWidget *control : m_ui.trendChartControls())
        control->setVisible(shown);
    Form1Ui::settle(this);
}
