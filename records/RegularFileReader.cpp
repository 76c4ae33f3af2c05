#include "records/RegularFileReader.h"

#include "output/SystemFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

RegularFileReader::RegularFileReader(const QString& path)
{
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    descriptor =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0) {
        failure = systemReason(errno);
        return;
    }
    struct stat status;
    if (::fstat(descriptor, &status) != 0) {
        failure = systemReason(errno);
        return;
    }
    if (!S_ISREG(status.st_mode)) {
        failure = irregularFileKind(status.st_mode);
        return;
    }
    fileSize = static_cast<qint64>(status.st_size);
}

RegularFileReader::~RegularFileReader()
{
    if (descriptor >= 0)
        ::close(descriptor);
}

QByteArray RegularFileReader::read(qint64 offset, qint64 count)
{
    if (!failure.isEmpty() || offset < 0 || count <= 0 || offset >= fileSize)
        return {};
    const qint64 wanted = std::min(count, fileSize - offset);
    QByteArray bytes;
    try {
        bytes.resize(static_cast<qsizetype>(wanted));
    } catch (const std::bad_alloc&) {
        failure = QStringLiteral("%1 bytes, more than this process can hold").arg(wanted);
        return {};
    }
    qint64 done = 0;
    while (done < wanted) {
        const ssize_t got =
            ::pread(descriptor, bytes.data() + done, static_cast<std::size_t>(wanted - done),
                    static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            failure = systemReason(errno);
            return {};
        }
        // The file has shrunk since it was opened: what is there is read.
        if (got == 0)
            break;
        done += got;
    }
    bytes.truncate(static_cast<qsizetype>(done));
    return bytes;
}

QByteArray readRegularFile(const QString& path, qint64 limit, const QString& what, QString& problem)
{
    RegularFileReader file(path);
    if (file.problem().isEmpty() && file.size() > limit) {
        problem = QStringLiteral("%1 bytes, more than %2 holds (at most %3)")
                      .arg(file.size())
                      .arg(what)
                      .arg(limit);
        return {};
    }
    QByteArray bytes = file.read(0, file.size());
    problem = file.problem();
    return problem.isEmpty() ? bytes : QByteArray();
}
