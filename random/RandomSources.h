#pragma once

#include <boost/random/mersenne_twister.hpp>
#include <boost/random/uniform_real.hpp>
#include <boost/random/variate_generator.hpp>

#include <cstdint>
#include <string>

// The two process-wide random sources. Both are seeded during static
// initialisation, before main, from the wall clock. Neither has a lock: every
// draw after start-up happens under the evolution worker's mutex.
using RealSource = boost::variate_generator<boost::mt19937, boost::uniform_real<>>;

extern boost::mt19937 integerSource;
extern RealSource realSource;

// The start-up seed: whole seconds since 1970, truncated to the low 32 bits.
std::uint32_t clockSeed();

// The two sources an evolution draws from: the process-wide pair for the
// window, or a pair of its own (OwnRandomSources), so that two evolutions in
// one process never share a draw.
struct RandomSources {
    boost::mt19937& integer;
    RealSource& real;

    static RandomSources processWide() { return {integerSource, realSource}; }

    // The integer source seeded with the value, then the real source rebuilt
    // on a copy of it, as start-up seeds the process-wide pair.
    void reseed(std::uint32_t seed);
    // Both engines' states as text (the real source keeps an engine of its
    // own).
    std::string state() const;
    // Puts both engines in the states `state` holds; false, touching
    // neither, if it is not such a text.
    bool restore(const std::string& state);
};

// A pair of sources of its own, seeded as start-up seeds the process-wide
// pair.
class OwnRandomSources
{
public:
    explicit OwnRandomSources(std::uint32_t seed);
    OwnRandomSources(const OwnRandomSources&) = delete;
    OwnRandomSources& operator=(const OwnRandomSources&) = delete;

    RandomSources sources() { return {integer, real}; }

private:
    boost::mt19937 integer;
    RealSource real;
};

// The process-wide pair's reseed, state and restore, for tests and the batch
// runner; the window never reseeds.
void reseedRandomSources(std::uint32_t seed);
std::string randomSourcesState();
// True when `state` is a text randomSourcesState could have written.
bool isRandomSourcesState(const std::string& state);
bool restoreRandomSources(const std::string& state);
