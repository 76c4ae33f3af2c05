#pragma once

#include <QByteArray>
#include <QString>

// Writes the whole of `bytes` to `path` through a temporary file in the same
// folder that is renamed into place, so `path` either keeps its old content or
// holds the new one in full. Returns an empty string on success, otherwise a
// message naming the file and the reason; nothing is thrown.
QString writeFileAtomically(const QString& path, const QByteArray& bytes);

// Creates `folder` and any missing parents. Returns an empty string on
// success, otherwise a message naming the folder.
QString makeFolder(const QString& folder);
