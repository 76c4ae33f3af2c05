#pragma once

#include "evolution/Birth.h"

#include <cstdint>

// A population's births as the module hands them out, for `members`
// members; without recorded births (empty), -1 throughout.
// parents[2i]: the member i was selected from; parents[2i + 1]: its mate for
// a crossover, -1 otherwise.
void writeParents(const Births& births, int members, std::int32_t* parents);
// operators[i]: 0 mutation, 1 crossover, 2 copy.
void writeOperators(const Births& births, int members, std::int8_t* operators);
