// Window side of the trend chart and its cursor strips: the state lives in the window, the
// drawing in TrendChart and CursorStrip, the pictures in the surfaces' retained images.
#include "app/form1.h"
#include "charts/cursorstrips.h"
#include "charts/drawingsurface.h"
#include "charts/trendchart.h"
#include "realtime/numbertext.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSlider>

namespace {

constexpr int kEnterKey = 13;
constexpr int kLeftButton = 1;

CursorStrip::TextStyle surfaceTextStyle(const DrawingSurface *surface)
{
    return {surface->font(), surface->palette().color(QPalette::WindowText)};
}

double limitToChart(double v)
{
    if (v > 1000)
        return 1000;
    if (v < 0)
        return 0;
    return v;
}

// The value typed into a cursor box when Enter is pressed, or nothing when it is off the chart
// (then the status line says so and the cursor stays where it is).
bool readCursorEntry(const QLineEdit *box, QLabel *status, double &value)
{
    const double v = NumberText::readLeadingNumber(box->text());
    if (!(v >= 0 && v <= 1000)) {
        status->setText(QStringLiteral("input error"));
        return false;
    }
    value = v;
    return true;
}

qint16 roundedCursor(double v)
{
    return qint16(Charts::roundHalfEven(v));
}

} // namespace

// ---- Trend chart ----

void Form1::ResetTrendChart()
{
    Picture1->setBackColor(TrendChart::backgroundColor());
    Picture1->setScale(TrendChart::kScale);
    cursorX1 = 0;
    cursorX2 = 500;
    cursorY2 = 500;
    cursorY1 = 0;
    DrawTrendChart(float(cursorX1), float(cursorX2), float(cursorY2), float(cursorY1));
}

void Form1::DrawTrendChart(float x1, float x2, float y2, float y1)
{
    TrendChart::State state;
    state.x1 = x1;
    state.x2 = x2;
    state.y2 = y2;
    state.y1 = y1;
    state.traceEnabled = traceEnabled;
    state.segments = Trend::WindowSegments(Slider2->value());
    state.samples = trendSamples;
    TrendChart::draw(Picture1->image(), Picture1->scale(), state);
    Picture1->imageChanged();
}

void Form1::Picture1_MouseMove(int, int, double x, double y)
{
    if (x >= 1000 || x <= 0 || y >= 1000 || y <= 0)
        return;
    const QString xText = QString::number(qint64(Charts::roundHalfEven(x)));
    const QString yText = QString::number(qint64(Charts::roundHalfEven(y)));
    Label18->setText(QStringLiteral("X: ") + xText + QStringLiteral(" ") + QStringLiteral("Y: ")
                     + yText);
}

// ---- Cursor strip X ----

void Form1::ResetCursorChartX()
{
    Picture4->setBackColor(CursorStrip::backgroundColor());
    Picture4->setScale(CursorStrip::kScaleX);
    DrawCursorChartX(float(cursorX1), float(cursorX2));
}

void Form1::DrawCursorChartX(float x1, float x2)
{
    bool drawn = false;
    {
        QPainter painter(&Picture4->image());
        drawn = CursorStrip::drawX(
                painter, Picture4->mapping(), x1, x2, surfaceTextStyle(Picture4));
    }
    if (drawn)
        Picture4->imageChanged();
}

void Form1::Picture4_MouseDown(int button, int, double x, double)
{
    if (button != kLeftButton)
        return;
    if (cursorX1 - 10 <= x && x <= cursorX1 + 10)
        dragX = 1;
    else if (cursorX2 - 10 <= x && x <= cursorX2 + 10)
        dragX = 2;
    else
        dragX = 0;
}

void Form1::Picture4_MouseUp(int button, int, double, double)
{
    if (button == kLeftButton)
        dragX = 0;
}

void Form1::Picture4_MouseMove(int, int, double x, double)
{
    if (dragX == 0)
        return;
    const double v = limitToChart(x);
    if (dragX == 1)
        cursorX1 = v;
    else if (dragX == 2)
        cursorX2 = v;
    DrawCursorChartX(float(cursorX1), float(cursorX2));
    DrawTrendChart(float(cursorX1), float(cursorX2), float(cursorY2), float(cursorY1));
}

void Form1::Text5_KeyDown(int keyCode, int)
{
    double v = 0;
    if (keyCode != kEnterKey || !readCursorEntry(Text5, Label6, v))
        return;
    cursorX1 = v;
    DrawCursorChartX(float(cursorX1), float(cursorX2));
    DrawTrendChart(float(cursorX1), float(cursorX2), float(cursorY2), float(cursorY1));
}

void Form1::Text6_KeyDown(int keyCode, int)
{
    double v = 0;
    if (keyCode != kEnterKey || !readCursorEntry(Text6, Label6, v))
        return;
    cursorX2 = v;
    DrawCursorChartX(float(cursorX1), float(cursorX2));
    DrawTrendChart(float(cursorX1), float(cursorX2), float(cursorY2), float(cursorY1));
}

// ---- Cursor strip Y ----

void Form1::ResetCursorChartY()
{
    Picture3->setBackColor(CursorStrip::backgroundColor());
    Picture3->setScale(CursorStrip::kScaleY);
    DrawCursorChartY(float(cursorY2), float(cursorY1));
}

void Form1::DrawCursorChartY(float y2, float y1)
{
    bool drawn = false;
    {
        QPainter painter(&Picture3->image());
        drawn = CursorStrip::drawY(
                painter, Picture3->mapping(), y2, y1, surfaceTextStyle(Picture3));
    }
    if (drawn)
        Picture3->imageChanged();
}

void Form1::Picture3_MouseDown(int button, int, double, double y)
{
    if (button != kLeftButton)
        return;
    if (cursorY2 - 10 <= y && y <= cursorY2 + 10)
        dragY = 1;
    else if (cursorY1 - 10 <= y && y <= cursorY1 + 10)
        dragY = 2;
    else
        dragY = 0;
}

void Form1::Picture3_MouseUp(int button, int, double, double)
{
    if (button == kLeftButton)
        dragY = 0;
}

void Form1::Picture3_MouseMove(int, int, double, double y)
{
    if (dragY == 0)
        return;
    const double v = limitToChart(y);
    if (dragY == 1)
        cursorY2 = v;
    else if (dragY == 2)
        cursorY1 = roundedCursor(v);
    DrawCursorChartY(float(cursorY2), float(cursorY1));
    DrawTrendChart(float(cursorX1), float(cursorX2), float(cursorY2), float(cursorY1));
}

void Form1::Text7_KeyDown(int keyCode, int)
{
    double v = 0;
    if (keyCode != kEnterKey || !readCursorEntry(Text7, Label6, v))
        return;
    cursorY1 = roundedCursor(v);
    DrawCursorChartY(float(cursorY2), float(cursorY1));
    DrawTrendChart(float(cursorX1), float(cursorX2), float(cursorY2), float(cursorY1));
}

void Form1::Text8_KeyDown(int keyCode, int)
{
    double v = 0;
    if (keyCode != kEnterKey || !readCursorEntry(Text8, Label6, v))
        return;
    cursorY2 = v;
    DrawCursorChartY(float(cursorY2), float(cursorY1));
    DrawTrendChart(float(cursorX1), float(cursorX2), float(cursorY2), float(cursorY1));
}
