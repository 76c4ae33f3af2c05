#pragma once

#include "records/CheckpointFormat.h"

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <string>

// Where a run stands after a generation, as a version 3 checkpoint's slot
// keeps it: a view of values the caller holds.
struct CheckpointProgress {
    // Its halls are not read: they are in the journal.
    const EvolutionState& evolution;
    const std::string& randomSources;
    qint64 csvBytes = 0;
    qint64 archiveBytes = 0;
};

// The parts of a version 3 checkpoint (CheckpointFormat.h has them byte by
// byte) and where each lies, for a writer that adds generation after
// generation in place.
class CheckpointLayout
{
public:
    // For the run `settings` describes, with room in each slot for random
    // sources' texts of `randomSourcesRoom` bytes.
    CheckpointLayout(const Checkpoint& settings, qsizetype randomSourcesRoom);
    // The room a slot gets for `randomSources`: the longest text the two
    // engines write, or more for a longer one.
    static qsizetype roomFor(const std::string& randomSources);

    bool holds(const std::string& randomSources) const
    {
        return static_cast<qsizetype>(randomSources.size()) <= randomSourcesRoom;
    }
    qint64 slotOffset(int generation) const { return fixed.size() + (generation % 2) * slotSize; }
    // Where the entry of `generation` begins; the journal's end once the
    // generation before is in.
    qint64 entryOffset(int generation) const
    {
        return fixed.size() + 2 * slotSize + static_cast<qint64>(generation - 1) * entrySize;
    }

    // The entries of every generation `checkpoint` holds, from its halls and
    // history; as far as both reach, so that shorter ones give a journal the
    // readers refuse.
    QByteArray journalOf(const Checkpoint& checkpoint) const;
    // Appends the entry of a generation to `journal`: its champions, for the
    // halls of fame, and its record, for the plot; either is left out when
    // the run does not keep it.
    void appendEntry(QByteArray& journal, const EvolutionState::Cells& champion1,
                     const EvolutionState::Cells& champion2, const GenerationRecord& record) const;
    // The slot for `progress`, whose generation's journal has the CRC-32
    // `journalChecksum`.
    QByteArray slot(const CheckpointProgress& progress, std::uint32_t journalChecksum) const;
    // The header's bytes 16 to 47 for `progress`, written at
    // progressFieldsOffset after its slot.
    QByteArray progressFields(const CheckpointProgress& progress) const;
    static constexpr qint64 progressFieldsOffset = 16;
    // The whole file: `journal` holds an entry for each generation.
    QByteArray wholeFile(const CheckpointProgress& progress, const QByteArray& journal) const;

private:
    std::uint32_t seed;
    int generationsAsked;
    PatternShape shape;
    int populationSlots;
    qsizetype randomSourcesRoom;
    qsizetype slotSize;
    bool keepsHalls;
    bool keepsHistory;
    qsizetype entrySize;
    // The header, its progress fields 0, and the fixed part.
    QByteArray fixed;
};

class RegularFileReader;

// How many of the first bytes of `file`, a version 3 checkpoint, its
// decoding reads at most: the fixed part, the two slots and the journal as
// far as the later slot counts, each by the numbers the file gives, none
// taken past the largest the format allows (the decoding refuses those).
qint64 journaledCheckpointReach(RegularFileReader& file);

// Decodes a version 3 file whose header's magic and version are checked.
// The generation before, from the other slot, goes to `earlier` when that
// slot and its journal are sound as well.
std::optional<Checkpoint> decodeJournaledCheckpoint(const QByteArray& bytes, QString& error,
                                                    std::optional<Checkpoint>* earlier = nullptr);
