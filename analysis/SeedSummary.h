#pragma once

#include "analysis/Turnover.h"
#include "records/GenerationRecord.h"

#include <QByteArray>
#include <QVector>

#include <array>
#include <optional>
#include <vector>

// The spread of one series over the seeds at one generation.
struct Quartiles {
    double minimum = 0.0;
    double lower = 0.0;
    double median = 0.0;
    double upper = 0.0;
    double maximum = 0.0;
};

// Quartiles by linear interpolation between order statistics: with the n
// values sorted as x[0] <= ... <= x[n-1], the p-quantile is
// x[j] + f (x[j+1] - x[j]) where j + f = (n - 1) p, j whole and 0 <= f < 1
// (what R's default type 7 and NumPy's default compute). `values` must not be
// empty.
Quartiles quartilesOf(std::vector<double> values);
// The p-quantile of `values` (0 <= p <= 1) the same way; `values` must not be
// empty.
double quantileOf(std::vector<double> values, double p);

struct SummaryRow {
    int generation = 0;
    // How many runs reached this generation; the quartiles are over those.
    int seeds = 0;
    Quartiles average1;
    Quartiles average2;
    Quartiles best1;
    Quartiles best2;
    // distinct1, distinct2, coalescence1 and coalescence2, over the runs
    // whose archives give them a value: none where no run has one, nor
    // without the runs' births.
    std::array<std::optional<Quartiles>, 4> turnover;
};

inline constexpr const char* turnoverSeriesNames[] = {"distinct1", "distinct2", "coalescence1",
                                                      "coalescence2"};

// One row per generation from 1 to the longest run's last, each over the runs
// that reached it. Every run holds generations 1, 2, ... in order.
std::vector<SummaryRow> summarizeRuns(const std::vector<QVector<GenerationRecord>>& runs);

// The statistics of each series' columns, in their order: the column's
// suffix and the field. The series come in the log's order.
struct SummaryStatistic {
    const char* suffix;
    double Quartiles::*field;
};
inline constexpr SummaryStatistic summaryStatistics[] = {{"min", &Quartiles::minimum},
                                                         {"q1", &Quartiles::lower},
                                                         {"median", &Quartiles::median},
                                                         {"q3", &Quartiles::upper},
                                                         {"max", &Quartiles::maximum}};
// The runs' turnover, a run's rows each, added to the rows of the
// generations they reach.
void addTurnover(std::vector<SummaryRow>& rows, const std::vector<std::vector<TurnoverRow>>& runs);

// "generation,seeds,average1_min,...,best2_max", then with the turnover
// "distinct1_min,...,coalescence2_max".
QByteArray summaryHeader(bool withTurnover = false);

// "generation,seeds," then for average1, average2, best1 and best2 in turn
// "<series>_min,<series>_q1,<series>_median,<series>_q3,<series>_max", and
// with the turnover its four series the same way (empty where a row has
// none); a row per generation, numbers as "%.9g".
QByteArray summaryCsv(const std::vector<SummaryRow>& rows, bool withTurnover = false);
