#pragma once

#include <QByteArray>
#include <QString>

// Reads a file named from outside through checks made before its bytes are
// taken: only a regular file (a FIFO or a device may block or never end, a
// folder holds no bytes), and only as many bytes as the reader asks for,
// none past the size the file had when it was opened. Every reader of the
// records takes its input through it, each asking for what its format
// allows.
class RegularFileReader
{
public:
    // Opens `path` without blocking on a FIFO; problem() says why it could
    // not be opened or is not a regular file.
    explicit RegularFileReader(const QString& path);
    ~RegularFileReader();
    RegularFileReader(const RegularFileReader&) = delete;
    RegularFileReader& operator=(const RegularFileReader&) = delete;

    // Empty while sound; otherwise why the file cannot be read, without its
    // name: the system's reason, "a FIFO, not a regular file", ...
    const QString& problem() const { return failure; }
    // Its size when it was opened.
    qint64 size() const { return fileSize; }
    // Up to `count` bytes from `offset`, fewer where the file as opened ends
    // (or where it has shrunk since); empty, with problem() set, when the
    // read fails or the bytes cannot be held in memory.
    QByteArray read(qint64 offset, qint64 count);

private:
    int descriptor = -1;
    qint64 fileSize = 0;
    QString failure;
};

// The whole regular file at `path` when it holds at most `limit` bytes;
// otherwise nothing, with the problem in `problem` (without the path), a
// file too large naming `what` it was read as ("a configuration").
QByteArray readRegularFile(const QString& path, qint64 limit, const QString& what,
                           QString& problem);
