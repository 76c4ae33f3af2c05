#include "output/SystemFile.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

namespace
{

// Hands all `size` bytes to `put`, a write or a pwrite, going on after
// short writes and interrupted calls; 0 or the errno of the failure.
template <typename Put> int writeThrough(Put put, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = put(data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        // A write of 0 bytes to a regular file means no room is left.
        if (written == 0)
            return ENOSPC;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

} // namespace

int writeAll(int descriptor, const char* data, std::size_t size)
{
    return writeThrough(
        [descriptor](const char* at, std::size_t left) { return ::write(descriptor, at, left); },
        data, size);
}

int writeAllAt(int descriptor, const char* data, std::size_t size, long long offset)
{
    const char* const start = data;
    return writeThrough(
        [descriptor, start, offset](const char* at, std::size_t left) {
            return ::pwrite(descriptor, at, left, static_cast<off_t>(offset + (at - start)));
        },
        data, size);
}

QString irregularFileKind(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("a folder, not a file");
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO, not a regular file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device, not a regular file");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket, not a regular file");
    return QStringLiteral("not a regular file");
}
