#include "core/trendbuffer.h"

#include <algorithm>

namespace Trend {

int WindowSegments(int sliderPosition)
{
    switch (sliderPosition) {
    case 0:
        return 16;
    case 1:
        return 83;
    case 2:
        return 166;
    case 3:
        return 250;
    case 4:
        return 500;
    default:
        return 0;
    }
}

} // namespace Trend

Trend::AppendResult TrendBuffer::append(int segments, float value1, float value2, float chartValue)
{
    Trend::AppendResult result;
    if (m_sampleIndex >= segments + 1 || m_sampleIndex < 0) {
        m_sampleIndex = 0;
    } else {
        m_value1Samples[std::size_t(m_sampleIndex)] = value1;
        m_value2Samples[std::size_t(m_sampleIndex)] = value2;
        result.storedValues = true;
        result.valueIndex = m_sampleIndex;
        ++m_sampleIndex;
    }
    if (m_sampleIndex < Trend::kRingSize) {
        m_trendSamples[std::size_t(m_sampleIndex)] = chartValue;
        result.chartIndex = m_sampleIndex;
    }
    return result;
}

void TrendBuffer::clearTrace()
{
    m_sampleIndex = 0;
    std::fill(m_trendSamples.begin(), m_trendSamples.begin() + 500, 0.0f);
}
