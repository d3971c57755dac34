#pragma once

#include "journal.h"
#include "readiness.h"
#include "readingmonitor.h"
#include "tst_e2e_window.h"

#include <QRandomGenerator>

namespace Soak {

inline int randomIn(QRandomGenerator &rng, int low, int high)
{
    return low + int(rng.bounded(quint32(high - low + 1)));
}

// What each fault does to the instrument and its line, told to the monitors it concerns: when
// the instrument can no longer answer and when it can again, and until when noise may be read.
class Faults
{
public:
    Faults(Journal &journal,
           E2e::Rig &rig,
           QRandomGenerator &rng,
           InstrumentReadiness &instrument,
           ReadingMonitor &readings)
        : m_journal(journal)
        , m_rig(rig)
        , m_rng(rng)
        , m_instrument(instrument)
        , m_readings(readings)
    {}

    // The instrument at port number comPort (1..16), every other one missing.
    void placeAt(int comPort)
    {
        m_comPort = comPort;
        *m_rig.ports = QStringList(LinkProfile::kPortCount, E2e::kMissing);
        (*m_rig.ports)[comPort - 1] = m_rig.sim.slavePath();
    }

    // The line goes quiet at once, in the middle of a reply too: silence alone lets a reply on
    // its way finish, so what is still queued is cut after no more bytes.
    void pullCable()
    {
        if (m_rig.sim.bytesQueued() > 0)
            m_rig.sim.faults().cutAfterBytes = 0;
        m_rig.sim.setSilent(true);
        m_instrument.gone();
    }
    void plugCableIn()
    {
        m_rig.sim.faults().cutAfterBytes = -1;
        m_rig.sim.setSilent(false);
        m_instrument.back();
    }

    void pullAdapter()
    {
        m_rig.sim.vanish();
        m_instrument.gone();
    }
    // Back as a new device, at the same port number or, now and then, another one.
    void plugAdapterIn()
    {
        if (!m_rig.sim.open()) {
            m_journal.fail(QStringLiteral("no pseudo-terminal for the instrument"));
            m_journal.giveUp();
            return;
        }
        placeAt(m_rng.bounded(2) == 0 ? randomIn(m_rng, 1, LinkProfile::kPortCount) : m_comPort);
        m_journal.log(QStringLiteral("  plugged in again as COM%1").arg(m_comPort));
        m_instrument.back();
    }

    // Noise instead of every reply: the line is alive but no handshake can be understood.
    void garbageReplies(int ms)
    {
        m_rig.sim.faults().garbage = true;
        m_instrument.gone();
        pause(ms);
        m_rig.sim.faults().garbage = false;
        m_instrument.back();
    }

    void lineNoise()
    {
        const int bursts = randomIn(m_rng, 2, 8);
        for (int i = 0; i < bursts; ++i) {
            m_rig.sim.injectGarbage(randomIn(m_rng, 1, 20));
            // Noise that came after a request joins its reply: the readings taken until it is on
            // the line and a poll or two later are not the program's misreads.
            m_readings.allowNoiseUntil(m_journal.now()
                                       + m_rig.sim.bytesQueued() * InstrumentSim::kByteNs
                                       + 2000 * kMsNs);
            pause(randomIn(m_rng, 50, 700));
        }
    }

    void splitReplies(int ms)
    {
        m_rig.sim.faults().splitGapMs = randomIn(m_rng, 2, 15);
        pause(ms);
        m_rig.sim.faults().splitGapMs = 0;
    }

    void nineByteBursts(int ms)
    {
        m_rig.sim.faults().burst9 = true;
        pause(ms);
        m_rig.sim.faults().burst9 = false;
    }

private:
    Journal &m_journal;
    E2e::Rig &m_rig;
    QRandomGenerator &m_rng;
    InstrumentReadiness &m_instrument;
    ReadingMonitor &m_readings;
    int m_comPort = 1;
};

} // namespace Soak
