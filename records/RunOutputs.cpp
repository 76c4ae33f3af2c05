#include "records/RunOutputs.h"

#include <QDir>
#include <QFileInfo>

RunOutputs absoluteCleanPaths(const RunOutputs& outputs)
{
    RunOutputs cleaned;
    for (QString RunOutputs::*path : runOutputPaths)
        cleaned.*path = absoluteCleanPath(outputs.*path);
    return cleaned;
}

QString RunOutputs::*firstDisagreement(const RunOutputs& given, const RunOutputs& saved)
{
    for (QString RunOutputs::*path : runOutputPaths)
        if (!(given.*path).isEmpty() && absoluteCleanPath(given.*path) != saved.*path)
            return path;
    return nullptr;
}

RunOutputs pathsStoredIn(const QString& folder, const RunOutputs& outputs)
{
    const QDir dir(absoluteCleanPath(folder));
    RunOutputs stored;
    for (QString RunOutputs::*path : runOutputPaths) {
        if ((outputs.*path).isEmpty())
            continue;
        const QString absolute = absoluteCleanPath(outputs.*path);
        const QString relative = dir.relativeFilePath(absolute);
        const bool outside = relative == QStringLiteral("..") ||
                             relative.startsWith(QStringLiteral("../")) ||
                             QDir::isAbsolutePath(relative);
        stored.*path = outside ? absolute : relative.isEmpty() ? QStringLiteral(".") : relative;
    }
    return stored;
}

RunOutputs pathsResolvedIn(const QString& folder, const RunOutputs& outputs)
{
    const QDir dir(absoluteCleanPath(folder));
    RunOutputs resolved;
    for (QString RunOutputs::*path : runOutputPaths)
        if (!(outputs.*path).isEmpty())
            resolved.*path = QDir::cleanPath(dir.absoluteFilePath(outputs.*path));
    return resolved;
}
