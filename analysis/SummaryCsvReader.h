#pragma once

#include "analysis/SeedSummary.h"

#include <QString>

#include <vector>

struct SummaryRead {
    std::vector<SummaryRow> rows;
    // Empty on success; otherwise one line naming the file, the line and the
    // problem.
    QString error;
    // Whether it held the turnover's columns.
    bool withTurnover = false;
};

// Reads a summary that summaryCsv wrote: its exact header, then one row per
// generation numbered from 1 without a gap, each with its number of seeds
// (at least one, never more than the generation before had) and twenty
// finite numbers, then, in a summary with the turnover, its four series'
// five numbers each or five empty fields, every line ended ("\n", or
// "\r\n" as Windows ends them).
// Anything else is refused: the summary is written whole, so a cut one is
// damaged.
SummaryRead readSummaryCsv(const QString& path);
