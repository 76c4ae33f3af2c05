#include "evolution/Breeding.h"

#include "random/RandomSources.h"

#include <algorithm>
#include <cstdint>

BreedingOperator chooseOperator(float draw, float mutationBelow, float crossoverBelow)
{
    if (draw < mutationBelow)
        return BreedingOperator::Mutation;
    if (draw < crossoverBelow)
        return BreedingOperator::Crossover;
    return BreedingOperator::Copy;
}

float roundedRealDraw(RandomSources sources)
{
    return static_cast<float>(sources.real());
}

int rouletteSelect(const float* table, float u, int members)
{
    for (int i = 0; i < members; ++i)
        if (u < table[i])
            return i;
    return members - 1;
}

void mutate(RandomSources sources, const Pattern& parent, const Pattern& child, float rate,
            PatternShape shape)
{
    const double threshold = static_cast<double>(rate);
    for (int i = 0; i < shape.cells(); ++i) {
        const double draw = sources.real();
        child[i] = draw < threshold ? 1 - parent[i] : parent[i];
    }
}

void crossover(RandomSources sources, const Pattern& parent, const Pattern& child,
               const Pattern& mate, PatternShape shape)
{
    // a % 8 is the a & 7 of the window's patterns.
    const auto width = static_cast<std::uint32_t>(shape.width);
    const auto height = static_cast<std::uint32_t>(shape.height);
    const std::uint32_t a = sources.integer();
    const std::uint32_t b = sources.integer();
    const std::uint32_t c = sources.integer();
    const std::uint32_t d = sources.integer();
    const int x0 = static_cast<int>(std::min(a % width, b % width));
    const int x1 = static_cast<int>(std::max(a % width, b % width));
    const int y0 = static_cast<int>(std::min(c % height, d % height));
    const int y1 = static_cast<int>(std::max(c % height, d % height));
    for (int x = 0; x < shape.width; ++x)
        for (int y = 0; y < shape.height; ++y) {
            const int i = x + shape.width * y;
            const bool fromMate = x0 <= x && x < x1 && y0 <= y && y < y1;
            child[i] = fromMate ? mate[i] : parent[i];
        }
}

void copyPattern(const Pattern& parent, const Pattern& child, PatternShape shape)
{
    for (int i = 0; i < shape.cells(); ++i)
        child[i] = parent[i];
}
