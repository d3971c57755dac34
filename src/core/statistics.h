#pragma once

#include "core/trendbuffer.h"

#include <optional>

// Largest, smallest and mean of the values a ring of the trend buffer holds over the chart's
// window: the pass each reset tick makes. The statistics boxes do not show it: they show the
// readings as the readouts showed them (ReadingStats).
namespace Statistics {

// Readings at or above these are not statistics material (over range or no reading).
inline constexpr float kResistanceBound = 1200;
inline constexpr float kCurrentBound = 40000;

struct Summary
{
    float maximum = 0;
    float minimum = 0;
    float mean = 0;
};

// Over entries 0 to segments of a ring. Nothing is computed (nullopt) when entry 0 is 0 or less
// or at least the bound: the ring holds no usable reading then.
std::optional<Summary> compute(const Trend::Ring &ring, int segments, float bound);

} // namespace Statistics
