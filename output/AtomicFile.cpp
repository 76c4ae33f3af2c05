#include "output/AtomicFile.h"

#include "output/QuotedText.h"
#include "output/SystemFile.h"

#include <QDir>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// A name beside `path` that no other writer picks: this process's id and a
// count, created exclusively.
int createTemporaryBeside(const QString& path, QByteArray& temporaryName)
{
    static std::atomic<unsigned> counter{0};
    for (;;) {
        temporaryName = QFile::encodeName(path) + ".tmp-" + QByteArray::number(getpid()) + '-' +
                        QByteArray::number(counter.fetch_add(1));
        const int descriptor =
            ::open(temporaryName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0 || errno != EEXIST)
            return descriptor;
    }
}

} // namespace

// Written with plain system calls rather than QSaveFile, which does not
// notice a failure of the buffered tail it flushes on commit and would then
// install a partly written file, and which reports "Unknown error" for it.
QString writeFileAtomically(const QString& path, const QByteArray& bytes, int* systemError)
{
    const auto failure = [&path, systemError](int error) {
        if (systemError)
            *systemError = error;
        return QStringLiteral("cannot write %1: %2").arg(quotedText(path), systemReason(error));
    };
    // A rename would replace a device or a FIFO named as the output (as
    // root, /dev/null itself) with a regular file.
    struct stat existing;
    const bool replacing = ::stat(QFile::encodeName(path).constData(), &existing) == 0;
    if (replacing && !S_ISREG(existing.st_mode)) {
        if (systemError)
            *systemError = S_ISDIR(existing.st_mode) ? EISDIR : EINVAL;
        return QStringLiteral("cannot write %1: %2")
            .arg(quotedText(path), irregularFileKind(existing.st_mode));
    }
    QByteArray temporaryName;
    const int descriptor = createTemporaryBeside(path, temporaryName);
    if (descriptor < 0)
        return failure(errno);
    // A file replaced keeps its permissions, as an editor's save does.
    if (replacing)
        ::fchmod(descriptor, existing.st_mode & 07777);
    int error = writeAll(descriptor, bytes.constData(), bytes.size());
    if (::close(descriptor) != 0 && error == 0)
        error = errno;
    if (error == 0 &&
        std::rename(temporaryName.constData(), QFile::encodeName(path).constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporaryName.constData());
        return failure(error);
    }
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
            .arg(quotedText(folder), quotedText(ancestor.filePath()));
    if (!ancestor.isWritable())
        return QStringLiteral("cannot create folder %1: %2 is not writable")
            .arg(quotedText(folder), quotedText(ancestor.filePath()));
    return QStringLiteral("cannot create folder %1").arg(quotedText(folder));
}
