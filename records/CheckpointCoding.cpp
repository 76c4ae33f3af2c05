#include "records/CheckpointCoding.h"

void CheckpointEncoder::putCells(const EvolutionState::Cells& cells, int cellCount)
{
    const qsizetype at = bytes.size();
    bytes.append(packedCellBytes(cellCount), '\0');
    char* packed = bytes.data() + at;
    for (int k = 0; k < cellCount; ++k)
        if (cells[static_cast<std::size_t>(k)] != 0)
            packed[k / 8] = static_cast<char>(packed[k / 8] | (1 << (k % 8)));
}

QByteArray CheckpointDecoder::takeText()
{
    const std::uint32_t size = takeUint32();
    if (size > longestCheckpointText) {
        failed = true;
        return {};
    }
    const char* data = take(static_cast<qsizetype>(size));
    return data ? QByteArray(data, static_cast<qsizetype>(size)) : QByteArray();
}

EvolutionState::Cells CheckpointDecoder::takeCells(int cellCount)
{
    EvolutionState::Cells cells(static_cast<std::size_t>(cellCount));
    if (const char* data = take(packedCellBytes(cellCount)))
        for (int k = 0; k < cellCount; ++k)
            cells[static_cast<std::size_t>(k)] = (data[k / 8] >> (k % 8)) & 1;
    return cells;
}

void CheckpointDecoder::takePatterns(std::vector<EvolutionState::Cells>& patterns,
                                     std::uint64_t count, int cellCount)
{
    if (failed || count > static_cast<std::uint64_t>(end - at) /
                              static_cast<std::uint64_t>(packedCellBytes(cellCount))) {
        failed = true;
        return;
    }
    patterns.resize(static_cast<std::size_t>(count));
    for (EvolutionState::Cells& cells : patterns)
        cells = takeCells(cellCount);
}

void CheckpointEncoder::putPopulationState(const EvolutionState& state, int cellCount)
{
    putUint32(static_cast<std::uint32_t>(state.currentOffset));
    putFloat(state.bestScore1);
    putFloat(state.bestScore2);
    putFloat(state.lastScoreSum1);
    putFloat(state.lastScoreSum2);
    putCells(state.bestPattern1, cellCount);
    putCells(state.bestPattern2, cellCount);
    for (const auto* population : {&state.population1, &state.population2})
        for (const EvolutionState::Cells& cells : *population)
            putCells(cells, cellCount);
}

void CheckpointDecoder::takePopulationState(EvolutionState& state, int cellCount,
                                            int populationSize)
{
    state.currentOffset = static_cast<int>(takeUint32());
    state.bestScore1 = takeFloat();
    state.bestScore2 = takeFloat();
    state.lastScoreSum1 = takeFloat();
    state.lastScoreSum2 = takeFloat();
    state.bestPattern1 = takeCells(cellCount);
    state.bestPattern2 = takeCells(cellCount);
    const std::uint64_t slotCount = 2 * static_cast<std::uint64_t>(populationSize);
    takePatterns(state.population1, slotCount, cellCount);
    takePatterns(state.population2, slotCount, cellCount);
}
