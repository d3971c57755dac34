#include "instrument-sim/scenario.h"

#include <algorithm>
#include <cmath>

namespace Sim {

namespace {

// A small stateless mixer: the same (seed, n) always gives the same number.
quint32 mix(quint32 seed, quint64 n)
{
    quint64 x = (quint64(seed) << 32) ^ (n * 0x9E3779B97F4A7C15ull);
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdull;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ull;
    x ^= x >> 33;
    return quint32(x);
}

// A reading that drifts slowly around `centre`, with a little noise on top.
int drifting(quint32 seed, qint64 step, int centre, int swing)
{
    const double wave = std::sin(double(step) * 0.13) * swing;
    const int noise = int(mix(seed, quint64(step)) % 5) - 2;
    return std::max(0, centre + int(std::lround(wave)) + noise);
}

enum class Oddity { None, Over, Under, BadRange };

Oddity oddityAt(qint64 step)
{
    if (step % 29 == 28)
        return Oddity::BadRange;
    if (step % 17 == 16)
        return Oddity::Over;
    if (step % 23 == 22)
        return Oddity::Under;
    return Oddity::None;
}

// One record of the given kind at a point of the drift; shared by the live readings and the
// stored records so both look like the same instrument.
QByteArray recordAt(int kind, quint32 seed, qint64 step, Oddity oddity)
{
    // Kinds 2 to 4 carry a two-part number beside the value: minutes and seconds of a clock.
    const int minutes = int((step / 60) % 100);
    const int seconds = int(step % 60);
    switch (kind) {
    case 1: {
        int v1 = drifting(seed, step, 123, 30); // about 12.3 ohms (range 1: tenths)
        int r1 = 1;
        if (oddity == Oddity::Over) {
            v1 = 1600, r1 = 4;
        } else if (oddity == Oddity::Under) {
            v1 = 10, r1 = 3;
        } else if (oddity == Oddity::BadRange) {
            r1 = 9;
        }
        const int v2 = drifting(seed ^ 0x5bd1e995u, step, 45, 10); // about 4.5 mA (range 4)
        return makeRecord(1, v1, r1, v2, 4);
    }
    case 2: {
        int v1 = drifting(seed, step, 1440, 200); // about 14.4 ohms (range 2: hundredths)
        int r1 = 2;
        if (oddity == Oddity::Over) {
            v1 = 1500, r1 = 4;
        } else if (oddity == Oddity::Under) {
            v1 = 13, r1 = 3;
        } else if (oddity == Oddity::BadRange) {
            r1 = 7;
        }
        return makeRecord(2, v1, r1, minutes, seconds);
    }
    case 3: {
        int v1 = drifting(seed, step, 320, 40); // about 32.0 mA (range 4: tenths)
        int r1 = 4;
        if (oddity == Oddity::Over) {
            v1 = 450, r1 = 1;
        } else if (oddity == Oddity::Under) {
            v1 = 3, r1 = 6; // 0.003 mA: the smallest the clamp shows
        } else if (oddity == Oddity::BadRange) {
            r1 = 8;
        }
        return makeRecord(3, v1, r1, minutes, seconds);
    }
    default: {
        const int v1 = drifting(seed, step, 2205, 30); // about 220.5 V
        return makeRecord(4, v1, 3, minutes, seconds);
    }
    }
}

} // namespace

QByteArray makeRecord(int kind, int value1, int range1, int value2, int range2)
{
    const auto clampValue = [](int v) { return std::clamp(v, 0, 255 * 100 + 255); };
    value1 = clampValue(value1);
    value2 = clampValue(value2);
    QByteArray record(7, '\0');
    record[0] = char(quint8(kind));
    record[1] = char(quint8(std::min(value1 / 100, 255)));
    record[2] = char(quint8(value1 - std::min(value1 / 100, 255) * 100));
    record[3] = char(quint8(range1));
    record[4] = char(quint8(std::min(value2 / 100, 255)));
    record[5] = char(quint8(value2 - std::min(value2 / 100, 255) * 100));
    record[6] = char(quint8(range2));
    return record;
}

QByteArray countReply(int count, bool valid)
{
    count = std::clamp(count, 0, 9999);
    QByteArray reply(4, '\0');
    reply[0] = 0x05;
    reply[1] = valid ? 0x05 : 0x04;
    reply[2] = char(quint8(count / 100));
    reply[3] = char(quint8(count % 100));
    return reply;
}

QByteArray handshakeReply()
{
    return QByteArray("\xD5\x55\x55", 3);
}

QByteArray storedRecords(int count, quint32 seed)
{
    QByteArray block;
    count = std::clamp(count, 0, 9999);
    block.reserve(qsizetype(count) * 7);
    for (int i = 0; i < count; ++i) {
        // Measurements come in small runs of one kind, as a user walks from pole to pole.
        const int kind = 1 + int((i / 5 + mix(seed, quint64(i / 5)) % 4) % 4);
        const Oddity oddity = i % 37 == 36   ? Oddity::Over
                              : i % 41 == 40 ? Oddity::Under
                              : i % 53 == 52 ? Oddity::BadRange
                                             : Oddity::None;
        block += recordAt(kind, seed + 7, i * 3, oddity);
    }
    return block;
}

RealtimeScenario::RealtimeScenario(quint32 seed)
    : m_seed(seed)
{}

void RealtimeScenario::setKind(int kind)
{
    m_kind = std::clamp(kind, 1, 4);
    m_inKind = 0;
}

void RealtimeScenario::switchKind()
{
    setKind(m_kind % 4 + 1);
}

void RealtimeScenario::setScript(const QList<QByteArray> &replies)
{
    m_script = replies;
    m_scriptPos = 0;
}

QByteArray RealtimeScenario::next()
{
    if (!m_script.isEmpty()) {
        const QByteArray reply = m_script.at(m_scriptPos % m_script.size());
        m_scriptPos = (m_scriptPos + 1) % m_script.size();
        return reply;
    }
    return generated();
}

QByteArray RealtimeScenario::generated()
{
    const QByteArray reply = recordAt(m_kind, m_seed, m_step, oddityAt(m_step));
    ++m_step;
    if (m_readingsPerKind > 0 && ++m_inKind >= m_readingsPerKind) {
        m_kind = m_kind % 4 + 1;
        m_inKind = 0;
    }
    return reply;
}

} // namespace Sim
