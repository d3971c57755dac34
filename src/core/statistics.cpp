#include "core/statistics.h"

#include <algorithm>

namespace Statistics {

std::optional<Summary> compute(const Trend::Ring &ring, int segments, float bound)
{
    if (ring[0] <= 0.0f || ring[0] >= bound)
        return std::nullopt;
    const int last = std::clamp(segments, 0, Trend::kRingSize - 1);
    Summary s;
    s.maximum = 0.0f;
    s.minimum = 1000000.0f;
    float sum = 0.0f;
    for (int i = 0; i <= last; ++i) {
        const float entry = ring[std::size_t(i)];
        if (entry > s.maximum)
            s.maximum = entry;
        if (entry < s.minimum)
            s.minimum = entry;
        sum += entry;
    }
    s.mean = sum / float(last + 1);
    return s;
}

} // namespace Statistics
