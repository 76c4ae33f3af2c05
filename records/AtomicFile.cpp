#include "records/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

QString writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    // QSaveFile writes to a temporary file beside `path` and renames it on
    // commit; without the direct-write fallback a folder that refuses the
    // temporary file fails here instead of being written in place.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return QStringLiteral("cannot write %1: %2").arg(path, reason);
    }
    if (!file.commit())
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return {};
}

QString writeFilesAtomically(const OutputFiles& files)
{
    for (const auto& file : files)
        if (QString error = writeFileAtomically(file.first, file.second); !error.isEmpty())
            return error;
    return {};
}

QString makeFolder(const QString& folder)
{
    if (QDir().mkpath(folder))
        return {};
    // mkpath gives no reason; the nearest existing ancestor usually is one.
    QFileInfo ancestor(QDir::cleanPath(QDir(folder).absolutePath()));
    while (!ancestor.exists() && !ancestor.isRoot())
        ancestor.setFile(ancestor.absolutePath());
    if (!ancestor.isDir())
        return QStringLiteral("cannot create folder %1: %2 is not a folder")
            .arg(folder, ancestor.filePath());
    if (!ancestor.isWritable())
        return QStringLiteral("cannot create folder %1: %2 is not writable")
            .arg(folder, ancestor.filePath());
    return QStringLiteral("cannot create folder %1").arg(folder);
}
