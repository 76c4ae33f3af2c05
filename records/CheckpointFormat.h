#pragma once

#include "records/Checkpoint.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// A batch run's checkpoint, numbers little-endian, floats as their IEEE-754
// bits. This program writes version 3, which it keeps up to date in place:
// what grows with the run (the halls of fame, the plot's history) is only
// ever appended, what does not is rewritten in one of two slots. It still
// reads what earlier programs wrote: version 1 for the default experiment,
// version 2 for any other, both rewritten whole after every generation.
//
// A pattern of W x H cells takes ceil(W*H/8) bytes, cell (x, y) at bit
// k = x + W*y, bit k%8 of byte k/8 (for 8 x 6, as in the archive).
//
// header, 64 bytes, every version
//   0  8  magic "COEVOCKP"
//   8  4  format version (uint32)
//  12  4  versions 1 and 2: size of the whole file in bytes (uint32);
//         version 3: size of the header and the fixed part, where the slots
//         begin
//  16  4  generation it holds, the last one printed (uint32)
//  20  4  generations done in the run of 100 in progress, 1 to 100
//  24  4  seed
//  28  4  generations asked for
//  32  8  bytes the CSV log holds (uint64; 0 without one)
//  40  8  bytes the archive holds
//  48 16  program version, ASCII, padded with NUL bytes
//
// version 3, after the header
//   fixed part, written once
//     64  4  slot size S (uint32)
//     68     the configuration: a uint32 byte count and that many bytes of
//            UTF-8, every key in TOML; it gives N, the population size, and
//            the W x H patterns of P bytes each
//            the paths of the CSV log, the plot, the export folder and the
//            archive, each a uint32 byte count and that many bytes of UTF-8:
//            relative to the checkpoint's folder for an output in it or below
//            it, absolute otherwise; empty if off
//            the CRC-32 of the header, its bytes 16 to 23 and 32 to 47 taken
//            as zeros, and of the fixed part before it (uint32)
//   two slots of S bytes, slot 0 then slot 1; generation g is kept in slot
//   g % 2, the other slot holding g - 1 or nothing (all zeros)
//      0  4  generation it holds; 0 in a slot never written
//      4  4  generations done in the run of 100 in progress
//      8  8  bytes the CSV log holds
//     16  8  bytes the archive holds
//     24  4  current offset (uint32), 0 or N
//     28 16  best scores 1 and 2, last score sums 1 and 2 (floats)
//     44     best patterns 1 and 2, then population 1's and population 2's
//            2N slots, P bytes each
//            the random sources: a uint32 byte count and their state as ASCII
//            text
//            the births of the current members: a uint32 1, then for
//            population 1 and then population 2 each member's operator
//            (uint8: 0 mutation, 1 crossover, 2 copy), parent and mate (uint32,
//            0xffffffff for none) and crossover rectangle x0, x1, y0, y1
//            (uint16 each); or a uint32 0 without births (also what an
//            earlier program's zeros read as)
//            then NUL bytes up to S - 8
//    S-8  4  CRC-32 of the journal's first generation x E bytes
//    S-4  4  CRC-32 of the slot's bytes before it
//   the journal, from byte 12's value + 2S: an entry of E bytes per
//   generation, generation g's at (g - 1) x E, each
//      when a hall of fame is played: that generation's champions of
//        populations 1 and 2, which join halls 1 and 2 (P bytes each)
//      when a plot is asked for: the generation's two averages and two best
//        scores (IEEE-754 doubles), the history the plot draws
//   (E is 0 when neither is.) Bytes past the journal the newest sound slot
//   counts are ignored.
//   After each generation the writer appends its entry, rewrites its slot,
//   then the header's bytes 16 to 47; so the slot of the generation before,
//   and all it counts, stay sound until the new slot is whole. The reader
//   takes the slot holding the later generation among those whose checksum
//   holds and whose journal is there with its checksum; the header's bytes
//   16 to 47 are for scripts only (they lag one generation behind in a run
//   killed between the slot's write and theirs).
//
// versions 1 and 2, after the header
//   version 2 only: the configuration, as in version 3
//   the paths of the outputs as in version 3, always absolute
//   current offset (uint32), best scores 1 and 2, last score sums 1 and 2
//   best patterns 1 and 2, then population 1's and population 2's 2N slots
//     (version 1: the default experiment's 8 x 6 patterns and 2 x 100 slots)
//   version 2 only: the sizes of halls 1 and 2 (uint32 each), then hall 1's
//     patterns and hall 2's, each population's champion of every generation
//   the random sources: a uint32 byte count and their state as ASCII text
//   the history for the plot: a uint32 count, then per generation its two
//     averages and two best scores as IEEE-754 doubles (count 0 without a plot)
//   then the CRC-32 of every byte before it (uint32).
constexpr char checkpointMagic[8] = {'C', 'O', 'E', 'V', 'O', 'C', 'K', 'P'};
// The version this program writes, and those it still reads.
constexpr std::uint32_t checkpointFormatVersion = 3;
constexpr std::uint32_t firstCheckpointFormatVersion = 1;
constexpr std::uint32_t configuredCheckpointFormatVersion = 2;
constexpr int checkpointHeaderSize = 64;

// The whole checkpoint in version 3, with the output paths as they are
// given. Written with this program's version, which decoding insists on:
// another version may not play the same numbers.
QByteArray encodeCheckpoint(const Checkpoint& checkpoint);
// Any version; the output paths as stored. The problem comes back in
// `error` (without the file's name). Of version 3, the generation before
// goes to `earlier` when its slot is sound too.
std::optional<Checkpoint> decodeCheckpoint(const QByteArray& bytes, QString& error,
                                           std::optional<Checkpoint>* earlier = nullptr);

struct CheckpointRead {
    // Its output paths absolute: relative ones resolved against the folder
    // the checkpoint is in.
    Checkpoint checkpoint;
    // The generation before, kept in the other slot, when it is sound: what
    // a resume goes on from when the log or the archive lost what the later
    // one counts.
    std::optional<Checkpoint> earlier;
    // Empty when sound; otherwise one line naming the file and the problem.
    QString error;
};
CheckpointRead readCheckpoint(const QString& path);
