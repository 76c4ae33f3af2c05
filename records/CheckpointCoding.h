#pragma once

#include "evolution/EvolutionState.h"
#include "records/FloatBits.h"

#include <QByteArray>
#include <QString>
#include <QtEndian>

#include <cstdint>
#include <vector>

// The pieces every checkpoint format is made of, numbers little-endian,
// floats as their IEEE-754 bits; shared by the readers and writers of
// records/ only.

// Far above any real path or engine state; keeps a hostile count harmless.
constexpr std::uint32_t longestCheckpointText = 1u << 20;
constexpr int checkpointVersionFieldSize = 16;

// A pattern of `cells` cells packs eight cells to a byte, cell k at bit k % 8
// of byte k / 8: for 8 x 6 the archive's six bytes. Written here rather than
// with PackedPattern, which holds 48 cells only.
inline int packedCellBytes(int cells)
{
    return (cells + 7) / 8;
}

// This program's version as the header's field holds it.
QByteArray checkpointProgramVersion();
// Empty when the header `data` names this program's version, otherwise the
// problem: another version may play other numbers.
QString checkpointProgramProblem(const char* data);

// Appends to `bytes`.
class CheckpointEncoder
{
public:
    void putUint32(std::uint32_t value)
    {
        char at[4];
        qToLittleEndian(value, at);
        bytes.append(at, 4);
    }
    void putUint64(std::uint64_t value)
    {
        char at[8];
        qToLittleEndian(value, at);
        bytes.append(at, 8);
    }
    void putFloat(float value) { putUint32(bitCast<std::uint32_t>(value)); }
    void putDouble(double value) { putUint64(bitCast<std::uint64_t>(value)); }
    void putText(const QByteArray& text)
    {
        putUint32(static_cast<std::uint32_t>(text.size()));
        bytes.append(text);
    }
    void putCells(const EvolutionState::Cells& cells, int cellCount);
    // What every format holds of the populations, in this order: the current
    // offset, best scores, last score sums, best patterns, both populations.
    void putPopulationState(const EvolutionState& state, int cellCount);

    QByteArray bytes;
};

// Reads forward through a checked part of `bytes`, from `at` up to `end`;
// every read fails once one has.
class CheckpointDecoder
{
public:
    CheckpointDecoder(const QByteArray& bytes, qsizetype at, qsizetype end)
        : bytes(bytes), at(at), end(end)
    {
    }

    bool ok() const { return !failed; }
    bool atEnd() const { return at == end; }
    std::uint32_t takeUint32()
    {
        const char* data = take(4);
        return data ? qFromLittleEndian<std::uint32_t>(data) : 0;
    }
    std::uint64_t takeUint64()
    {
        const char* data = take(8);
        return data ? qFromLittleEndian<std::uint64_t>(data) : 0;
    }
    float takeFloat() { return bitCast<float>(takeUint32()); }
    double takeDouble() { return bitCast<double>(takeUint64()); }
    QByteArray takeText();
    EvolutionState::Cells takeCells(int cellCount);
    // `count` patterns into `patterns`; a count the rest of the part cannot
    // hold fails before anything is allocated for it.
    void takePatterns(std::vector<EvolutionState::Cells>& patterns, std::uint64_t count,
                      int cellCount);
    // What putPopulationState wrote, for populations of `populationSize`.
    void takePopulationState(EvolutionState& state, int cellCount, int populationSize);

private:
    const char* take(qsizetype size)
    {
        if (failed || size > end - at) {
            failed = true;
            return nullptr;
        }
        const char* data = bytes.constData() + at;
        at += size;
        return data;
    }

    const QByteArray& bytes;
    qsizetype at;
    const qsizetype end;
    bool failed = false;
};
