#pragma once

#include "link/linksession.h"

#include <QtGlobal>

#include <memory>

// A link session's clock that moves only when a test says so.
struct LinkClock
{
    std::shared_ptr<qint64> ms = std::make_shared<qint64>(0);

    void attach(LinkSession &link) const
    {
        link.setClock([clock = ms] { return *clock; });
    }

    // Time passes, as for a punctual timer: every look the session asks for, when it asks for it.
    void advance(LinkSession &link, qint64 by) const
    {
        const qint64 until = *ms + by;
        while (const std::optional<qint64> at = link.exchange().wakeAt()) {
            if (*at > until)
                break;
            *ms = qMax(*ms, *at);
            link.answerWatchTick();
        }
        *ms = until;
        link.answerWatchTick();
    }
};
