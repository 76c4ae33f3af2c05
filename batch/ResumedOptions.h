#pragma once

#include "batch/BatchOptions.h"

struct Checkpoint;

struct ResumedOptions {
    BatchOptions options;
    // Empty, or one line naming the checkpoint and the option that disagrees
    // or the output that is missing.
    QString error;
};

// The options a run resumed from `checkpoint` goes on with: those it was
// started with, --generations as given (not before the generation it holds),
// checkpointing into the file it came from. Every other option given must
// agree with the checkpoint; paths are compared cleaned and absolute. The log
// and the archive it continues must be where the checkpoint expects them.
ResumedOptions resumedOptions(const BatchOptions& given, const Checkpoint& checkpoint);
