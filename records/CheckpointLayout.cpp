#include "records/CheckpointLayout.h"

#include "records/CheckpointCoding.h"
#include "records/Checksum.h"
#include "records/ConfigFile.h"
#include "records/ConfigKeys.h"
#include "records/RecordedVersion.h"
#include "records/RegularFileReader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace
{

// A slot's bytes before the random sources' text: the numbers, the best
// patterns, both populations' slots and the text's byte count.
qsizetype slotBytesBeforeText(PatternShape shape, int populationSlots)
{
    return 44 + static_cast<qsizetype>(packedBytesOf(shape)) * (2 + 2 * populationSlots) + 4;
}

// The two checksums that end a slot.
constexpr qsizetype slotChecksumsSize = 8;

qsizetype journalEntrySize(const ExperimentConfig& config, bool keepsHistory)
{
    return (config.hallOfFame > 0 ? 2 * packedBytesOf(config.match.pattern) : 0) +
           (keepsHistory ? 4 * 8 : 0);
}

// The header's fields written once are summed with the fixed part; those
// rewritten after every generation count as zeros.
std::uint32_t fixedPartChecksum(const char* data, qsizetype checksumAt)
{
    std::array<char, checkpointHeaderSize> header;
    std::memcpy(header.data(), data, header.size());
    std::memset(header.data() + 16, 0, 8);
    std::memset(header.data() + 32, 0, 16);
    const std::uint32_t headerChecksum = crc32Of(header.data(), checkpointHeaderSize);
    return crc32Continued(headerChecksum, data + checkpointHeaderSize,
                          checksumAt - checkpointHeaderSize);
}

// The largest numbers of any configuration: the pattern's shape, the
// members of a population.
PatternShape largestPattern()
{
    return {configKey(ConfigKeyId::PatternWidth).maximum,
            configKey(ConfigKeyId::PatternHeight).maximum};
}

int mostMembers()
{
    return configKey(ConfigKeyId::PopulationSize).maximum;
}

// Where the fixed part ends at most: the slot size, the configuration and
// the four paths, each text at its longest, and the checksum.
constexpr qint64 longestFixedPart =
    checkpointHeaderSize + 4 + 5 * (4 + static_cast<qint64>(longestCheckpointText)) + 4;

} // namespace

CheckpointLayout::CheckpointLayout(const Checkpoint& settings, qsizetype randomSourcesRoom)
    : seed(settings.seed), generationsAsked(settings.generationsAsked),
      shape(settings.config.match.pattern),
      populationSlots(2 * settings.config.populationSize), randomSourcesRoom(randomSourcesRoom),
      slotSize(slotBytesBeforeText(shape, populationSlots) + randomSourcesRoom +
               birthsBytes(settings.config.populationSize) + slotChecksumsSize),
      keepsHalls(settings.config.hallOfFame > 0), keepsHistory(!settings.plotPath.isEmpty()),
      entrySize(journalEntrySize(settings.config, keepsHistory))
{
    ByteEncoder encoder;
    encoder.putBytes(checkpointMagic, sizeof checkpointMagic);
    encoder.putUint32(checkpointFormatVersion);
    encoder.putUint32(0); // where the slots begin, known at the end
    encoder.putUint32(0);
    encoder.putUint32(0);
    encoder.putUint32(seed);
    encoder.putUint32(static_cast<std::uint32_t>(generationsAsked));
    encoder.putUint64(0);
    encoder.putUint64(0);
    encoder.putPaddedText(recordedProgramVersion(), checkpointVersionFieldSize);

    encoder.putUint32(static_cast<std::uint32_t>(slotSize));
    encoder.putText(experimentConfigToml(settings.config).toUtf8());
    for (QString RunOutputs::*path : runOutputPaths)
        encoder.putText((settings.*path).toUtf8());
    fixed = encoder.bytes;
    putUint32At(fixed.data() + 12, static_cast<std::uint32_t>(fixed.size() + 4));
    const std::uint32_t checksum = fixedPartChecksum(fixed.constData(), fixed.size());
    fixed.append(4, '\0');
    putUint32At(fixed.data() + fixed.size() - 4, checksum);
}

qsizetype CheckpointLayout::roomFor(const std::string& randomSources)
{
    // Each engine writes 624 numbers of at most ten digits, a space between
    // two, and a line end.
    const qsizetype longestEngineText = 624 * 11;
    return std::max<qsizetype>(2 * longestEngineText, static_cast<qsizetype>(randomSources.size()));
}

QByteArray CheckpointLayout::journalOf(const Checkpoint& checkpoint) const
{
    const EvolutionState& state = checkpoint.evolution;
    std::size_t entries = static_cast<std::size_t>(std::max(state.generationCount, 0));
    if (keepsHalls)
        entries = std::min({entries, state.hall1.size(), state.hall2.size()});
    if (keepsHistory)
        entries = std::min(entries, static_cast<std::size_t>(checkpoint.history.size()));
    QByteArray journal;
    journal.reserve(static_cast<qsizetype>(entries) * entrySize);
    const EvolutionState::Cells none;
    for (std::size_t k = 0; k < entries; ++k)
        appendEntry(journal, keepsHalls ? state.hall1[k] : none, keepsHalls ? state.hall2[k] : none,
                    keepsHistory ? checkpoint.history[static_cast<qsizetype>(k)]
                                 : GenerationRecord());
    return journal;
}

void CheckpointLayout::appendEntry(QByteArray& journal, const EvolutionState::Cells& champion1,
                                   const EvolutionState::Cells& champion2,
                                   const GenerationRecord& record) const
{
    ByteEncoder encoder;
    encoder.bytes.swap(journal);
    if (keepsHalls) {
        encoder.putCells(champion1, shape);
        encoder.putCells(champion2, shape);
    }
    if (keepsHistory)
        for (double value : {record.average1, record.average2, record.best1, record.best2})
            encoder.putDouble(value);
    encoder.bytes.swap(journal);
}

QByteArray CheckpointLayout::slot(const CheckpointProgress& progress,
                                  std::uint32_t journalChecksum) const
{
    const EvolutionState& state = progress.evolution;
    ByteEncoder encoder;
    encoder.bytes.reserve(slotSize);
    encoder.putUint32(static_cast<std::uint32_t>(state.generationCount));
    encoder.putUint32(static_cast<std::uint32_t>(state.generationsInRun));
    encoder.putUint64(static_cast<std::uint64_t>(progress.csvBytes));
    encoder.putUint64(static_cast<std::uint64_t>(progress.archiveBytes));
    putPopulationState(encoder, state, shape);
    encoder.putText(QByteArray::fromStdString(progress.randomSources));
    putBirths(encoder, state);
    QByteArray& bytes = encoder.bytes;
    encoder.putZeros(slotSize - slotChecksumsSize - bytes.size());
    encoder.putUint32(journalChecksum);
    encoder.putUint32(crc32Of(bytes.constData(), bytes.size()));
    return bytes;
}

QByteArray CheckpointLayout::progressFields(const CheckpointProgress& progress) const
{
    ByteEncoder encoder;
    encoder.putUint32(static_cast<std::uint32_t>(progress.evolution.generationCount));
    encoder.putUint32(static_cast<std::uint32_t>(progress.evolution.generationsInRun));
    encoder.putUint32(seed);
    encoder.putUint32(static_cast<std::uint32_t>(generationsAsked));
    encoder.putUint64(static_cast<std::uint64_t>(progress.csvBytes));
    encoder.putUint64(static_cast<std::uint64_t>(progress.archiveBytes));
    return encoder.bytes;
}

QByteArray CheckpointLayout::wholeFile(const CheckpointProgress& progress,
                                       const QByteArray& journal) const
{
    QByteArray bytes = fixed;
    const QByteArray fields = progressFields(progress);
    bytes.replace(progressFieldsOffset, fields.size(), fields);
    const QByteArray held = slot(progress, crc32Of(journal.constData(), journal.size()));
    const QByteArray empty(slotSize, '\0');
    const bool inSlot1 = progress.evolution.generationCount % 2 == 1;
    bytes.append(inSlot1 ? empty : held);
    bytes.append(inSlot1 ? held : empty);
    bytes.append(journal);
    return bytes;
}

namespace
{

// The state slot `at` holds, its journal found sound; fails when the slot's
// parts do not fill it.
std::optional<Checkpoint> decodeSlot(const QByteArray& bytes, qsizetype at, qsizetype size,
                                     const ExperimentConfig& config)
{
    Checkpoint checkpoint;
    EvolutionState& state = checkpoint.evolution;
    ByteDecoder decoder(bytes, at, at + size - slotChecksumsSize);
    state.generationCount = static_cast<int>(decoder.takeUint32());
    state.generationsInRun = static_cast<int>(decoder.takeUint32());
    checkpoint.csvBytes = static_cast<qint64>(decoder.takeUint64());
    checkpoint.archiveBytes = static_cast<qint64>(decoder.takeUint64());
    takePopulationState(decoder, state, config.match.pattern, config.populationSize);
    checkpoint.randomSources = decoder.takeText(longestCheckpointText).toStdString();
    if (!decoder.ok())
        return std::nullopt;
    // An earlier program's slot may end before the births' room.
    ByteDecoder births(bytes, at + size - slotChecksumsSize - decoder.remaining(),
                       at + size - slotChecksumsSize);
    takeBirths(births, state, config.populationSize);
    return checkpoint;
}

// The halls and the history of a journal whose checksum holds.
void decodeJournal(const QByteArray& bytes, qsizetype at, qsizetype entrySize,
                   Checkpoint& checkpoint)
{
    EvolutionState& state = checkpoint.evolution;
    const PatternShape shape = checkpoint.config.match.pattern;
    const int generations = state.generationCount;
    ByteDecoder decoder(bytes, at, at + entrySize * generations);
    for (int k = 0; entrySize > 0 && k < generations; ++k) {
        if (checkpoint.config.hallOfFame > 0) {
            state.hall1.push_back(decoder.takeCells(shape));
            state.hall2.push_back(decoder.takeCells(shape));
        }
        if (!checkpoint.plotPath.isEmpty()) {
            GenerationRecord record;
            record.generation = k + 1;
            record.average1 = decoder.takeDouble();
            record.average2 = decoder.takeDouble();
            record.best1 = decoder.takeDouble();
            record.best2 = decoder.takeDouble();
            checkpoint.history.append(record);
        }
    }
}

// The settings the fixed part holds, before `slotsBegin`, its checksum found
// sound, and the slots' size; fails when its parts do not fill it or its
// configuration does not read.
std::optional<Checkpoint> decodeFixedPart(const QByteArray& bytes, qint64 slotsBegin,
                                          qint64& slotSize, QString& error)
{
    ByteDecoder fixedPart(bytes, checkpointHeaderSize, slotsBegin - 4);
    slotSize = fixedPart.takeUint32();
    const QByteArray toml = fixedPart.takeText(longestCheckpointText);
    Checkpoint settings;
    for (QString RunOutputs::*path : runOutputPaths)
        settings.*path = QString::fromUtf8(fixedPart.takeText(longestCheckpointText));
    if (!fixedPart.ok() || !fixedPart.atEnd()) {
        error = QStringLiteral("corrupted: its parts do not fill it");
        return std::nullopt;
    }
    const ConfigRead read =
        parseExperimentConfigToml(QString::fromUtf8(toml), QStringLiteral("its configuration"));
    if (!read.ok()) {
        error = QStringLiteral("corrupted: %1").arg(read.error);
        return std::nullopt;
    }
    settings.config = read.config;
    settings.seed = uint32At(bytes.constData() + 24);
    settings.generationsAsked = static_cast<int>(uint32At(bytes.constData() + 28));
    return settings;
}

struct SoundSlot {
    qsizetype at;
    int generation;
};

// The slots whose checksum holds, the later generation first; each holds
// generations of its own parity.
QVector<SoundSlot> soundSlotsOf(const char* data, qint64 slotsBegin, qint64 slotSize)
{
    QVector<SoundSlot> sound;
    for (int index = 0; index < 2; ++index) {
        const qsizetype at = slotsBegin + index * slotSize;
        const std::uint32_t generation = uint32At(data + at);
        if (generation != 0 && generation % 2 == static_cast<std::uint32_t>(index) &&
            generation <= static_cast<std::uint32_t>(std::numeric_limits<int>::max()) &&
            uint32At(data + at + slotSize - 4) == crc32Of(data + at, slotSize - 4))
            sound.append({at, static_cast<int>(generation)});
    }
    if (sound.size() == 2 && sound[0].generation < sound[1].generation)
        std::swap(sound[0], sound[1]);
    return sound;
}

} // namespace

std::optional<Checkpoint> decodeJournaledCheckpoint(const QByteArray& bytes, QString& error,
                                                    std::optional<Checkpoint>* earlier)
{
    const char* data = bytes.constData();
    auto fail = [&error](const QString& problem) {
        error = problem;
        return std::nullopt;
    };
    // The fixed part: at least the slot size, four paths' counts and the
    // configuration's, and the checksum.
    const qint64 slotsBegin = uint32At(data + 12);
    if (slotsBegin < checkpointHeaderSize + 4 + 5 * 4 + 4 || slotsBegin > longestFixedPart)
        return fail(QStringLiteral("corrupted: its fixed part ends at byte %1").arg(slotsBegin));
    if (bytes.size() < slotsBegin)
        return fail(QStringLiteral("truncated: %1 bytes, shorter than its fixed part of %2")
                        .arg(bytes.size())
                        .arg(slotsBegin));
    if (uint32At(data + slotsBegin - 4) != fixedPartChecksum(data, slotsBegin - 4))
        return fail(QStringLiteral("corrupted (checksum mismatch)"));
    if (const QString problem = checkpointProgramProblem(data); !problem.isEmpty())
        return fail(problem);

    qint64 slotSize = 0;
    const std::optional<Checkpoint> fixedPart = decodeFixedPart(bytes, slotsBegin, slotSize, error);
    if (!fixedPart)
        return std::nullopt;
    const Checkpoint& settings = *fixedPart;

    const qsizetype textBegins =
        slotBytesBeforeText(settings.config.match.pattern, 2 * settings.config.populationSize);
    const qint64 room = slotSize - textBegins - slotChecksumsSize;
    if (room < 0 || room > longestCheckpointText)
        return fail(QStringLiteral("corrupted: slots of %1 bytes").arg(slotSize));
    const qint64 journalBegins = slotsBegin + 2 * slotSize;
    if (bytes.size() < journalBegins)
        return fail(QStringLiteral("truncated: %1 of at least %2 bytes")
                        .arg(bytes.size())
                        .arg(journalBegins));

    const QVector<SoundSlot> sound = soundSlotsOf(data, slotsBegin, slotSize);
    if (sound.isEmpty())
        return fail(QStringLiteral("corrupted (checksum mismatch in both slots)"));

    const qsizetype entrySize = journalEntrySize(settings.config, !settings.plotPath.isEmpty());
    QString problem;
    std::optional<Checkpoint> later;
    for (const SoundSlot& slot : sound) {
        const qint64 journalEnds = journalBegins + entrySize * static_cast<qint64>(slot.generation);
        if (bytes.size() < journalEnds) {
            if (problem.isEmpty())
                problem =
                    QStringLiteral("truncated: %1 of %2 bytes").arg(bytes.size()).arg(journalEnds);
            continue;
        }
        if (uint32At(data + slot.at + slotSize - 8) !=
            crc32Of(data + journalBegins, journalEnds - journalBegins)) {
            if (problem.isEmpty())
                problem = QStringLiteral("corrupted (checksum mismatch in its journal)");
            continue;
        }
        std::optional<Checkpoint> checkpoint =
            decodeSlot(bytes, slot.at, slotSize, settings.config);
        if (!checkpoint && later)
            break;
        if (!checkpoint)
            return fail(QStringLiteral("corrupted: its parts do not fill it"));
        static_cast<RunOutputs&>(*checkpoint) = settings;
        checkpoint->config = settings.config;
        checkpoint->seed = settings.seed;
        checkpoint->generationsAsked = settings.generationsAsked;
        decodeJournal(bytes, journalBegins, entrySize, *checkpoint);
        if (later) {
            *earlier = std::move(checkpoint);
            break;
        }
        later = std::move(checkpoint);
        if (!earlier)
            break;
    }
    if (!later)
        return fail(problem);
    return later;
}

qint64 journaledCheckpointReach(RegularFileReader& file)
{
    const auto fileUint32At = [&file](qint64 at) -> std::optional<std::uint32_t> {
        const QByteArray bytes = file.read(at, 4);
        if (bytes.size() < 4)
            return std::nullopt;
        return uint32At(bytes.constData());
    };
    const qint64 slotsBegin = fileUint32At(12).value_or(0);
    if (slotsBegin > longestFixedPart)
        return checkpointHeaderSize;
    const qint64 longestSlot = slotBytesBeforeText(largestPattern(), 2 * mostMembers()) +
                               longestCheckpointText + slotChecksumsSize;
    const qint64 slotSize = fileUint32At(checkpointHeaderSize).value_or(0);
    if (slotSize > longestSlot)
        return slotsBegin;
    // A slot's generation past the largest int is not one its decoding
    // takes; the longest entry keeps halls of the largest patterns and a plot.
    std::uint32_t generation = 0;
    for (int index = 0; index < 2; ++index) {
        const std::uint32_t held = fileUint32At(slotsBegin + index * slotSize).value_or(0);
        if (held <= static_cast<std::uint32_t>(std::numeric_limits<int>::max()))
            generation = std::max(generation, held);
    }
    const qint64 longestEntry = 2 * packedBytesOf(largestPattern()) + 4 * 8;
    return slotsBegin + 2 * slotSize + longestEntry * generation;
}
