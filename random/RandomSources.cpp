#include "random/RandomSources.h"

#include <ctime>
#include <sstream>

std::uint32_t clockSeed()
{
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(std::time(nullptr)));
}

// Defined in this order in one translation unit, so the integer source is
// seeded before the real source copies it.
boost::mt19937 integerSource(clockSeed());
RealSource realSource(integerSource, boost::uniform_real<>(0.0, 1.0));

namespace
{

bool parseEngines(const std::string& state, boost::mt19937& integerEngine,
                  boost::mt19937& realEngine)
{
    std::istringstream text(state);
    text >> integerEngine >> realEngine;
    if (text.fail())
        return false;
    text >> std::ws;
    return text.eof();
}

} // namespace

void RandomSources::reseed(std::uint32_t seed)
{
    integer.seed(seed);
    real = RealSource(integer, boost::uniform_real<>(0.0, 1.0));
}

std::string RandomSources::state() const
{
    std::ostringstream text;
    // A line end after each: Boost's reader fails on an engine that ends the
    // text.
    text << integer << '\n' << real.engine() << '\n';
    return text.str();
}

bool RandomSources::restore(const std::string& state)
{
    boost::mt19937 integerEngine;
    boost::mt19937 realEngine;
    if (!parseEngines(state, integerEngine, realEngine))
        return false;
    integer = integerEngine;
    real.engine() = realEngine;
    return true;
}

OwnRandomSources::OwnRandomSources(std::uint32_t seed)
    : integer(seed), real(integer, boost::uniform_real<>(0.0, 1.0))
{
}

void reseedRandomSources(std::uint32_t seed)
{
    RandomSources::processWide().reseed(seed);
}

std::string randomSourcesState()
{
    return RandomSources::processWide().state();
}

bool isRandomSourcesState(const std::string& state)
{
    boost::mt19937 integerEngine;
    boost::mt19937 realEngine;
    return parseEngines(state, integerEngine, realEngine);
}

bool restoreRandomSources(const std::string& state)
{
    return RandomSources::processWide().restore(state);
}
