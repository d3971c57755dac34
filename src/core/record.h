#pragma once

#include <QtGlobal>

#include <cstdint>
#include <optional>

// One measurement as the instrument sends it, alone in a realtime reply or one of many in a
// stored-record block. Seven bytes:
//
//   byte 0     kind: 1 resistance and current, 2 resistance, 3 current, 4 voltage
//   bytes 1-2  value 1 in counts: byte 1 x 100 + byte 2
//   byte 3     range code of value 1
//   bytes 4-5  value 2 in counts: byte 4 x 100 + byte 5
//   byte 6     kind 1: range code of value 2 (a current); kinds 2 to 4: a two-digit number shown
//              after value 2 ("05:30"); 255: the instrument has no second value
//
// The range codes say how counts become a quantity: the tables below are the one place that
// knows them. The realtime readouts and the stored-record listing write different texts from
// the same ranges.
namespace Record {

inline constexpr int kBytes = 7;
inline constexpr int kNoSecondValue = 255;

enum Kind : int {
    ResistanceAndCurrent = 1,
    Resistance = 2,
    Current = 3,
    Voltage = 4,
};

struct Fields
{
    int kind = 0;
    std::uint32_t value1 = 0;
    int range1 = 0;
    std::uint32_t value2 = 0;
    int last = 0; // byte 6
};

// The fields of the seven bytes at `bytes` (the caller guarantees seven are there).
inline Fields read(const std::uint8_t *bytes)
{
    return {bytes[0], bytes[1] * 100u + bytes[2], bytes[3], bytes[4] * 100u + bytes[5], bytes[6]};
}

// How a range code turns counts into the quantity.
struct Range
{
    int decimals = 0;   // the quantity is counts / 10^decimals
    bool fixed = false; // written with exactly `decimals` decimals, not plainly
    // Counts at or below this are under range: below what the instrument resolves.
    std::optional<std::uint32_t> underRangeMax;
    // Counts from this up are over range.
    std::optional<std::uint32_t> overRangeFrom;
};

// Resistance ranges, codes 1 to 4, in ohms; nullopt for any other code (an error reading).
std::optional<Range> resistanceRange(int code);
// Current ranges, codes 1 to 6: 1 and 2 in amperes, 3 to 6 in milliamperes.
std::optional<Range> currentRange(int code);
// Codes 1 and 2 carry amperes.
inline bool currentInAmperes(int code)
{
    return code == 1 || code == 2;
}
// A voltage is counts / 10, written with one decimal.
inline constexpr Range kVoltage{1, true, std::nullopt, std::nullopt};

// 10^decimals as the single-precision divisor the texts are computed with.
float divisor(int decimals);

} // namespace Record
