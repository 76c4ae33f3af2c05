#pragma once

#include "analysis/RankTest.h"
#include "analysis/SeedSummary.h"
#include "analysis/Turnover.h"
#include "records/GenerationRecord.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <vector>

// The runs of one condition: a sweep's folder of seed folders.
struct ConditionRuns {
    // How the condition is named in the CSV files and the legends.
    QString name;
    std::vector<QVector<GenerationRecord>> runs;
};

// One value per run for each condition, the first condition the control.
struct SeriesValues {
    QString series;
    // [condition][run]
    std::vector<std::vector<double>> values;
};

// The statistics of one condition (not the control) against the control.
struct ComparisonRow {
    QString series;
    QString condition;
    int n = 0;
    double median = 0.0;
    int controlN = 0;
    double controlMedian = 0.0;
    RankComparison test;
    double pHolm = 1.0;
};

// The last generation every run of every condition reached.
int lastCommonGeneration(const std::vector<ConditionRuns>& conditions);

// The last generation g <= `generation` whose best score so far (population
// 1 or 2) is higher than generation g - 1's; 1 when it never rose after
// generation 1. Every run holds generations 1, 2, ... in order, at least
// `generation` of them.
int lastGain(const QVector<GenerationRecord>& run, int population, int generation);

// average1, average2, best1, best2, last_gain1 and last_gain2 of every run at
// `generation`, which every run reached.
std::vector<SeriesValues> seriesAt(const std::vector<ConditionRuns>& conditions, int generation);

// distinct1, distinct2, coalescence1 and coalescence2 at `generation`,
// [condition][run], appended to `series`: a run's that reaches it and, for
// a coalescence, whose lines met.
void appendTurnoverSeries(std::vector<SeriesValues>& series,
                          const std::vector<std::vector<std::vector<TurnoverRow>>>& turnovers,
                          int generation);

// For every series and every condition after the first, in that order, the
// test against the first, where both have a value; p_holm corrects over all
// rows together.
std::vector<ComparisonRow> compareConditions(const std::vector<QString>& names,
                                             const std::vector<SeriesValues>& series);

// "series,condition,n,median,control_n,control_median,u,p,a12,p_holm", then a
// row each, numbers as "%.9g"; a condition name holding a comma or a quote
// is quoted as CSV quotes it.
QByteArray comparisonCsv(const std::vector<ComparisonRow>& rows);

// A condition's median and quartiles per generation, for the chart.
struct ConditionSummary {
    QString name;
    std::vector<SummaryRow> rows;
};
