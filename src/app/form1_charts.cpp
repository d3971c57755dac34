// Window side of the trend chart and its cursor strips: the cursors and samples live in plain
// state objects, the drawing in TrendChart and CursorStrip, the pictures in the surfaces'
// retained images.
#include "app/form1.h"

#include "app/drawingsurface.h"
#include "core/alarms.h"
#include "draw/cursorstrips.h"
#include "draw/trendchart.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSlider>

namespace {

constexpr int kEnterKey = 13;

CursorStrip::TextStyle surfaceTextStyle(const DrawingSurface *surface)
{
    return {surface->font(), surface->palette().color(QPalette::WindowText)};
}

} // namespace

// ---- Trend chart ----

void Form1::ResetTrendChart()
{
    m_ui.Picture1->setBackColor(TrendChart::backgroundColor());
    m_ui.Picture1->setScale(TrendChart::kScale);
    m_cursors.resetPositions();
    DrawTrendChart();
}

void Form1::DrawTrendChart()
{
    TrendChart::State state;
    state.x1 = float(m_cursors.cursorX1);
    state.x2 = float(m_cursors.cursorX2);
    state.y2 = float(m_cursors.cursorY2);
    state.y1 = float(m_cursors.cursorY1);
    state.traceEnabled = m_traceEnabled;
    state.segments = Trend::WindowSegments(m_ui.Slider2->value());
    state.samples = m_trend.trendSamples();
    TrendChart::draw(m_ui.Picture1->image(), m_ui.Picture1->scale(), state);
    m_ui.Picture1->imageChanged();
}

void Form1::AppendTrendSample(float value1, float value2, float chartValue)
{
    m_trend.append(Trend::WindowSegments(m_ui.Slider2->value()), value1, value2, chartValue);
    DrawTrendChart();
}

void Form1::Picture1_MouseMove(int, int, double x, double y)
{
    if (const std::optional<QString> text = Cursors::pointerText(x, y))
        m_ui.Label18->setText(*text);
}

void Form1::enterCursor(CursorState::Entry which, const QString &text)
{
    if (!m_cursors.enter(which, text)) {
        m_ui.Label6->setText(QString::fromLatin1(Alarms::kInputError));
        return;
    }
    if (which == CursorState::Entry::X1 || which == CursorState::Entry::X2)
        redrawAfterCursorX();
    else
        redrawAfterCursorY();
}

// ---- Cursor strip X ----

void Form1::ResetCursorChartX()
{
    m_ui.Picture4->setBackColor(CursorStrip::backgroundColor());
    m_ui.Picture4->setScale(CursorStrip::kScaleX);
    DrawCursorChartX();
}

void Form1::DrawCursorChartX()
{
    DrawingSurface *strip = m_ui.Picture4;
    bool drawn = false;
    {
        QPainter painter(&strip->image());
        drawn = CursorStrip::drawX(painter,
                                   strip->mapping(),
                                   float(m_cursors.cursorX1),
                                   float(m_cursors.cursorX2),
                                   surfaceTextStyle(strip));
    }
    if (drawn)
        strip->imageChanged();
}

void Form1::redrawAfterCursorX()
{
    DrawCursorChartX();
    DrawTrendChart();
}

void Form1::Picture4_MouseDown(int button, int, double x, double)
{
    m_cursors.pressX(button, x);
}

void Form1::Picture4_MouseUp(int button, int, double, double)
{
    m_cursors.releaseX(button);
}

void Form1::Picture4_MouseMove(int, int, double x, double)
{
    if (m_cursors.moveX(x))
        redrawAfterCursorX();
}

void Form1::Text5_KeyDown(int keyCode, int)
{
    if (keyCode == kEnterKey)
        enterCursor(CursorState::Entry::X1, m_ui.Text5->text());
}

void Form1::Text6_KeyDown(int keyCode, int)
{
    if (keyCode == kEnterKey)
        enterCursor(CursorState::Entry::X2, m_ui.Text6->text());
}

// ---- Cursor strip Y ----

void Form1::ResetCursorChartY()
{
    m_ui.Picture3->setBackColor(CursorStrip::backgroundColor());
    m_ui.Picture3->setScale(CursorStrip::kScaleY);
    DrawCursorChartY();
}

void Form1::DrawCursorChartY()
{
    DrawingSurface *strip = m_ui.Picture3;
    bool drawn = false;
    {
        QPainter painter(&strip->image());
        drawn = CursorStrip::drawY(painter,
                                   strip->mapping(),
                                   float(m_cursors.cursorY2),
                                   float(m_cursors.cursorY1),
                                   surfaceTextStyle(strip));
    }
    if (drawn)
        strip->imageChanged();
}

void Form1::redrawAfterCursorY()
{
    DrawCursorChartY();
    DrawTrendChart();
}

void Form1::Picture3_MouseDown(int button, int, double, double y)
{
    m_cursors.pressY(button, y);
}

void Form1::Picture3_MouseUp(int button, int, double, double)
{
    m_cursors.releaseY(button);
}

void Form1::Picture3_MouseMove(int, int, double, double y)
{
    if (m_cursors.moveY(y))
        redrawAfterCursorY();
}

void Form1::Text7_KeyDown(int keyCode, int)
{
    if (keyCode == kEnterKey)
        enterCursor(CursorState::Entry::Y1, m_ui.Text7->text());
}

void Form1::Text8_KeyDown(int keyCode, int)
{
    if (keyCode == kEnterKey)
        enterCursor(CursorState::Entry::Y2, m_ui.Text8->text());
}
