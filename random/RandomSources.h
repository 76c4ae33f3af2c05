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

// Seeds both sources exactly as start-up does: the integer source with the
// given value, then the real source rebuilt on a copy of it. For tests and the
// batch runner; the window never reseeds.
void reseedRandomSources(std::uint32_t seed);

// Both engines' states as text (the real source keeps an engine of its own).
std::string randomSourcesState();
// True when `state` is a text randomSourcesState could have written.
bool isRandomSourcesState(const std::string& state);
// Puts both engines in the states `state` holds; false, touching neither, if
// it is not such a text.
bool restoreRandomSources(const std::string& state);
