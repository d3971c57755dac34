#pragma once

#include <QtGlobal>

#include <array>

// The trend buffer shared by the realtime decoder, the alarm statistics and the trend chart:
// three rings of 501 samples and one write position.
namespace Trend {

constexpr int kRingSize = 501; // index 0 to 500

using Ring = std::array<float, kRingSize>;

// Number of trace segments for a position of the time-window slider (0..4 -> 16, 83, 166, 250,
// 500); any other position gives 0, no trace.
int WindowSegments(int sliderPosition);

// What one appended reading did to the buffer.
struct AppendResult
{
    bool storedValues = false; // value1/value2 went into the statistics rings
    int valueIndex = -1;       // where they went
    int chartIndex = -1;       // where the chart value went; -1 when it was dropped
};

// Stores one reading: value1 and value2 at sampleIndex, which then advances, and the chart value
// at the advanced position; when the window of n segments is full (sampleIndex >= n + 1) the
// position restarts at 0 without a statistics entry. A chart value that would land at 501, past
// the last entry, is dropped.
AppendResult appendSample(qint16 &sampleIndex,
                          Ring &value1Samples,
                          Ring &value2Samples,
                          Ring &trendSamples,
                          int segments,
                          float value1,
                          float value2,
                          float chartValue);

} // namespace Trend
