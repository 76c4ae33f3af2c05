#pragma once

#include <QByteArray>

#include <vector>

class ChampionGrid;

// Each generation's champion against the champions of every generation of the
// other population (those the grid holds): its mean score.
struct MasterScores {
    std::vector<int> generations;
    // Population 1's champion of generation k: the mean of its row's score1.
    std::vector<double> mean1;
    // Population 2's champion of generation k: the mean of its column's score2.
    std::vector<double> mean2;
};

// `generations` names the grid's rows, which are also its columns.
MasterScores masterScores(const ChampionGrid& grid, const std::vector<int>& generations);

// "generation,mean1,mean2", then a row per generation, as "%.9g".
QByteArray masterCsv(const MasterScores& scores);
