#pragma once

#include "core/record.h"

#include <QLatin1StringView>
#include <QString>

#include <optional>

namespace Realtime {

// Wanted state of a control or timer; nullopt leaves it as it is.
using Enable = std::optional<bool>;

// What a measurement kind switches on and off in the realtime window.
struct KindEnables
{
    Enable resistanceScale;      // magnification slider of value 1
    Enable currentScale;         // magnification slider of value 2
    Enable resistanceAlarm;      // the resistance alarm's tick box
    Enable currentAlarm;         // the current alarm's tick box
    Enable resistanceStatistics; // the timer that fills the resistance statistics
    Enable currentStatistics;    // the timer that fills the current statistics
};

} // namespace Realtime

// Everything that differs between the measurement kinds, one row each: what the two values hold
// (and so their units, ranges, readout texts, listing columns, export quantities and reading
// statistics), the kind's word, what it switches on in the window and which alarm checks it runs.
namespace Record {

// What one value of a record holds.
enum class Holds {
    Nothing,
    Resistance, // range code: byte 3 for value 1
    Current,    // range code: byte 3 for value 1, byte 6 for value 2
    Voltage,
    Pair, // value 2 of kinds 2 to 4: a two-digit number and byte 6 ("05:30")
};

// Which alarm check a value goes through.
enum class AlarmCheck { None, Resistance, Current };

struct KindRow
{
    Kind kind;
    const char *word; // in the exports: "resistance+current"
    Holds value1;
    Holds value2;
    Realtime::KindEnables enables;
    AlarmCheck alarm1; // value 1's check, run before value 2's
    AlarmCheck alarm2;
    const char *rejectedLimit; // the status line when the current check rejects its limit
};

// The row of a kind byte; nullptr for a kind outside 1 to 4.
const KindRow *kindRow(int kind);

// The unit the readouts and the exports write after a value's number: "Ω", "A", "mA", "V".
QString unitOf(Holds holds, int code);
// The unit the stored-record listing writes: " Ohm", " A", " mA", " V".
QLatin1StringView listingUnitOf(Holds holds, int code);

} // namespace Record
