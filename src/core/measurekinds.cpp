#include "core/measurekinds.h"

#include "core/alarms.h"

namespace Record {

namespace {

using Realtime::KindEnables;
constexpr std::nullopt_t kKeep = std::nullopt;

// Voltage has no alarm of its own: its value goes through the current check, whose rejected
// limit then says "ERROR".
// clang-format off
const KindRow kRows[] = {
    // kind, word, value 1, value 2;
    // enables: slider 1, slider 3, resistance alarm, current alarm, their statistics timers;
    // alarm checks of value 1 and value 2, and the text of a rejected current limit
    {ResistanceAndCurrent, "resistance+current", Holds::Resistance, Holds::Current,
     KindEnables{true, true, true, true, kKeep, kKeep},
     AlarmCheck::Resistance, AlarmCheck::Current, Alarms::kInputError},
    {Resistance, "resistance", Holds::Resistance, Holds::Pair,
     KindEnables{true, false, true, false, true, false},
     AlarmCheck::Resistance, AlarmCheck::None, ""},
    {Current, "current", Holds::Current, Holds::Pair,
     KindEnables{false, true, false, true, kKeep, kKeep},
     AlarmCheck::Current, AlarmCheck::None, Alarms::kInputError},
    {Voltage, "voltage", Holds::Voltage, Holds::Pair,
     KindEnables{false, true, false, true, kKeep, kKeep},
     AlarmCheck::Current, AlarmCheck::None, "ERROR"},
};
// clang-format on

} // namespace

const KindRow *kindRow(int kind)
{
    for (const KindRow &row : kRows) {
        if (row.kind == kind)
            return &row;
    }
    return nullptr;
}

QString unitOf(Holds holds, int code)
{
    switch (holds) {
    case Holds::Resistance:
        return QStringLiteral("\u03A9");
    case Holds::Current:
        return currentInAmperes(code) ? QStringLiteral("A") : QStringLiteral("mA");
    case Holds::Voltage:
        return QStringLiteral("V");
    case Holds::Nothing:
    case Holds::Pair:
        break;
    }
    return {};
}

QLatin1StringView listingUnitOf(Holds holds, int code)
{
    switch (holds) {
    case Holds::Resistance:
        return QLatin1StringView(" Ohm");
    case Holds::Current:
        return currentInAmperes(code) ? QLatin1StringView(" A") : QLatin1StringView(" mA");
    case Holds::Voltage:
        return QLatin1StringView(" V");
    case Holds::Nothing:
    case Holds::Pair:
        break;
    }
    return {};
}

} // namespace Record
