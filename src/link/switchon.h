#pragma once

#include <QTimer>

// Switches a timer on without restarting it when it already runs: a restart would postpone its
// next tick, and a timer switched on by every reading (every 500 ms) would then never tick.
inline void switchOn(QTimer *timer)
{
    if (!timer->isActive())
        timer->start();
}
