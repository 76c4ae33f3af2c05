#pragma once

#include "analysis/ConditionComparison.h"
#include "charts/ChartStyle.h"
#include "charts/ImageFile.h"

#include <QImage>
#include <QString>

#include <vector>

class QPainter;

// The conditions of a sweep side by side over the generations, in the
// quartile panels: in each panel every condition's median over its runs as a
// line and its first to third quartile as a band, in the condition's colour.
// The title names `generation`, the generation G the comparison's statistics
// are of, which a dashed line marks; the legend names each condition, how
// many of its runs reach G and, when fewer reach its last generation, how
// many do. Painted into `area`, its panels those of
// average1, average2, best1 and best2.
ChartLayout paintComparePlot(QPainter& painter, const QRect& area,
                             const std::vector<ConditionSummary>& conditions, int generation);
// The chart as a picture as wide as it always is and as tall as its legend
// needs.
ChartPicture drawComparePlot(const std::vector<ConditionSummary>& conditions, int generation);
