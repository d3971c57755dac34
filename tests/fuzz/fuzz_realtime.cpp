// Fuzz entry: any byte string as a realtime reply. The first seven bytes are the reply (a
// shorter input is a short buffer); an eighth byte, when present, picks the window flags, and
// what follows is used as the second readout's text and as alarm limit text.
#include "realtime/alarms.h"
#include "realtime/realtimedecoder.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // An exact-size copy, so that any read past the end of a short reply is caught.
    const QByteArray all(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArray reply = all.left(Realtime::kReplySize);

    Realtime::DecodeFlags flags;
    QString tail;
    if (all.size() > Realtime::kReplySize) {
        const int selector = quint8(all.at(Realtime::kReplySize));
        flags.singleValue = quint8(selector & 1);
        flags.slider1 = (selector >> 1) % 7;
        flags.slider3 = (selector >> 4) % 7;
        tail = QString::fromUtf8(all.mid(Realtime::kReplySize + 1));
        flags.label25 = tail;
    }

    const Realtime::DecodeResult r = Realtime::decodeReply(reply, flags);
    if (r.complete != (reply.size() == Realtime::kReplySize))
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
