#pragma once

#include <QString>

// Number texts shared by the realtime readouts and the stored-record listing.
namespace NumberText {

// Plain text of a single-precision number: rounded to 7 significant digits, "." as separator,
// no trailing zeros or trailing point, one "0" before the point below 1, never exponent form.
// 0.014f -> "0.014", 1499 -> "1499", 12.34f -> "12.34".
QString plain(float value);

// Fixed-point text with exactly `decimals` decimals and at least one digit before the point:
// fixed(22.0f, 1) -> "22.0", fixed(0.005f, 3) -> "0.005". Halves round away from zero.
QString fixed(float value, int decimals);

// Whole number with at least two digits: 5 -> "05", 1230 -> "1230".
QString twoDigits(float value);

// Reads the number at the start of a text the way the limit and cursor boxes do: blanks are
// skipped, then the longest beginning that forms a decimal number (optional sign, digits, one
// ".", optional exponent) is taken and the rest ignored. No number at the start reads as 0.
// "12abc" -> 12, "" -> 0, " -0.5" -> -0.5, "1e3x" -> 1000.
double readLeadingNumber(const QString &text);

} // namespace NumberText
