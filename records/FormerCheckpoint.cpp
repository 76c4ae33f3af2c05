#include "records/FormerCheckpoint.h"

#include "records/CheckpointCoding.h"
#include "records/CheckpointFormat.h"
#include "records/Checksum.h"
#include "records/ConfigFile.h"
#include "records/RecordedVersion.h"

namespace
{

// A version 1 or 2 checkpoint longer than its header says.
QString sizeDisagrees(qint64 size, std::uint32_t declaredSize)
{
    return QStringLiteral("corrupted: %1 bytes where the header says %2")
        .arg(size)
        .arg(declaredSize);
}

} // namespace

std::optional<qint64> formerCheckpointReach(const char* head, qint64 fileSize, QString& error)
{
    const std::uint32_t declaredSize = uint32At(head + 12);
    if (fileSize > declaredSize) {
        error = sizeDisagrees(fileSize, declaredSize);
        return std::nullopt;
    }
    return declaredSize;
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
    encoder.putPaddedText(recordedProgramVersion(), checkpointVersionFieldSize);

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
