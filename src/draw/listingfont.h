#pragma once

#include <QFont>

// The font of the data listing. The columns are made of spaces, so they only line up in a face
// whose ASCII characters all have the same width; the pair texts also need the full-width colon.
namespace ListingFont {

// SimSun at 9 points where present, else a Song-style or monospaced CJK face whose ASCII is
// fixed-width, else the system's fixed font.
QFont choose();

// Whether a font gives every printable ASCII character the same advance.
bool hasFixedWidthAscii(const QFont &font);

} // namespace ListingFont
