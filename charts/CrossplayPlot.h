#pragma once

#include "analysis/Crossplay.h"
#include "charts/ChartStyle.h"
#include "charts/ImageFile.h"

#include <QImage>
#include <QString>

#include <vector>

class QPainter;

// The cross-run tournament's per-run means by condition, population 1's
// champions above population 2's: for each condition a box from the first
// to the third quartile with its median, whiskers to the lowest and highest
// run, and every run as a dot, in the condition's colour. The title names G,
// the latest generation the champions come from, and says when some runs'
// come from an earlier one (their last); under each condition's name, how
// many of its runs reach G. Painted into `area`, the conditions share its
// width, their names elided to fit; its panels are population 1's and
// population 2's, condition k at x = k.
ChartLayout paintCrossplayPlot(QPainter& painter, const QRect& area,
                               const std::vector<CrossplayCondition>& conditions);
// The chart as a picture of the two-panel size, wider when the conditions'
// names need it and taller when they take more lines.
ChartPicture drawCrossplayPlot(const std::vector<CrossplayCondition>& conditions);
