#include "output/PartialFile.h"

#include "output/QuotedText.h"
#include "output/SystemFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace
{

QByteArray systemPath(const QString& path)
{
    return QFile::encodeName(path);
}

} // namespace

QString PartialFile::partialPathOf(const QString& path)
{
    return path + QStringLiteral(".partial");
}

QString PartialFile::failure(const QString& verb, const QString& path, int error) const
{
    return QStringLiteral("cannot %1 %2: %3").arg(verb, quotedText(path), systemReason(error));
}

QString PartialFile::open(const QString& path)
{
    close();
    finalPath = path;
    written = 0;
    descriptor = ::open(systemPath(partialPathOf(path)).constData(),
                        O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (descriptor < 0)
        return failure(QStringLiteral("write"), finalPath, errno);
    created = true;
    return {};
}

QString PartialFile::checkReopenable(const QString& path, qint64 size)
{
    const QFileInfo partialInfo(partialPathOf(path));
    const QFileInfo info = partialInfo.exists() ? partialInfo : QFileInfo(path);
    if (!info.isFile())
        return QStringLiteral("neither %1 nor %2 exists to continue")
            .arg(quotedText(partialPathOf(path)), quotedText(path));
    if (info.size() < size)
        return QStringLiteral("%1 holds %2 bytes, fewer than the %3 the checkpoint counts")
            .arg(quotedText(info.filePath()))
            .arg(info.size())
            .arg(size);
    return {};
}

QString PartialFile::reopen(const QString& path, qint64 size)
{
    close();
    finalPath = path;
    created = false;
    const QByteArray partialPath = systemPath(partialPathOf(path));
    if (::access(partialPath.constData(), F_OK) != 0 &&
        std::rename(systemPath(path).constData(), partialPath.constData()) != 0)
        return failure(QStringLiteral("continue"), path, errno);
    descriptor = ::open(partialPath.constData(), O_WRONLY | O_CLOEXEC);
    if (descriptor < 0 || ::ftruncate(descriptor, size) != 0 ||
        ::lseek(descriptor, size, SEEK_SET) != size) {
        const QString message = failure(QStringLiteral("continue"), partialPathOf(path), errno);
        close();
        return message;
    }
    written = size;
    return {};
}

QString PartialFile::write(const QByteArray& bytes)
{
    if (!isOpen())
        return QStringLiteral("cannot write %1: the file is not open").arg(quotedText(finalPath));
    const int error =
        writeAll(descriptor, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (error != 0) {
        // What the failed write left of itself would be a torn record.
        if (::ftruncate(descriptor, written) != 0)
            ::lseek(descriptor, written, SEEK_SET);
        close();
        return failure(QStringLiteral("write"), finalPath, error);
    }
    written += bytes.size();
    return {};
}

QString PartialFile::finish()
{
    if (!isOpen())
        return QStringLiteral("cannot write %1: the file is not open").arg(quotedText(finalPath));
    const int closed = ::close(descriptor);
    const int closeError = errno;
    descriptor = -1;
    if (closed != 0)
        return failure(QStringLiteral("write"), finalPath, closeError);
    // rename() replaces an existing file atomically.
    if (std::rename(systemPath(partialPathOf(finalPath)).constData(),
                    systemPath(finalPath).constData()) != 0)
        return failure(QStringLiteral("write"), finalPath, errno);
    return {};
}

void PartialFile::close()
{
    if (descriptor < 0)
        return;
    ::close(descriptor);
    descriptor = -1;
}

void PartialFile::discard()
{
    close();
    // Also after a first write that failed and closed it: a start that
    // records nothing leaves no empty file behind.
    if (created)
        ::unlink(systemPath(partialPathOf(finalPath)).constData());
    created = false;
}
