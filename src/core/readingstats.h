#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace Quantity {
struct Value;
}
namespace Record {
enum class Holds;
}
namespace Realtime {
struct Readout;
}

// Largest, smallest and mean of the readings the readouts showed since the last reset: one
// summary of resistances in ohms, one of currents in milliamperes. A reading counts with the
// number its readout showed, so a box shows as many decimals as the readout did; a current
// shown in amperes counts as that many milliamperes.
class ReadingStats
{
public:
    enum Quantity { Resistance, Current };

    // What the three boxes of one quantity show: numbers without a unit.
    struct Texts
    {
        QString maximum;
        QString minimum;
        QString mean; // rounded to the finest decimals among the readings counted
    };

    // Counts the readings of one decoded reply: value 1 of kinds 1 and 2 as a resistance, value
    // 2 of kind 1 and value 1 of kind 3 as a current. A readout that shows no number (over
    // range, under range, error) counts nothing, nor does an incomplete reply.
    void add(const Realtime::Readout &readout);
    // Stop and start-up: nothing counted.
    void reset();

    int count(Quantity quantity) const { return m_tallies[quantity].count(); }
    // nullopt while no reading of the quantity was counted.
    std::optional<Texts> texts(Quantity quantity) const;

    // Every number is held in millionths of its unit: exact for what the readouts show (at most
    // three decimals after the conversion to milliamperes), with room for a long session's sum.
    static constexpr int kDecimals = 6;

    // A number as a readout shows it: value = micros / 10^6, written with `decimals` decimals.
    struct Shown
    {
        qint64 micros = 0;
        int decimals = 0;
    };
    // A value that is a number, as its texts show it, in its own unit.
    static Shown shown(const ::Quantity::Value &number);

    // The boxes' arithmetic over any numbers counted as shown: the largest and smallest as they
    // were shown, the mean from the exact sum, to the finest decimals shown, halves up. The
    // report's summary counts the stored records with it.
    class Tally
    {
    public:
        void add(const Shown &shown);
        int count() const { return m_count; }
        // nullopt while nothing was counted.
        std::optional<Texts> texts() const;

    private:
        int m_count = 0;
        Shown m_maximum;
        Shown m_minimum;
        qint64 m_sum = 0; // millionths
        int m_finestDecimals = 0;
    };

private:
    void take(Record::Holds holds, const ::Quantity::Value &number);

    Tally m_tallies[2];
};
