#pragma once

#include "board/Pattern.h"

// The operators that make one child. Each writes all 48 cells of the child's
// existing storage and allocates nothing; draws come from the process-wide
// random sources.

enum class BreedingOperator { Mutation, Crossover, Copy };

inline constexpr float mutationThreshold = 0.3f;
inline constexpr float crossoverThreshold = 0.8f;
inline constexpr float mutationRate = 0.01f;

// The operator for a rounded operator draw: below 0.3f mutation, below 0.8f
// crossover, else copy (compared in single precision).
BreedingOperator chooseOperator(float draw);

// A real draw rounded to the nearest float, as selection and the operator
// choice compare it.
float roundedRealDraw();

// The first index whose cumulative share is above u (single precision), or
// 99 when none is; entries that are not numbers never qualify.
int rouletteSelect(const float* table, float u);

// Each cell flips when its own unrounded real draw is below the rate widened
// to double. Always makes 48 real draws.
void mutate(const Pattern& parent, const Pattern& child, float rate);

// The mate's cells inside a half-open rectangle from four integer draws
// (columns a & 7, b & 7; rows c % 6, d % 6), the parent's elsewhere.
void crossover(const Pattern& parent, const Pattern& child, const Pattern& mate);

void copyPattern(const Pattern& parent, const Pattern& child);
