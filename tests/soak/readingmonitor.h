#pragma once

#include "journal.h"
#include "tst_e2e_window.h"

#include "core/listing.h"
#include "core/readout.h"
#include "core/record.h"

namespace Soak {

// Readings: every reading the window shows is one the instrument sent, shown as the core's
// decoder reads it. The soak keeps a decoder of its own, fed what the window's is fed (the
// readings, the blocks, the stop of the read-old-data mode): what one reading carries over to
// the next is the decoder's, never read back from the window.
class ReadingMonitor
{
public:
    ReadingMonitor(Journal &journal, E2e::Rig &rig)
        : m_journal(journal)
        , m_rig(rig)
    {}

    // Line noise a fault injected may join the replies taken until then.
    void allowNoiseUntil(qint64 ns) { m_noiseUntilNs = ns; }
    // The read-old-data mode was chosen: the readouts say STOP.
    void stop() { m_decoder.stop(); }
    // The flag a block's listing starts from.
    quint8 singleValue() const { return m_decoder.singleValue(); }

    // After the window has shown the reply.
    void onReading(const QByteArray &reply)
    {
        const OwnTime own(m_journal);
        const Realtime::Readout r = m_decoder.decode(reply);
        if (!r.complete)
            return;
        ++m_readings;
        const bool wasSent = m_rig.sim.sentReading(reply.left(Record::kBytes));
        const QString shownMain = m_rig.form->ui().Label7->text();
        const QString shownSecond = m_rig.form->ui().Label25->text();
        const QString bytes = QString::fromLatin1(reply.toHex(' '));
        const QString shown = QStringLiteral("\"%1\" \"%2\"").arg(shownMain, shownSecond);
        if (!wasSent && m_journal.now() < m_noiseUntilNs) {
            m_journal.log(QStringLiteral("  reading %1 taken with line noise, shown as %2")
                                  .arg(bytes, shown));
            return;
        }
        if (wasSent && shownMain == r.mainText && shownSecond == r.secondText)
            return;
        ++m_wrongReadings;
        if (wasSent)
            m_journal.fail(QStringLiteral("reading %1 shown as %2, not \"%3\" \"%4\"")
                                   .arg(bytes, shown, r.mainText, r.secondText));
        else
            m_journal.fail(QStringLiteral("a reading the instrument never sent: %1 shown as %2")
                                   .arg(bytes, shown));
    }

    // After the window has listed a block: a record without a second value sets the flag.
    void onBlock(const QByteArray &block, qint16 count)
    {
        const OwnTime own(m_journal);
        const auto *bytes = reinterpret_cast<const std::uint8_t *>(block.constData());
        if (Listing::build(bytes, block.size(), count, m_decoder.singleValue()).singleValue)
            m_decoder.markSecondValueAbsent();
    }

    int readings() const { return m_readings; }
    int wrongReadings() const { return m_wrongReadings; }

private:
    Journal &m_journal;
    E2e::Rig &m_rig;
    Realtime::Decoder m_decoder;
    qint64 m_noiseUntilNs = -1;
    int m_readings = 0;
    int m_wrongReadings = 0;
};

} // namespace Soak
