#pragma once

#include "evolution/Birth.h"

#include <cstdint>

// A population's births as the module hands them out, for `members`
// members: parents[2i] the member i was selected from and parents[2i + 1]
// its mate for a crossover, -1 otherwise; operators[i] 0 mutation,
// 1 crossover, 2 copy. Without recorded births (empty), -1 throughout.
void writeBirthArrays(const Births& births, int members, std::int32_t* parents,
                      std::int8_t* operators);
