// Fuzz entry: any byte string as a realtime reply. The first seven bytes are the reply (a
// shorter input is a short buffer); an eighth byte, when present, picks the window flags, and
// what follows is used as the second readout's text and as alarm limit text.
#include "core/alarms.h"
#include "core/readout.h"
#include "core/record.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // An exact-size copy, so that any read past the end of a short reply is caught.
    const QByteArray all(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArray reply = all.left(Record::kBytes);

    Realtime::ReadoutContext context;
    QString tail;
    if (all.size() > Record::kBytes) {
        const int selector = quint8(all.at(Record::kBytes));
        context.singleValue = quint8(selector & 1);
        context.resistanceScale = (selector >> 1) % 7;
        context.currentScale = (selector >> 4) % 7;
        tail = QString::fromUtf8(all.mid(Record::kBytes + 1));
        context.secondText = tail;
    }

    const Realtime::Readout r = Realtime::decodeReply(reply, context);
    if (r.complete != (reply.size() == Record::kBytes))
        std::abort();
    if (!r.complete)
        return 0;
    if (!(r.value1 >= 0 && r.value1 <= 25755 && r.value2 >= 0 && r.value2 <= 25755))
        std::abort();

    for (const Realtime::AlarmCall &call : r.alarms) {
        if (call.which == Realtime::AlarmCall::Resistance)
            (void)Alarms::resistanceCheck(true, tail, 0.0f, call.reading);
        else
            (void)Alarms::currentCheck(true, tail, 0.0f, call.reading, call.rangeCode);
    }
    return 0;
}
