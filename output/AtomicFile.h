#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// Writes the whole of `bytes` to `path` through a temporary file in the same
// folder that is renamed into place, so `path` either keeps its old content or
// holds the new one in full. Returns an empty string on success, otherwise a
// message naming the file and the reason, its errno in `systemError` when
// given; nothing is thrown.
QString writeFileAtomically(const QString& path, const QByteArray& bytes,
                            int* systemError = nullptr);

// An analysis's outputs: each file's path and its bytes.
using OutputFiles = QList<QPair<QString, QByteArray>>;
// Each file in turn as writeFileAtomically writes it, stopping at the first
// that fails; its message, or an empty string.
QString writeFilesAtomically(const OutputFiles& files);

// Creates `folder` and any missing parents. Returns an empty string on
// success, otherwise a message naming the folder.
QString makeFolder(const QString& folder);
