#pragma once

#include "core/record.h"

#include <QString>

#include <cstdint>

// A measured value as a number with its unit, worked out from a record's fields and the range
// tables of record.h: what the exports write beside the texts the window shows.
namespace Quantity {

enum class State {
    Number,     // a value in range
    OverRange,  // above what the range measures ("0L")
    UnderRange, // below what the instrument resolves ("L0.01")
    Error,      // a range code outside its table ("ERROR")
    None,       // no quantity here: the pair of kinds 2 to 4, a kind outside 1 to 4
};

struct Value
{
    State state = State::None;
    std::uint32_t counts = 0; // the value is counts / 10^decimals
    int decimals = 0;
    bool fixed = false; // the texts show exactly `decimals` decimals
    QString unit;       // "Ω", "A", "mA" or "V" for a number, empty otherwise

    bool isNumber() const { return state == State::Number; }
    // Shortest decimal text of the value ("12.3", "0.005", "1499"); empty when no number.
    QString plainText() const;
    // The number as the window's texts write it: with the range's fixed decimals ("22.0").
    QString shownText() const;
    // How many decimals shownText() writes.
    int shownDecimals() const;

    friend bool operator==(const Value &, const Value &) = default;
};

struct Pair
{
    Value first;  // value 1: the main readout, the listing's first column
    Value second; // value 2 where it is a quantity: the current of kind 1
};

// Where a record is shown. The realtime readout writes the current of a kind-1 reading in range
// 1 with one decimal more than the stored-record listing does; the number always agrees with
// the text it stands beside.
enum class Shown { Realtime, Listing };

Pair of(const Record::Fields &fields, Shown where);

// The measurement kind as a word: "resistance+current", "resistance", "current", "voltage";
// "unknown" for any other kind.
QString kindWord(int kind);

} // namespace Quantity
