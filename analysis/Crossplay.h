#pragma once

#include "board/Match.h"
#include "records/PackedPattern.h"

#include <QByteArray>
#include <QString>

#include <vector>

class ChampionGrid;

// One run's champions of the chosen generation, with where it comes from.
struct CrossplayRun {
    int condition = 0;
    unsigned seed = 0;
    PackedPattern champion1;
    PackedPattern champion2;
};

// Each run's population-1 champion's mean score against the population-2
// champions of every other run, and its population-2 champion's mean score
// against the population-1 champions of every other run. Needs two runs.
struct CrossplayMeans {
    std::vector<double> mean1;
    std::vector<double> mean2;
};

// The grid of every run's population-1 champion against every run's
// population-2 champion, on the runs' shared layout.
ChampionGrid crossplayGrid(const std::vector<CrossplayRun>& runs, const MatchLayout& layout);
// From the grid of crossplayGrid, once played.
CrossplayMeans crossplayMeans(const ChampionGrid& grid);

// "condition,seed,mean1,mean2", then a row per run, numbers as "%.9g".
QByteArray crossplayCsv(const std::vector<QString>& names, const std::vector<CrossplayRun>& runs,
                        const CrossplayMeans& means);

// Each condition's per-run means, for the chart, and the generation each
// run's champions come from.
struct CrossplayCondition {
    QString name;
    std::vector<double> mean1;
    std::vector<double> mean2;
    std::vector<int> generations;
};
