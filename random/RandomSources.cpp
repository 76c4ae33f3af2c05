#include "random/RandomSources.h"

#include <ctime>

std::uint32_t clockSeed()
{
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(std::time(nullptr)));
}

// Defined in this order in one translation unit, so the integer source is
// seeded before the real source copies it.
boost::mt19937 integerSource(clockSeed());
RealSource realSource(integerSource, boost::uniform_real<>(0.0, 1.0));

void reseedRandomSources(std::uint32_t seed)
{
    integerSource.seed(seed);
    realSource = RealSource(integerSource, boost::uniform_real<>(0.0, 1.0));
}
