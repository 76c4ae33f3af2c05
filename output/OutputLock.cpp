#include "output/OutputLock.h"

#include "output/QuotedText.h"
#include "output/SystemFile.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// "process 123 (coevolife-batch)" from the lock file's content, as far as it
// can be told.
QString holderOf(int descriptor)
{
    char text[32] = {};
    const ssize_t size = ::pread(descriptor, text, sizeof text - 1, 0);
    bool ok = false;
    const long pid = size > 0 ? QByteArray(text, size).trimmed().toLong(&ok) : 0;
    if (!ok || pid <= 0)
        return QStringLiteral("another process");
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    const QByteArray name =
        comm.open(QIODevice::ReadOnly) ? comm.readAll().trimmed() : QByteArray();
    return name.isEmpty() ? QStringLiteral("process %1").arg(pid)
                          : QStringLiteral("process %1 (%2)").arg(pid).arg(quotedText(name));
}

bool sameFile(int descriptor, const QByteArray& path)
{
    struct stat open;
    struct stat named;
    return ::fstat(descriptor, &open) == 0 && ::stat(path.constData(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

} // namespace

QString OutputLock::lockPathOf(const QString& path)
{
    return path + QStringLiteral(".lock");
}

std::unique_ptr<OutputLock> OutputLock::acquire(const QString& path, QString& error, bool* inUse)
{
    if (inUse)
        *inUse = false;
    const QByteArray lockPath = QFile::encodeName(lockPathOf(path));
    // A holder that lets go removes the file first; whoever locked the removed
    // file meanwhile tries again on the new one.
    for (;;) {
        const int descriptor = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (descriptor < 0) {
            error = QStringLiteral("cannot lock %1: %2")
                        .arg(quotedText(lockPathOf(path)), systemReason(errno));
            return nullptr;
        }
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            const int reason = errno;
            if (inUse)
                *inUse = reason == EWOULDBLOCK;
            error = reason == EWOULDBLOCK
                        ? QStringLiteral("%1 is in use by %2; wait for it to end or stop it")
                              .arg(quotedText(path), holderOf(descriptor))
                        : QStringLiteral("cannot lock %1: %2")
                              .arg(quotedText(lockPathOf(path)), systemReason(reason));
            ::close(descriptor);
            return nullptr;
        }
        if (sameFile(descriptor, lockPath)) {
            const QByteArray pid = QByteArray::number(::getpid()) + '\n';
            if (::ftruncate(descriptor, 0) == 0)
                writeAll(descriptor, pid.constData(), static_cast<std::size_t>(pid.size()));
            return std::unique_ptr<OutputLock>(new OutputLock(lockPath, descriptor));
        }
        ::close(descriptor);
    }
}

OutputLock::~OutputLock()
{
    ::unlink(lockPath.constData());
    ::close(descriptor);
}
