#pragma once

#include "records/Checkpoint.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Versions 1 and 2 of the checkpoint (CheckpointFormat.h has them byte by
// byte), as the programs before version 3 wrote them: version 1 for the
// default experiment, 2 for any other, rewritten whole after every
// generation.

// For showing that those still resume.
QByteArray encodeFormerCheckpoint(const Checkpoint& checkpoint);
// How many of the file's first bytes the decoding reads: the size the
// header `head` gives; empty, with the problem in `error`, for a file of
// `fileSize` bytes, longer than that.
std::optional<qint64> formerCheckpointReach(const char* head, qint64 fileSize, QString& error);
// Decodes a version 1 or 2 file whose header's magic and version are checked.
std::optional<Checkpoint> decodeFormerCheckpoint(const QByteArray& bytes, QString& error);
