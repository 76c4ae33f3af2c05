#pragma once

#include "evolution/EvolutionState.h"
#include "records/ByteCodec.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// The pieces every checkpoint format is made of beyond the byte codec's;
// shared by the readers and writers of records/ only.

// Far above any real path or engine state; keeps a hostile count harmless.
constexpr std::uint32_t longestCheckpointText = 1u << 20;
constexpr int checkpointVersionFieldSize = 16;

// Empty when the header `data` names this program's version, otherwise the
// problem: another version may play other numbers.
QString checkpointProgramProblem(const char* data);

// What every format holds of the populations, in this order: the current
// offset, best scores, last score sums, best patterns, both populations.
void putPopulationState(ByteEncoder& encoder, const EvolutionState& state, PatternShape shape);
// What putPopulationState wrote, for populations of `populationSize`.
void takePopulationState(ByteDecoder& decoder, EvolutionState& state, PatternShape shape,
                         int populationSize);

// The births of the state's current members, which a version 3 slot keeps
// after its random sources: a uint32 1, then for population 1 and then
// population 2 each member's operator (uint8: 0 mutation, 1 crossover, 2
// copy), parent and mate (uint32, 0xffffffff for none) and crossover
// rectangle x0, x1, y0, y1 (uint16 each); or a uint32 0 without births,
// which an earlier program's zeros read as.
qsizetype birthsBytes(int populationSize);
void putBirths(ByteEncoder& encoder, const EvolutionState& state);
// What putBirths wrote, or no births when it is not there whole; the
// evolution checks they fit before it takes them.
void takeBirths(ByteDecoder& decoder, EvolutionState& state, int populationSize);
