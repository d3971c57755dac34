#include "core/cursorstate.h"

#include "core/numbertext.h"

#include <cmath>

namespace {

constexpr int kLeftButton = 1;
constexpr double kGrip = 10; // how near a cursor a press must be to take hold of it

double limitToChart(double v)
{
    if (v > Chart::kFull)
        return Chart::kFull;
    if (v < 0)
        return 0;
    return v;
}

bool near(double cursor, double at)
{
    return cursor - kGrip <= at && at <= cursor + kGrip;
}

qint16 rounded(double v)
{
    return qint16(Cursors::roundHalfEven(v));
}

} // namespace

namespace Cursors {

double roundHalfEven(double value)
{
    const double down = std::floor(value);
    const double diff = value - down;
    if (diff < 0.5)
        return down;
    if (diff > 0.5)
        return down + 1;
    return std::fmod(down, 2.0) == 0 ? down : down + 1;
}

std::optional<QString> pointerText(double x, double y)
{
    if (x >= Chart::kFull || x <= 0 || y >= Chart::kFull || y <= 0)
        return std::nullopt;
    return QStringLiteral("X: ") + QString::number(qint64(roundHalfEven(x))) + QStringLiteral(" ")
           + QStringLiteral("Y: ") + QString::number(qint64(roundHalfEven(y)));
}

} // namespace Cursors

void CursorState::pressX(int button, double x)
{
    if (button != kLeftButton)
        return;
    if (near(cursorX1, x))
        dragX = 1;
    else if (near(cursorX2, x))
        dragX = 2;
    else
        dragX = 0;
}

void CursorState::releaseX(int button)
{
    if (button == kLeftButton)
        dragX = 0;
}

bool CursorState::moveX(double x)
{
    if (dragX == 0)
        return false;
    const double v = limitToChart(x);
    if (dragX == 1)
        cursorX1 = v;
    else if (dragX == 2)
        cursorX2 = v;
    return true;
}

void CursorState::pressY(int button, double y)
{
    if (button != kLeftButton)
        return;
    if (near(cursorY2, y))
        dragY = 1;
    else if (near(cursorY1, y))
        dragY = 2;
    else
        dragY = 0;
}

void CursorState::releaseY(int button)
{
    if (button == kLeftButton)
        dragY = 0;
}

bool CursorState::moveY(double y)
{
    if (dragY == 0)
        return false;
    const double v = limitToChart(y);
    if (dragY == 1)
        cursorY2 = v;
    else if (dragY == 2)
        cursorY1 = rounded(v);
    return true;
}

bool CursorState::enter(Entry which, const QString &text)
{
    const double v = NumberText::readLeadingNumber(text);
    if (!Chart::onChart(v))
        return false;
    switch (which) {
    case Entry::X1:
        cursorX1 = v;
        break;
    case Entry::X2:
        cursorX2 = v;
        break;
    case Entry::Y1:
        cursorY1 = rounded(v);
        break;
    case Entry::Y2:
        cursorY2 = v;
        break;
    }
    return true;
}

void CursorState::resetPositions()
{
    cursorX1 = 0;
    cursorX2 = Chart::kCursorStart;
    cursorY2 = Chart::kCursorStart;
    cursorY1 = 0;
}
