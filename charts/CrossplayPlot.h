#pragma once

#include "analysis/Crossplay.h"

#include <QImage>
#include <QString>

#include <vector>

// The cross-run tournament's per-run means by condition, population 1's
// champions above population 2's: for each condition a box from the first
// to the third quartile with its median, whiskers to the lowest and highest
// run, and every run as a dot, in the condition's colour.
QImage drawCrossplayPlot(const std::vector<CrossplayCondition>& conditions, const QString& title);
