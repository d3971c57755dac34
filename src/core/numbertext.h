#pragma once

#include <QString>

#include <cstdint>

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

// Fast writers for the texts of a whole number v divided by 10^decimals (decimals 0..3), used
// where many numbers are written at once (the stored-record listing). For v below 10^7 they give
// exactly the texts plain() and fixed() give for the single-precision quotient. Each writes at
// `out` and returns the position after the text; the caller provides the room (at most 11
// characters).
char16_t *writeWhole(char16_t *out, std::uint32_t n, int minDigits = 1);
char16_t *writePlainScaled(char16_t *out, std::uint32_t v, int decimals);
char16_t *writeFixedScaled(char16_t *out, std::uint32_t v, int decimals);

// Reads the number at the start of a text the way the limit and cursor boxes do: blanks are
// skipped, then the longest beginning that forms a decimal number (optional sign, digits, one
// ".", optional exponent) is taken and the rest ignored. No number at the start reads as 0.
// "12abc" -> 12, "" -> 0, " -0.5" -> -0.5, "1e3x" -> 1000.
double readLeadingNumber(const QString &text);

} // namespace NumberText
