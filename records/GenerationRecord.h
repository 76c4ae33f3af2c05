#pragma once

struct GenerationReport;

// The numbers of one progress line, unrounded.
struct GenerationRecord {
    int generation = 0;
    double average1 = 0.0;
    double average2 = 0.0;
    double best1 = 0.0;
    double best2 = 0.0;
};

enum class FitnessSeries { average1, average2, best1, best2 };

// The four series of a log, in its columns' order: each one's column name,
// the words a chart's legend names it by and the field it holds.
struct GenerationSeries {
    FitnessSeries series;
    const char* name;
    const char* label;
    double GenerationRecord::*field;
};
inline constexpr GenerationSeries generationSeries[] = {
    {FitnessSeries::average1, "average1", "population 1 average", &GenerationRecord::average1},
    {FitnessSeries::average2, "average2", "population 2 average", &GenerationRecord::average2},
    {FitnessSeries::best1, "best1", "population 1 best so far", &GenerationRecord::best1},
    {FitnessSeries::best2, "best2", "population 2 best so far", &GenerationRecord::best2}};

inline constexpr const GenerationSeries& seriesOf(FitnessSeries series)
{
    return generationSeries[static_cast<int>(series)];
}

// The field of `row` that holds `series`, for any row with the fields
// average1, average2, best1 and best2 (a generation's numbers, a summary's
// quartiles).
template <typename Row> auto& seriesField(Row& row, FitnessSeries series)
{
    switch (series) {
    case FitnessSeries::average1:
        return row.average1;
    case FitnessSeries::average2:
        return row.average2;
    case FitnessSeries::best1:
        return row.best1;
    case FitnessSeries::best2:
        return row.best2;
    }
    return row.average1;
}

// A generation's numbers, from the same floats and the same arithmetic as its
// progress line.
GenerationRecord generationRecord(const GenerationReport& report);
