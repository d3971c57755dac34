#pragma once

#include "core/trendbuffer.h"

#include <optional>

// Largest, smallest and mean of the values the trend buffer kept for the statistics boxes.
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
