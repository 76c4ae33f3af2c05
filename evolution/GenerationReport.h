#pragma once

#include "evolution/Birth.h"
#include "evolution/EvolutionState.h"

#include <QMetaType>

#include <array>
#include <optional>
#include <string>
#include <vector>

// What one generation played, sent by the worker once it is complete: the
// numbers of its progress line, both populations as they played, every
// member's score, how each member was bred, and, when asked for, the whole state to continue from.
// Plain copies, so the worker may go on at once. Index 0 of each pair is
// population 1, index 1 population 2.
struct GenerationReport {
    using Cells = EvolutionState::Cells;

    // Generations completed since the start, this one included.
    int generation = 0;
    int matchesPlayed = 0;
    std::array<float, 2> scoreSums{};
    // The best scores ever reached and the patterns that set them.
    std::array<float, 2> bestScores{};
    std::array<Cells, 2> bestPatterns{};
    // The members as they played, member i at index i, and their scores.
    std::array<std::vector<Cells>, 2> populations;
    std::array<std::vector<float>, 2> scores;
    // The member with the highest score, the lowest index on a tie.
    std::array<int, 2> champions{};
    // How each member was bred from the generation before, its parents'
    // indices being that generation's: none for the first generation, nor
    // for the first one played after restoring a state saved without them.
    std::array<Births, 2> births;
    // With the births: for member i, when mutation bred it, the cells that
    // flipped (ascending), otherwise none.
    std::array<std::vector<std::vector<int>>, 2> flippedCells;
    // The state after this generation and the random sources' state then,
    // when the worker was asked to include them. The state's halls of fame
    // are left empty, as they would grow with every report: while a hall of
    // fame is played, each gains the generation's champion,
    // populations[p][champions[p]].
    std::optional<EvolutionState> state;
    std::string randomSources;

    float championScore(int population) const
    {
        return scores[population - 1][champions[population - 1]];
    }
};

Q_DECLARE_METATYPE(GenerationReport)
