#pragma once

#include "records/CheckpointFormat.h"

#include <QString>

// Which of the two generations a checkpoint keeps a run resumes from: the
// later one when the CSV log and the archive hold all it counts, else the
// one before it, from the other slot. Nothing is written with fsync, so a
// power cut can take the last bytes the system had not yet stored of any
// file, the log's and the archive's as well as the checkpoint's; the
// generation before then still fits, and the resume cuts the files back to
// it. When it is taken, it replaces `read.checkpoint` (and `read.earlier`
// is emptied). Empty, or, when neither fits, one line naming the checkpoint
// at `path`, the file that is short and what to do.
QString pickResumedGeneration(CheckpointRead& read, const QString& path);
