#pragma once

#include <QtGlobal>

#include <array>

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

} // namespace Trend

// The samples behind the trend chart and the statistics boxes: three rings of 501 entries
// (chart values, value 1, value 2) and the one write position they share.
class TrendBuffer
{
public:
    // Stores one reading: value1 and value2 at sampleIndex, which then advances, and the chart
    // value at the advanced position; when the window of n segments is full (sampleIndex >= n + 1)
    // the position restarts at 0 without a statistics entry. A chart value that would land at
    // 501, past the last entry, is dropped.
    Trend::AppendResult append(int segments, float value1, float value2, float chartValue);

    // Stop: writing starts over at 0 and the trace is cleared. Entry 500 is left as it is: it
    // stays the last point of the longest window.
    void clearTrace();

    const Trend::Ring &trendSamples() const { return m_trendSamples; }
    const Trend::Ring &value1Samples() const { return m_value1Samples; }
    const Trend::Ring &value2Samples() const { return m_value2Samples; }
    qint16 sampleIndex() const { return m_sampleIndex; }

private:
    Trend::Ring m_trendSamples{};  // chart samples, chart units
    Trend::Ring m_value1Samples{}; // value 1 of each stored realtime sample
    Trend::Ring m_value2Samples{}; // value 2 of each stored realtime sample
    qint16 m_sampleIndex = 0;
};
