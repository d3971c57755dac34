#pragma once

#include "core/chartunits.h"

#include <QString>
#include <QtGlobal>

#include <optional>

// The four cursors of the trend chart and which one a drag holds, with what a press, a move, a
// release and Enter in a cursor box do to them. Positions are in chart units, 0..1000.
struct CursorState
{
    enum class Entry { X1, X2, Y1, Y2 };

    double cursorX1 = 0;
    double cursorX2 = Chart::kCursorStart;
    double cursorY2 = Chart::kCursorStart;
    qint16 cursorY1 = 0; // whole units: Y1 is the trace's baseline
    qint16 dragX = 0;    // vertical cursor being dragged: 0 none, 1 X1, 2 X2
    qint16 dragY = 0;    // horizontal cursor being dragged: 0 none, 1 Y2, 2 Y1

    // Left button (1) on the X strip at x: takes hold of X1 or X2 when within 10 units of it,
    // X1 first; elsewhere lets go. Other buttons change nothing.
    void pressX(int button, double x);
    void releaseX(int button);
    // Moves the cursor held, limited to 0..1000; false when none is held (nothing to redraw).
    bool moveX(double x);
    // The same on the Y strip, Y2 first; Y1 is rounded to a whole unit.
    void pressY(int button, double y);
    void releaseY(int button);
    bool moveY(double y);

    // Enter in a cursor box: the number at the start of the text, when it lies within 0..1000,
    // becomes that cursor (Y1 rounded). False, and nothing changes, for anything else.
    bool enter(Entry which, const QString &text);

    // Back to X1 0, X2 and Y2 in the middle, Y1 0.
    void resetPositions();
};

namespace Cursors {

// Round to the nearest integer, halves to the even neighbour (250.5 -> 250, 251.5 -> 252), the
// way cursor values are shown and Y1 is stored.
double roundHalfEven(double value);

// The pointer position caption "X: 12 Y: 345" for a point strictly inside the chart; nullopt on
// or outside its edges (the caption then keeps its text).
std::optional<QString> pointerText(double x, double y);

} // namespace Cursors
