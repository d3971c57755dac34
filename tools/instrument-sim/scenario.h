#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

// What the simulated tester measures and keeps in its memory. Everything is derived from a seed,
// so a run can be repeated byte for byte.
namespace Sim {

// One seven-byte measurement record: kind, value 1 as two base-100 bytes, range 1, value 2 as two
// base-100 bytes, range 2 (or the two-digit number of kinds 2 to 4; 255 = no second value).
// Values are clamped to what two base-100 bytes carry (0 to 25755).
QByteArray makeRecord(int kind, int value1, int range1, int value2, int range2);

// The count reply 05 05 hundreds units; `valid` false gives a reply with a wrong second marker.
QByteArray countReply(int count, bool valid = true);

// The handshake answer D5 55 55.
QByteArray handshakeReply();

// Stored records as the tester would hold them after a day in the field: all four kinds, mostly
// plausible readings, with an over-range, an under-range and a bad range code now and then.
// Never 255 in byte 6 (that would switch the window to single-value listings for good).
QByteArray storedRecords(int count, quint32 seed = 1);

// The live readings. By default a slowly varying reading that moves on to the next kind every
// `readingsPerKind` replies (1, 2, 3, 4, 1, ...), with over- and under-range and bad range codes
// now and then. A script replaces that with fixed replies, answered in turn.
class RealtimeScenario
{
public:
    explicit RealtimeScenario(quint32 seed = 1);

    int kind() const { return m_kind; }
    void setKind(int kind);
    // The instrument's mode key (command 55): the next kind.
    void switchKind();
    // 0 keeps the kind until 55 switches it.
    void setReadingsPerKind(int n) { m_readingsPerKind = n; }
    // Replies (7 bytes each, or longer) answered in order and then again from the first.
    void setScript(const QList<QByteArray> &replies);
    void clearScript() { m_script.clear(); }

    // The reply to the next reading request.
    QByteArray next();

private:
    QByteArray generated();

    quint32 m_seed;
    int m_kind = 1;
    int m_readingsPerKind = 12;
    int m_inKind = 0;
    qint64 m_step = 0;
    QList<QByteArray> m_script;
    qsizetype m_scriptPos = 0;
};

} // namespace Sim
