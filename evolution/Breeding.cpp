#include "evolution/Breeding.h"

#include "random/RandomSources.h"

#include <algorithm>
#include <cstdint>

BreedingOperator chooseOperator(float draw)
{
    if (draw < mutationThreshold)
        return BreedingOperator::Mutation;
    if (draw < crossoverThreshold)
        return BreedingOperator::Crossover;
    return BreedingOperator::Copy;
}

float roundedRealDraw()
{
    return static_cast<float>(realSource());
}

int rouletteSelect(const float* table, float u)
{
    for (int i = 0; i < 100; ++i)
        if (u < table[i])
            return i;
    return 99;
}

void mutate(const Pattern& parent, const Pattern& child, float rate)
{
    const double threshold = static_cast<double>(rate);
    for (int i = 0; i < patternCells; ++i) {
        const double draw = realSource();
        child[i] = draw < threshold ? 1 - parent[i] : parent[i];
    }
}

void crossover(const Pattern& parent, const Pattern& child, const Pattern& mate)
{
    const std::uint32_t a = integerSource();
    const std::uint32_t b = integerSource();
    const std::uint32_t c = integerSource();
    const std::uint32_t d = integerSource();
    const int x0 = static_cast<int>(std::min(a & 7u, b & 7u));
    const int x1 = static_cast<int>(std::max(a & 7u, b & 7u));
    const int y0 = static_cast<int>(std::min(c % 6u, d % 6u));
    const int y1 = static_cast<int>(std::max(c % 6u, d % 6u));
    for (int x = 0; x < patternWidth; ++x)
        for (int y = 0; y < patternHeight; ++y) {
            const int i = x + patternWidth * y;
            const bool fromMate = x0 <= x && x < x1 && y0 <= y && y < y1;
            child[i] = fromMate ? mate[i] : parent[i];
        }
}

void copyPattern(const Pattern& parent, const Pattern& child)
{
    for (int i = 0; i < patternCells; ++i)
        child[i] = parent[i];
}
