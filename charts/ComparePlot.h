#pragma once

#include "analysis/ConditionComparison.h"

#include <QImage>
#include <QString>

#include <vector>

// The conditions of a sweep side by side over the generations: a panel for
// each series of the CSV log (each population's average above its best so
// far, population 1 on the left), in each panel every condition's median
// over its runs as a line and its first to third quartile as a band, in the
// condition's colour, with a legend naming the conditions.
QImage drawComparePlot(const std::vector<ConditionSummary>& conditions, const QString& title);
