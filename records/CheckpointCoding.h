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
