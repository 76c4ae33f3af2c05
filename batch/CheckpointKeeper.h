#pragma once

#include "records/CheckpointFormat.h"
#include "records/CheckpointLayout.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

class ExperimentRecorder;
struct GenerationReport;

// Keeps a batch run's checkpoint file (version 3) after every generation,
// once that generation's line is printed and recorded, so the file never
// holds a generation the printed log lacks. The first write of a run puts a
// whole file in place atomically; each later one appends what the
// generation adds to the journal and rewrites a slot in place, so its cost
// does not grow with the run.
class CheckpointKeeper
{
public:
    // `settings` holds what the run was started with: seed, generations
    // asked for and the absolute output paths; for a resumed run, the
    // checkpoint it resumes from, whose halls and history begin the journal.
    CheckpointKeeper(const QString& path, const Checkpoint& settings);
    ~CheckpointKeeper();
    CheckpointKeeper(const CheckpointKeeper&) = delete;
    CheckpointKeeper& operator=(const CheckpointKeeper&) = delete;

    // For a report that carries the whole state, once `recorder` has
    // recorded it. Returns the error, empty on success.
    QString write(const GenerationReport& report, const ExperimentRecorder& recorder);

private:
    QString writeWhole(const CheckpointProgress& progress);
    QString writeInPlace(const CheckpointProgress& progress, qsizetype entryBegins);

    const QString path;
    // The settings with the paths as the checkpoint stores them.
    Checkpoint settings;
    CheckpointLayout layout;
    // Every entry so far, for a whole file; what the file holds once written.
    QByteArray journal;
    std::uint32_t journalChecksum = 0;
    // The file once written whole, -1 before.
    int descriptor = -1;
};
