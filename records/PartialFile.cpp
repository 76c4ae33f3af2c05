#include "records/PartialFile.h"

#include <QFileInfo>

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

QString PartialFile::checkReopenable(const QString& path, qint64 size)
{
    const QFileInfo partialInfo(partialPathOf(path));
    const QFileInfo info = partialInfo.exists() ? partialInfo : QFileInfo(path);
    if (!info.isFile())
        return QStringLiteral("neither %1 nor %2 exists to continue")
            .arg(partialPathOf(path), path);
    if (info.size() < size)
        return QStringLiteral("%1 holds %2 bytes, fewer than the %3 the checkpoint counts")
            .arg(info.filePath())
            .arg(info.size())
            .arg(size);
    return {};
}

QString PartialFile::reopen(const QString& path, qint64 size)
{
    abandon();
    finalPath = path;
    partial.setFileName(partialPathOf(path));
    if (!partial.exists() && std::rename(QFile::encodeName(path).constData(),
                                         QFile::encodeName(partial.fileName()).constData()) != 0)
        return QStringLiteral("cannot continue %1: %2")
            .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (!partial.open(QIODevice::ReadWrite) || !partial.resize(size) || !partial.seek(size)) {
        const QString message =
            QStringLiteral("cannot continue %1: %2").arg(partial.fileName(), partial.errorString());
        partial.close();
        return message;
    }
    written = size;
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
    if (!keptOnAbandon)
        partial.remove();
}
