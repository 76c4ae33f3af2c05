#pragma once

#include "evolution/EvolutionState.h"
#include "records/ArchiveWriter.h"
#include "records/CsvLog.h"
#include "records/GenerationRecord.h"
#include "records/RunOutputs.h"

#include <QString>
#include <QVector>

#include <array>
#include <cstdint>

struct GenerationReport;

// The best patterns so far and their scores, as the exports show them.
struct BestPatterns {
    int generation = 0;
    std::array<float, 2> scores{};
    std::array<EvolutionState::Cells, 2> patterns{};
};

BestPatterns bestPatternsOf(const GenerationReport& report);
BestPatterns bestPatternsOf(const EvolutionState& state);

// What a batch run leaves behind: the CSV log and the archive written as the
// run goes, and at the end the fitness plot and the exported patterns. An
// empty path or folder turns that output off. Every method returns an error
// message, empty on success, and the files are never left half written: after
// a failed write the partial log and archive keep every whole generation.
class ExperimentRecorder
{
public:
    // The configuration is the archive's.
    ExperimentRecorder(const RunOutputs& outputs, std::uint32_t seed,
                       const ExperimentConfig& config = ExperimentConfig());

    // Before the worker starts: opens the CSV log and the archive.
    QString begin();
    // Instead of begin(), for a run resumed from a checkpoint: continues the
    // log and the archive from the sizes it counted, the plot's history and
    // the best patterns of its state.
    QString resume(qint64 csvBytes, qint64 archiveBytes, const QVector<GenerationRecord>& records,
                   const EvolutionState& state);
    // For each generation, in order.
    QString recordGeneration(const GenerationReport& report);
    // After the last run: completes the log, draws the plot, exports the
    // patterns and the rule.
    QString finish();

    const QVector<GenerationRecord>& records() const { return history; }
    // Bytes written to the log and the archive so far, as a checkpoint counts
    // them (0 for an output that is off).
    qint64 csvBytes() const { return csv.isOpen() ? csv.size() : 0; }
    qint64 archiveBytes() const { return archive.isOpen() ? archive.size() : 0; }

private:
    RunOutputs outputs;
    std::uint32_t seed;
    ExperimentConfig config;
    CsvLog csv;
    ArchiveWriter archive;
    QVector<GenerationRecord> history;
    BestPatterns best;
};

// The names of the files exportPatterns writes.
QStringList exportedFileNames();
// Writes best1.rle, best2.rle, duel.rle and Coevolife.rule into `folder`,
// creating it if missing.
QString exportPatterns(const QString& folder, const BestPatterns& best, std::uint32_t seed,
                       const MatchLayout& layout = MatchLayout());
