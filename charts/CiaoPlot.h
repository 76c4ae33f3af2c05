#pragma once

#include <QImage>
#include <QString>

#include <vector>

class ChampionGrid;

constexpr int ciaoPlotWidth = 1240;
constexpr int ciaoPlotHeight = 600;

// The two CIAO triangles side by side: on the left each population-1
// champion (rows) against the population-2 champions of its own and earlier
// generations (columns), scored by score1; on the right the same for
// population 2 against population 1, scored by score2. Each triangle has a
// colour scale of its own, from its lowest to its highest score.
// `generations` names the grid's rows, which are also its columns.
QImage drawCiaoPlot(const ChampionGrid& grid, const std::vector<int>& generations,
                    const QString& title);
