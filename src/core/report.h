#pragma once

#include "core/archiveentry.h"
#include "core/export.h"
#include "core/quantity.h"
#include "core/readingstats.h"

#include <QList>
#include <QLocale>
#include <QString>

#include <optional>

// What an inspection report of one download says, apart from how a page shows it: each record
// with its verdict against a resistance limit, the counts, and the statistics per kind and unit.
namespace Report {

// A resistance passes at or below the limit. A reading that is no number (over range, under
// range, an error) cannot be judged: "0L" is only "above this range", not a measured value.
// Currents and voltages, and records of no known kind, get no verdict.
enum class Verdict { None, Pass, Fail, CannotJudge };

// The verdict of a record of `kind` whose value 1 is `first`, against limitOhms (above 0).
// The comparison is made in millionths of an ohm, so a limit typed as 0.29 holds 0.29 Ω shown.
Verdict verdict(int kind, const Quantity::Value &first, double limitOhms);

// "", "pass", "FAIL", "cannot be judged".
QString verdictText(Verdict verdict);

// A limit the report accepts: a number above 0 and at most what the alarm accepts.
bool acceptableLimit(double limitOhms);

// The window's limit: the resistance alarm's limit box when it holds a limit the report
// accepts, else the limit the alarm last read; nullopt when neither is one.
std::optional<double> windowLimit(const QString &boxText, float alarmLimit);

// The limit as the report prints it: "25 Ω", "0.5 Ω".
QString limitText(double limitOhms);

// Letter paper where the locale's country uses it, else A4.
bool usesLetterPaper(const QLocale &locale);

struct Line
{
    Export::StoredRecord record;
    Verdict verdict = Verdict::None;
};

// The statistics of one kind and unit: "resistance", "Ω" and the boxes' three numbers.
struct KindStats
{
    int kind = 0;
    QString unit;
    int count = 0;
    ReadingStats::Texts texts;
};

struct Content
{
    Archive::Entry entry; // its records are the lines below
    double limitOhms = 0;
    QList<Line> lines;
    QList<std::pair<int, int>> kindCounts; // kind, records of it; in the order of the kinds
    QList<KindStats> stats;
    int passing = 0;
    int failing = 0;
    int unjudged = 0;
    // The resistance of each resistance record in ohms, in order, for the trend chart; a reading
    // that is no number is nullopt.
    QList<std::optional<double>> resistances;
};

Content build(const Archive::Entry &entry, double limitOhms);

// The time the entry was taken with its offset from UTC: "2026-12-08 09:14:03 UTC+01:00".
QString takenText(const Archive::Entry &entry);

} // namespace Report
