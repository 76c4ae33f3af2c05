#pragma once

#include <QByteArray>
#include <QString>

// Writes all of `bytes` to standard output at once, past short writes and
// interrupted calls, bypassing stdio's buffer, so a failure is seen at the
// write that met it. On a failure, when standard output is a regular file,
// what the write left of itself is cut off again, so the file ends with the
// last whole write. Empty, or the line "cannot write to standard output: "
// and the system's reason.
QString writeStandardOutput(const QByteArray& bytes);
