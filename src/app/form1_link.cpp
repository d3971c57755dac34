// The window side of the link: what the session reports goes onto the controls, and the link
// handlers forward to the session.
#include "app/form1.h"

#include "app/shapeindicator.h"
#include "core/protocol.h"
#include "link/linksession.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

void Form1::connectLink()
{
    LinkSession *link = m_link;
    connect(link,
            &LinkSession::portTried,
            this,
            [this](qint16, SerialPort::OpenResult, const QString &text) {
                m_ui.Label1->setText(text);
            });
    connect(link, &LinkSession::linkUp, this, [this] {
        m_ui.Label2->setText(LinkLamp::upText());
        m_ui.Shape1->setFillColor(LinkLamp::kUp);
        m_ui.Notice->setVisible(false); // whatever it said has been put right
    });
    connect(link, &LinkSession::notice, this, [this](const QString &text) {
        m_ui.Notice->setText(text);
        m_ui.Notice->setAccessibleName(text);
        m_ui.Notice->setVisible(true);
    });
    connect(link, &LinkSession::searchEnded, this, [this] {
        m_ui.Command1->setEnabled(true);
        m_ui.Command2->setEnabled(true);
    });
    connect(link, &LinkSession::linkLost, this, [this] {
        m_ui.Label2->setText(LinkLamp::downText());
        m_ui.Shape1->setFillColor(LinkLamp::kDown);
    });
    connect(link, &LinkSession::status, m_ui.Label6, &QLabel::setText);
    connect(link, &LinkSession::readingReceived, this, &Form1::DecodeRealtimeReply);
    connect(link, &LinkSession::blockReceived, this, &Form1::DecodeStoredRecords);
    connect(link, &LinkSession::transferStarted, this, [this](qint32 totalBytes) {
        m_ui.transferProgress->setRange(0, int(totalBytes));
        m_ui.transferProgress->setValue(0);
        m_ui.transferProgress->setVisible(true);
    });
    connect(link, &LinkSession::transferEnded, this, [this] {
        m_ui.transferProgress->setVisible(false);
    });
    connect(link, &LinkSession::transferProgress, this, [this](qint64 received) {
        QProgressBar *bar = m_ui.transferProgress;
        if (!bar->isHidden())
            bar->setValue(int(qMin<qint64>(received, bar->maximum())));
    });
}

// ---- Forwarders: the logic is the session's ----

void Form1::comopen(qint16 port)
{
    m_link->openPort(port);
}

void Form1::findcom_Timer()
{
    m_link->searchTick();
}

void Form1::COMtimout_Timer()
{
    m_link->supervisionTick();
}

void Form1::SendCommand(qint16 command)
{
    m_link->send(command);
}

void Form1::RequestReading()
{
    m_link->requestReading();
}

void Form1::StartStoredRead()
{
    m_link->startStoredRead();
}

void Form1::comunication_Timer()
{
    m_link->pollTick();
}

void Form1::Timer4_Timer()
{
    m_link->readingTick();
}

void Form1::Timer3_Timer()
{
    m_link->blockRequestTick();
}

void Form1::MSComm1_OnComm()
{
    m_link->takeReply();
}

// ---- The run controls ----

void Form1::Command1_Click()
{
    m_traceEnabled = true;
    m_link->startSampling();
}

void Form1::Command2_Click()
{
    m_traceEnabled = true;
    m_link->haltSampling();
}

void Form1::Command3_Click()
{
    m_link->haltSampling();
    m_traceEnabled = false;
    ResetTrendChart();
    ResetCursorChartY();
    ResetCursorChartX();
    m_trend.clearTrace();
    ResetReadingStats();
    showStopped();
}

void Form1::Command9_Click()
{
    m_traceEnabled = true;
    m_link->switchInstrumentMode();
}

void Form1::Command4_Click()
{
    m_link->startStoredRead();
}
