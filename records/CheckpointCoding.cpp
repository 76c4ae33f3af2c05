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

namespace
{

constexpr qsizetype bytesPerBirth = 1 + 4 + 4 + 4 * 2;

} // namespace

qsizetype birthsBytes(int populationSize)
{
    return 4 + 2 * static_cast<qsizetype>(populationSize) * bytesPerBirth;
}

void putBirths(ByteEncoder& encoder, const EvolutionState& state)
{
    const bool recorded = !state.births1.empty() && state.births1.size() == state.births2.size();
    encoder.putUint32(recorded ? 1 : 0);
    if (!recorded)
        return;
    for (const Births* births : {&state.births1, &state.births2})
        for (const Birth& birth : *births) {
            encoder.putUint8(static_cast<std::uint8_t>(birth.breedingOperator));
            encoder.putUint32(static_cast<std::uint32_t>(birth.parent));
            encoder.putUint32(static_cast<std::uint32_t>(birth.mate));
            const CrossoverRectangle& r = birth.rectangle;
            for (const int corner : {r.x0, r.x1, r.y0, r.y1}) {
                encoder.putUint8(static_cast<std::uint8_t>(corner & 0xff));
                encoder.putUint8(static_cast<std::uint8_t>((corner >> 8) & 0xff));
            }
        }
}

void takeBirths(ByteDecoder& decoder, EvolutionState& state, int populationSize)
{
    state.births1.clear();
    state.births2.clear();
    if (decoder.takeUint32() != 1 ||
        decoder.remaining() < birthsBytes(populationSize) - 4)
        return;
    for (Births* births : {&state.births1, &state.births2}) {
        births->resize(static_cast<std::size_t>(populationSize));
        for (Birth& birth : *births) {
            birth.breedingOperator = static_cast<BreedingOperator>(decoder.takeUint8());
            birth.parent = static_cast<int>(decoder.takeUint32());
            birth.mate = static_cast<int>(decoder.takeUint32());
            int corners[4];
            for (int& corner : corners) {
                corner = decoder.takeUint8();
                corner |= decoder.takeUint8() << 8;
            }
            birth.rectangle = {corners[0], corners[1], corners[2], corners[3]};
        }
    }
}
