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
            PatternShape shape, std::vector<int>* flipped)
{
    const double threshold = static_cast<double>(rate);
    if (flipped)
        flipped->clear();
    for (int i = 0; i < shape.cells(); ++i) {
        const double draw = sources.real();
        const bool flips = draw < threshold;
        child[i] = flips ? 1 - parent[i] : parent[i];
        if (flips && flipped)
            flipped->push_back(i);
    }
}

CrossoverRectangle crossover(RandomSources sources, const Pattern& parent, const Pattern& child,
                             const Pattern& mate, PatternShape shape)
{
    // a % 8 is the a & 7 of the window's patterns.
    const auto width = static_cast<std::uint32_t>(shape.width);
    const auto height = static_cast<std::uint32_t>(shape.height);
    const std::uint32_t a = sources.integer();
    const std::uint32_t b = sources.integer();
    const std::uint32_t c = sources.integer();
    const std::uint32_t d = sources.integer();
    const CrossoverRectangle rectangle{static_cast<int>(std::min(a % width, b % width)),
                                       static_cast<int>(std::max(a % width, b % width)),
                                       static_cast<int>(std::min(c % height, d % height)),
                                       static_cast<int>(std::max(c % height, d % height))};
    for (int x = 0; x < shape.width; ++x)
        for (int y = 0; y < shape.height; ++y) {
            const int i = x + shape.width * y;
            child[i] = rectangle.contains(x, y) ? mate[i] : parent[i];
        }
    return rectangle;
}

void copyPattern(const Pattern& parent, const Pattern& child, PatternShape shape)
{
    for (int i = 0; i < shape.cells(); ++i)
        child[i] = parent[i];
}
