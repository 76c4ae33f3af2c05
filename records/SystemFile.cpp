#include "records/SystemFile.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

int writeAll(int descriptor, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(descriptor, data, size);
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

int writeAllAt(int descriptor, const char* data, std::size_t size, long long offset)
{
    while (size > 0) {
        const ssize_t written = ::pwrite(descriptor, data, size, static_cast<off_t>(offset));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (written == 0)
            return ENOSPC;
        data += written;
        size -= static_cast<std::size_t>(written);
        offset += written;
    }
    return 0;
}
