#include "python/BirthArrays.h"

#include <algorithm>

namespace
{

std::int8_t operatorCode(BreedingOperator breedingOperator)
{
    switch (breedingOperator) {
    case BreedingOperator::Mutation:
        return 0;
    case BreedingOperator::Crossover:
        return 1;
    case BreedingOperator::Copy:
        return 2;
    }
    return -1;
}

} // namespace

void writeParents(const Births& births, int members, std::int32_t* parents)
{
    if (births.empty()) {
        std::fill(parents, parents + 2 * members, -1);
        return;
    }
    for (int i = 0; i < members; ++i) {
        const Birth& birth = births[static_cast<std::size_t>(i)];
        parents[2 * i] = birth.parent;
        parents[2 * i + 1] = birth.mate;
    }
}

void writeOperators(const Births& births, int members, std::int8_t* operators)
{
    if (births.empty()) {
        std::fill(operators, operators + members, std::int8_t{-1});
        return;
    }
    for (int i = 0; i < members; ++i)
        operators[i] = operatorCode(births[static_cast<std::size_t>(i)].breedingOperator);
}
