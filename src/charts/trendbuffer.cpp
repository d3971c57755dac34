#include "charts/trendbuffer.h"

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

AppendResult appendSample(qint16 &sampleIndex,
                          Ring &value1Samples,
                          Ring &value2Samples,
                          Ring &trendSamples,
                          int segments,
                          float value1,
                          float value2,
                          float chartValue)
{
    AppendResult result;
    if (sampleIndex >= segments + 1 || sampleIndex < 0) {
        sampleIndex = 0;
    } else {
        value1Samples[sampleIndex] = value1;
        value2Samples[sampleIndex] = value2;
        result.storedValues = true;
        result.valueIndex = sampleIndex;
        ++sampleIndex;
    }
    if (sampleIndex < kRingSize) {
        trendSamples[sampleIndex] = chartValue;
        result.chartIndex = sampleIndex;
    }
    return result;
}

} // namespace Trend
