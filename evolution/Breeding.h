#pragma once

#include "board/Pattern.h"
#include "evolution/Birth.h"
#include "random/RandomSources.h"

#include <vector>

// The operators that make one child. Each writes every cell of the child's
// existing storage and allocates nothing; draws come from the sources given. Patterns are of the
// given shape, the window's 8 x 6 unless another is given.

inline constexpr float mutationThreshold = 0.3f;
inline constexpr float crossoverThreshold = 0.8f;
inline constexpr float mutationRate = 0.01f;

// The operator for a rounded operator draw: below the mutation threshold
// mutation, below the crossover threshold crossover, else copy (compared in
// single precision).
BreedingOperator chooseOperator(float draw, float mutationBelow = mutationThreshold,
                                float crossoverBelow = crossoverThreshold);

// A real draw rounded to the nearest float, as selection and the operator
// choice compare it.
float roundedRealDraw(RandomSources sources);

// The first of `members` indices whose cumulative share is above u (single
// precision), or the last index when none is; entries that are not numbers
// never qualify.
int rouletteSelect(const float* table, float u, int members = 100);

// Each cell flips when its own unrounded real draw is below the rate widened
// to double. Always makes one real draw per cell. The indices of the cells
// that flipped replace `flipped`'s, ascending, when it is given.
void mutate(RandomSources sources, const Pattern& parent, const Pattern& child, float rate,
            PatternShape shape = PatternShape(), std::vector<int>* flipped = nullptr);

// The mate's cells inside a half-open rectangle from four integer draws
// (columns a % width, b % width; rows c % height, d % height), the parent's
// elsewhere. Says which rectangle that was.
CrossoverRectangle crossover(RandomSources sources, const Pattern& parent, const Pattern& child,
                             const Pattern& mate, PatternShape shape = PatternShape());

void copyPattern(const Pattern& parent, const Pattern& child, PatternShape shape = PatternShape());
