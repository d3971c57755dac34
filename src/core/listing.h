#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// The data listing: the numbered, column-aligned text of the records stored in the instrument.
// The columns are made of spaces and line up in a face whose ASCII characters share one width.
namespace Listing {

// The first line of the listing (30 spaces before the words).
QString title();
// Header written above the records: 77 characters with both value columns, 49 (one trailing
// space) when the second value is absent.
QString twoColumnHeader();
QString oneColumnHeader();
// Header that "Clear" appends when the second value is absent: the one-column header without
// its trailing space (48 characters).
QString clearOneColumnHeader();
// What the listing holds before any transfer: the title and a line break.
QString startText();

struct Result
{
    QString text;           // the whole listing, CR LF line breaks, no final break
    quint8 singleValue = 0; // the flag after the block (255 seen: 1, and it stays 1)
};

// Builds the listing of a stored-record block. `count` records are announced; only the whole
// records among the `size` bytes given are decoded (a short block yields fewer lines, and no
// byte past `size` is read). The header follows the flag as it stands before the block; a
// record with 255 in its last byte sets the flag before its own columns are written.
Result build(const std::uint8_t *bytes, std::ptrdiff_t size, int count, quint8 singleValue);

} // namespace Listing
