#include "records/CheckpointFormat.h"

#include "evolution/Evolution.h"
#include "random/RandomSources.h"
#include "records/CheckpointCoding.h"
#include "records/CheckpointLayout.h"
#include "records/Checksum.h"
#include "records/ConfigFile.h"
#include "records/QuotedText.h"
#include "version/ProgramVersion.h"
#include "records/RegularFileReader.h"

#include <QFileInfo>

#include <cstring>
#include <new>

namespace
{

// Sound checksums over unsound numbers come from a writer with a fault.
bool numbersInRange(const Checkpoint& checkpoint)
{
    const EvolutionState& state = checkpoint.evolution;
    const ExperimentConfig& config = checkpoint.config;
    const auto generations = static_cast<std::size_t>(state.generationCount);
    return state.generationCount >= 1 && state.generationsInRun >= 1 &&
           state.generationsInRun <= Evolution::generationsPerRun &&
           (state.currentOffset == 0 || state.currentOffset == config.populationSize) &&
           state.hall1.size() == state.hall2.size() &&
           state.hall1.size() == (config.hallOfFame > 0 ? generations : 0) &&
           checkpoint.generationsAsked >= 1 && checkpoint.csvBytes >= 0 &&
           checkpoint.archiveBytes >= 0 && isRandomSourcesState(checkpoint.randomSources);
}

// A version 1 or 2 checkpoint longer than its header says.
QString sizeDisagrees(qint64 size, std::uint32_t declaredSize)
{
    return QStringLiteral("corrupted: %1 bytes where the header says %2")
        .arg(size)
        .arg(declaredSize);
}

// How many of the file's first bytes the decoding of the checkpoint reads at
// most, by its header's numbers; empty, with the problem in `error`, for a
// file that is longer than a version 1 or 2 header says.
std::optional<qint64> checkpointReach(RegularFileReader& file, QString& error)
{
    const QByteArray head = file.read(0, checkpointHeaderSize);
    if (head.size() < checkpointHeaderSize ||
        std::memcmp(head.constData(), checkpointMagic, sizeof checkpointMagic) != 0)
        return head.size();
    const std::uint32_t formatVersion = uint32At(head.constData() + 8);
    if (formatVersion == checkpointFormatVersion)
        return journaledCheckpointReach(file);
    if (formatVersion != firstCheckpointFormatVersion &&
        formatVersion != configuredCheckpointFormatVersion)
        return head.size();
    const std::uint32_t declaredSize = uint32At(head.constData() + 12);
    if (file.size() > declaredSize) {
        error = sizeDisagrees(file.size(), declaredSize);
        return std::nullopt;
    }
    return declaredSize;
}

} // namespace

QByteArray checkpointProgramVersion()
{
    QByteArray version = QByteArrayLiteral(COEVOLIFE_VERSION).left(checkpointVersionFieldSize);
    version.append(QByteArray(checkpointVersionFieldSize - version.size(), '\0'));
    return version;
}

QString checkpointProgramProblem(const char* data)
{
    const QByteArray version = QByteArray(
        data + 48, static_cast<qsizetype>(qstrnlen(data + 48, checkpointVersionFieldSize)));
    const QByteArray thisVersion = QByteArrayLiteral(COEVOLIFE_VERSION);
    if (version == thisVersion.left(checkpointVersionFieldSize))
        return {};
    return QStringLiteral("written by Coevolife %1, but this is %2; another version "
                          "may play other numbers")
        .arg(quotedText(version), QString::fromLatin1(thisVersion));
}

QByteArray encodeCheckpoint(const Checkpoint& checkpoint)
{
    const CheckpointLayout layout(checkpoint, CheckpointLayout::roomFor(checkpoint.randomSources));
    return layout.wholeFile({checkpoint.evolution, checkpoint.randomSources, checkpoint.csvBytes,
                             checkpoint.archiveBytes},
                            layout.journalOf(checkpoint));
}

QByteArray encodeFormerCheckpoint(const Checkpoint& checkpoint)
{
    const EvolutionState& state = checkpoint.evolution;
    const std::uint32_t formatVersion = configuredFormatVersion(checkpoint.config);
    const bool configured = formatVersion == configuredCheckpointFormatVersion;
    const PatternShape shape = checkpoint.config.match.pattern;
    ByteEncoder encoder;
    encoder.putBytes(checkpointMagic, sizeof checkpointMagic);
    encoder.putUint32(formatVersion);
    encoder.putUint32(0); // the size, known at the end
    encoder.putUint32(static_cast<std::uint32_t>(state.generationCount));
    encoder.putUint32(static_cast<std::uint32_t>(state.generationsInRun));
    encoder.putUint32(checkpoint.seed);
    encoder.putUint32(static_cast<std::uint32_t>(checkpoint.generationsAsked));
    encoder.putUint64(static_cast<std::uint64_t>(checkpoint.csvBytes));
    encoder.putUint64(static_cast<std::uint64_t>(checkpoint.archiveBytes));
    encoder.putPaddedText(checkpointProgramVersion(), checkpointVersionFieldSize);

    if (configured)
        encoder.putText(experimentConfigToml(checkpoint.config).toUtf8());
    for (QString RunOutputs::*path : runOutputPaths)
        encoder.putText((checkpoint.*path).toUtf8());
    putPopulationState(encoder, state, shape);
    if (configured) {
        encoder.putUint32(static_cast<std::uint32_t>(state.hall1.size()));
        encoder.putUint32(static_cast<std::uint32_t>(state.hall2.size()));
        for (const auto* hall : {&state.hall1, &state.hall2})
            for (const EvolutionState::Cells& cells : *hall)
                encoder.putCells(cells, shape);
    }
    encoder.putText(QByteArray::fromStdString(checkpoint.randomSources));
    encoder.putUint32(static_cast<std::uint32_t>(checkpoint.history.size()));
    for (const GenerationRecord& record : checkpoint.history)
        for (double value : {record.average1, record.average2, record.best1, record.best2})
            encoder.putDouble(value);

    QByteArray& bytes = encoder.bytes;
    putUint32At(bytes.data() + 12, static_cast<std::uint32_t>(bytes.size() + 4));
    encoder.putUint32(crc32Of(bytes.constData(), bytes.size()));
    return bytes;
}

namespace
{

// Versions 1 and 2, whose header's magic and version are checked.
std::optional<Checkpoint> decodeFormerCheckpoint(const QByteArray& bytes, QString& error)
{
    const char* data = bytes.constData();
    auto fail = [&error](const QString& problem) {
        error = problem;
        return std::nullopt;
    };
    const bool configured = uint32At(data + 8) == configuredCheckpointFormatVersion;
    const std::uint32_t declaredSize = uint32At(data + 12);
    if (static_cast<std::uint64_t>(bytes.size()) < declaredSize)
        return fail(
            QStringLiteral("truncated: %1 of %2 bytes").arg(bytes.size()).arg(declaredSize));
    if (static_cast<std::uint64_t>(bytes.size()) != declaredSize)
        return fail(sizeDisagrees(bytes.size(), declaredSize));
    const qsizetype body = bytes.size() - 4;
    if (uint32At(data + body) != crc32Of(data, body))
        return fail(QStringLiteral("corrupted (checksum mismatch)"));
    if (const QString problem = checkpointProgramProblem(data); !problem.isEmpty())
        return fail(problem);

    Checkpoint checkpoint;
    EvolutionState& state = checkpoint.evolution;
    ByteDecoder header(bytes, 16, 48);
    state.generationCount = static_cast<int>(header.takeUint32());
    state.generationsInRun = static_cast<int>(header.takeUint32());
    checkpoint.seed = header.takeUint32();
    checkpoint.generationsAsked = static_cast<int>(header.takeUint32());
    checkpoint.csvBytes = static_cast<qint64>(header.takeUint64());
    checkpoint.archiveBytes = static_cast<qint64>(header.takeUint64());

    ByteDecoder decoder(bytes, checkpointHeaderSize, body);
    if (configured) {
        const QByteArray toml = decoder.takeText(longestCheckpointText);
        if (!decoder.ok())
            return fail(QStringLiteral("corrupted: its parts do not fill it"));
        const ConfigRead read =
            parseExperimentConfigToml(QString::fromUtf8(toml), QStringLiteral("its configuration"));
        if (!read.ok())
            return fail(QStringLiteral("corrupted: %1").arg(read.error));
        checkpoint.config = read.config;
    }
    const ExperimentConfig& config = checkpoint.config;
    const PatternShape shape = config.match.pattern;
    for (QString RunOutputs::*path : runOutputPaths)
        checkpoint.*path = QString::fromUtf8(decoder.takeText(longestCheckpointText));
    takePopulationState(decoder, state, shape, config.populationSize);
    if (configured) {
        const std::uint32_t hallSize1 = decoder.takeUint32();
        const std::uint32_t hallSize2 = decoder.takeUint32();
        decoder.takeCellPatterns(state.hall1, hallSize1, shape);
        decoder.takeCellPatterns(state.hall2, hallSize2, shape);
    }
    checkpoint.randomSources = decoder.takeText(longestCheckpointText).toStdString();
    // Written for every generation when a plot is asked for, for none
    // otherwise.
    const std::uint32_t historySize = decoder.takeUint32();
    if (decoder.ok() && historySize != (checkpoint.plotPath.isEmpty()
                                            ? 0u
                                            : static_cast<std::uint32_t>(state.generationCount)))
        return fail(QStringLiteral("corrupted: a history of %1 generations").arg(historySize));
    for (std::uint32_t k = 0; decoder.ok() && k < historySize; ++k) {
        GenerationRecord record;
        record.generation = static_cast<int>(k) + 1;
        record.average1 = decoder.takeDouble();
        record.average2 = decoder.takeDouble();
        record.best1 = decoder.takeDouble();
        record.best2 = decoder.takeDouble();
        checkpoint.history.append(record);
    }
    if (!decoder.ok() || !decoder.atEnd())
        return fail(QStringLiteral("corrupted: its parts do not fill it"));
    return checkpoint;
}

} // namespace

std::optional<Checkpoint> decodeCheckpoint(const QByteArray& bytes, QString& error,
                                           std::optional<Checkpoint>* earlier)
{
    const char* data = bytes.constData();
    auto fail = [&error](const QString& problem) {
        error = problem;
        return std::nullopt;
    };
    if (bytes.size() < static_cast<qsizetype>(sizeof checkpointMagic) ||
        std::memcmp(data, checkpointMagic, sizeof checkpointMagic) != 0)
        return fail(QStringLiteral("not a Coevolife checkpoint"));
    if (bytes.size() < checkpointHeaderSize)
        return fail(
            QStringLiteral("truncated: %1 bytes, shorter than the header").arg(bytes.size()));
    // The version is read before anything whose place another version may
    // have moved.
    const std::uint32_t formatVersion = uint32At(data + 8);
    std::optional<Checkpoint> checkpoint;
    if (formatVersion == checkpointFormatVersion)
        checkpoint = decodeJournaledCheckpoint(bytes, error, earlier);
    else if (formatVersion == firstCheckpointFormatVersion ||
             formatVersion == configuredCheckpointFormatVersion)
        checkpoint = decodeFormerCheckpoint(bytes, error);
    else
        return fail(QStringLiteral("format version %1, but this program reads versions %2 to %3")
                        .arg(formatVersion)
                        .arg(firstCheckpointFormatVersion)
                        .arg(checkpointFormatVersion));
    if (checkpoint && !numbersInRange(*checkpoint))
        return fail(QStringLiteral("corrupted: numbers out of range"));
    if (earlier && *earlier && !numbersInRange(**earlier))
        earlier->reset();
    return checkpoint;
}

CheckpointRead readCheckpoint(const QString& path)
{
    CheckpointRead read;
    RegularFileReader file(path);
    QString problem;
    const std::optional<qint64> reach = checkpointReach(file, problem);
    const QByteArray bytes = reach ? file.read(0, *reach) : QByteArray();
    if (!file.problem().isEmpty()) {
        read.error = QStringLiteral("%1: cannot read: %2").arg(quotedText(path), file.problem());
        return read;
    }
    std::optional<Checkpoint> checkpoint;
    try {
        if (reach)
            checkpoint = decodeCheckpoint(bytes, problem, &read.earlier);
    } catch (const std::bad_alloc&) {
        problem = QStringLiteral("cannot read: its state is more than this process can hold");
    }
    if (!checkpoint) {
        read.error = QStringLiteral("%1: %2").arg(quotedText(path), problem);
        read.earlier.reset();
    } else {
        read.checkpoint = *checkpoint;
    }
    const QString folder = QFileInfo(path).absolutePath();
    static_cast<RunOutputs&>(read.checkpoint) = pathsResolvedIn(folder, read.checkpoint);
    if (read.earlier)
        static_cast<RunOutputs&>(*read.earlier) = pathsResolvedIn(folder, *read.earlier);
    return read;
}
