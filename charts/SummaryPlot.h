#pragma once

#include "analysis/SeedSummary.h"

#include <QImage>
#include <QString>

#include <vector>

// The summary over seeds laid out like the fitness plot, one panel per
// population: for its average and its best-so-far the median as a line and
// the first to third quartile as a band, in the fitness plot's colours.
QImage drawSummaryPlot(const std::vector<SummaryRow>& rows, const QString& title);
