#pragma once

#include "board/Match.h"
#include "records/PackedPattern.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

class ChampionGrid;
struct ConditionFolder;

// One run's champions of the chosen generation, with where it comes from.
struct CrossplayRun {
    int condition = 0;
    unsigned seed = 0;
    PackedPattern champion1;
    PackedPattern champion2;
};

// The runs of `folders`, each its run.arc's champions of generation `at`
// (0: each run's last), with the generation they come from and the layout
// the runs share. Empty `error` on success; otherwise one line, as when an
// archive cannot be read or lacks the generation, two runs play on
// different boards, or there are fewer than two runs.
struct CrossplayRead {
    std::vector<CrossplayRun> runs;
    std::vector<int> generations;
    MatchLayout layout;
    // One line for each archive read up to its last whole generation.
    QStringList warnings;
    QString error;
};
CrossplayRead readCrossplayRuns(const std::vector<ConditionFolder>& folders, int at);

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
