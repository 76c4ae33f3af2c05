#include "records/RunOutputs.h"

#include <QDir>
#include <QFileInfo>

QString absoluteCleanPath(const QString& path)
{
    return path.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

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
