#include "cli/StandardOutput.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// Where the next write to a regular file lands: its end when it was opened
// for appending (as ">>" opens it), else its offset; -1 for anything else.
off_t nextWriteAt(int descriptor)
{
    struct stat info;
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags >= 0 && (flags & O_APPEND) != 0)
        return info.st_size;
    return ::lseek(descriptor, 0, SEEK_CUR);
}

} // namespace

QString writeStandardOutput(const QByteArray& bytes)
{
    const off_t start = nextWriteAt(STDOUT_FILENO);
    const char* data = bytes.constData();
    auto left = static_cast<std::size_t>(bytes.size());
    int error = 0;
    while (left > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            // A write of 0 bytes to a regular file means no room is left.
            error = written < 0 ? errno : ENOSPC;
            break;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    if (error == 0)
        return {};
    if (start >= 0 && ::ftruncate(STDOUT_FILENO, start) == 0)
        ::lseek(STDOUT_FILENO, start, SEEK_SET);
    return QStringLiteral("cannot write to standard output: %1")
        .arg(QString::fromLocal8Bit(std::strerror(error)));
}
