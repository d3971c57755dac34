#include "core/record.h"

namespace Record {

std::optional<Range> resistanceRange(int code)
{
    switch (code) {
    case 1:
        return Range{1, false, std::nullopt, std::nullopt};
    case 2:
        return Range{2, false, std::nullopt, std::nullopt};
    case 3:
        return Range{3, false, 13, std::nullopt};
    case 4:
        return Range{0, false, std::nullopt, 1500};
    default:
        return std::nullopt;
    }
}

std::optional<Range> currentRange(int code)
{
    switch (code) {
    case 1:
        return Range{1, false, std::nullopt, 406}; // more than 405 counts is over range
    case 2:
        return Range{2, false, std::nullopt, std::nullopt};
    case 3:
        return Range{0, false, std::nullopt, std::nullopt};
    case 4:
        return Range{1, false, std::nullopt, std::nullopt};
    case 5:
        return Range{2, true, std::nullopt, std::nullopt};
    case 6:
        return Range{3, true, std::nullopt, std::nullopt};
    default:
        return std::nullopt;
    }
}

float divisor(int decimals)
{
    static constexpr float kPowers[] = {1.0f, 10.0f, 100.0f, 1000.0f};
    return kPowers[qBound(0, decimals, 3)];
}

} // namespace Record
