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

void reseedRandomSources(std::uint32_t seed)
{
    integerSource.seed(seed);
    realSource = RealSource(integerSource, boost::uniform_real<>(0.0, 1.0));
}

std::string randomSourcesState()
{
    std::ostringstream text;
    // A line end after each: Boost's reader fails on an engine that ends the
    // text.
    text << integerSource << '\n' << realSource.engine() << '\n';
    return text.str();
}

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

bool isRandomSourcesState(const std::string& state)
{
    boost::mt19937 integerEngine;
    boost::mt19937 realEngine;
    return parseEngines(state, integerEngine, realEngine);
}

bool restoreRandomSources(const std::string& state)
{
    boost::mt19937 integerEngine;
    boost::mt19937 realEngine;
    if (!parseEngines(state, integerEngine, realEngine))
        return false;
    integerSource = integerEngine;
    realSource.engine() = realEngine;
    return true;
}
