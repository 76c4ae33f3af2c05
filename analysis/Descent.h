#pragma once

#include "analysis/Lineage.h"

#include <QByteArray>

#include <optional>
#include <vector>

// One ancestor on a line of descent.
struct DescentStep {
    int generation = 0;
    int member = 0;
    // How it was bred; none for the line's first member.
    std::optional<Birth> birth;
    // The cells in which it differs from its first parent, ascending.
    std::vector<int> changed;
    // None when the record kept no score but the champion's.
    std::optional<float> score;
    bool champion = false;
};

// The line of descent of a member (population 1 or 2) of a generation
// `record` holds, along first parents, oldest first, as lineOfDescent walks
// it: each step's generation, member and birth only.
std::vector<DescentStep> firstParentLine(const BirthRecord& record, int generation, int population,
                                         int member);

// The line of descent of a member (population 1 or 2) the model holds,
// along first parents (the member each was selected from), oldest first:
// back to the model's first generation, or to the first member on it whose
// birth is not recorded. The member itself is the last step.
std::vector<DescentStep> lineOfDescent(const LineageModel& model, int generation, int population,
                                       int member);

// "generation,member,operator,mate,changed,cells,score,champion": a row per
// step, oldest first; operator and mate (a crossover's) empty where not
// recorded or not bred so, changed the number of cells that differ from the
// first parent, cells their indices x + width * y separated by spaces, score
// empty when not recorded, champion "true" or "false".
QByteArray descentCsv(const std::vector<DescentStep>& line);
