#include "records/CheckpointCoding.h"

#include "records/RecordedVersion.h"

QString checkpointProgramProblem(const char* data)
{
    ByteDecoder field(data + 48, checkpointVersionFieldSize);
    return recordedVersionProblem(field.takePaddedText(checkpointVersionFieldSize),
                                  checkpointVersionFieldSize);
}

void putPopulationState(ByteEncoder& encoder, const EvolutionState& state, PatternShape shape)
{
    encoder.putUint32(static_cast<std::uint32_t>(state.currentOffset));
    encoder.putFloat(state.bestScore1);
    encoder.putFloat(state.bestScore2);
    encoder.putFloat(state.lastScoreSum1);
    encoder.putFloat(state.lastScoreSum2);
    encoder.putCells(state.bestPattern1, shape);
    encoder.putCells(state.bestPattern2, shape);
    for (const auto* population : {&state.population1, &state.population2})
        for (const EvolutionState::Cells& cells : *population)
            encoder.putCells(cells, shape);
}

void takePopulationState(ByteDecoder& decoder, EvolutionState& state, PatternShape shape,
                         int populationSize)
{
    state.currentOffset = static_cast<int>(decoder.takeUint32());
    state.bestScore1 = decoder.takeFloat();
    state.bestScore2 = decoder.takeFloat();
    state.lastScoreSum1 = decoder.takeFloat();
    state.lastScoreSum2 = decoder.takeFloat();
    state.bestPattern1 = decoder.takeCells(shape);
    state.bestPattern2 = decoder.takeCells(shape);
    const std::uint64_t slotCount = 2 * static_cast<std::uint64_t>(populationSize);
    decoder.takeCellPatterns(state.population1, slotCount, shape);
    decoder.takeCellPatterns(state.population2, slotCount, shape);
}
