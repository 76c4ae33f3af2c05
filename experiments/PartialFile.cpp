#include "experiments/PartialFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

PartialFile::~PartialFile()
{
    abandon();
}

QString PartialFile::partialPathOf(const QString& path)
{
    return path + QStringLiteral(".partial");
}

QString PartialFile::open(const QString& path)
{
    abandon();
    finalPath = path;
    written = 0;
    partial.setFileName(partialPathOf(path));
    if (!partial.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QStringLiteral("cannot write %1: %2").arg(finalPath, partial.errorString());
    return {};
}

QString PartialFile::write(const QByteArray& bytes)
{
    if (partial.write(bytes) != bytes.size() || !partial.flush()) {
        const QString message =
            QStringLiteral("cannot write %1: %2").arg(finalPath, partial.errorString());
        abandon();
        return message;
    }
    written += bytes.size();
    return {};
}

QString PartialFile::finish()
{
    if (!partial.isOpen())
        return QStringLiteral("cannot write %1: the file is not open").arg(finalPath);
    partial.close();
    // rename() replaces an existing file atomically, which QFile::rename
    // refuses to do.
    if (std::rename(QFile::encodeName(partial.fileName()).constData(),
                    QFile::encodeName(finalPath).constData()) != 0) {
        const QString message = QStringLiteral("cannot write %1: %2")
                                    .arg(finalPath, QString::fromLocal8Bit(std::strerror(errno)));
        QFile::remove(partial.fileName());
        return message;
    }
    return {};
}

void PartialFile::abandon()
{
    if (!partial.isOpen())
        return;
    partial.close();
    partial.remove();
}
