// Fuzz entry for the listing builder: any bytes, any announced count, either header.
#include "core/listing.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    // First two bytes: the announced count (signed, as the window holds it); third: the flag.
    const int count = int(std::int16_t(std::uint16_t(data[0] << 8 | data[1])));
    const quint8 singleValue = data[2] & 1;
    const std::uint8_t *block = data + 3;
    const std::ptrdiff_t blockSize = std::ptrdiff_t(size - 3);

    const Listing::Result result = Listing::build(block, blockSize, count, singleValue);

    // What must hold for every input: records decoded only from whole bytes given, the flag
    // never cleared.
    const std::ptrdiff_t whole = count > 0 ? qMin<std::ptrdiff_t>(count, blockSize / 7) : 0;
    const qsizetype lines = result.text.count(QStringLiteral("\r\n")) + 1;
    if (lines != 3 + whole)
        __builtin_trap();
    if (singleValue && !result.singleValue)
        __builtin_trap();
    return 0;
}
