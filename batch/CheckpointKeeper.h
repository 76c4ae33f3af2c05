#pragma once

#include "records/CheckpointFormat.h"

#include <QString>

class ExperimentRecorder;
struct GenerationReport;

// Keeps a batch run's checkpoint file, replaced atomically after every
// generation once that generation's line is printed and recorded, so the file
// never holds a generation the printed log lacks.
class CheckpointKeeper
{
public:
    // `settings` holds what the run was started with: seed, generations
    // asked for and the absolute output paths.
    CheckpointKeeper(const QString& path, const Checkpoint& settings);

    // For a report that carries the whole state, once `recorder` has
    // recorded it. Returns the error, empty on success.
    QString write(const GenerationReport& report, const ExperimentRecorder& recorder) const;

private:
    const QString path;
    const Checkpoint settings;
};
