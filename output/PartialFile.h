#pragma once

#include <QString>

// A file written as "<path>.partial" in the same folder, each write handed
// to the system at once, so a running experiment can be followed and an
// interrupted one keeps what it had written; finish() renames it into place,
// so the final name only ever holds a complete file. A write that fails is
// cut back off, so the partial file ends with the last whole write. Errors
// come back as messages naming the final path and the system's reason.
class PartialFile
{
public:
    PartialFile() = default;
    ~PartialFile() { close(); }
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    QString open(const QString& path);
    // Continues a file of which the first `size` bytes are kept: its partial
    // file, or the final one when a finished run goes on; later bytes are cut.
    QString reopen(const QString& path, qint64 size);
    // Whether reopen would find at least `size` bytes; an error message or
    // empty. Touches nothing.
    static QString checkReopenable(const QString& path, qint64 size);
    // Writes all of `bytes`, or, on an error, nothing: the file is cut back to
    // its last whole write and closed.
    QString write(const QByteArray& bytes);
    QString finish();
    // Closes, keeping the partial file for whoever continues it.
    void close();
    // Closes and removes the partial file open() made, even once a failed
    // write has closed it: for a start that failed before anything was
    // recorded.
    void discard();

    bool isOpen() const { return descriptor >= 0; }
    // Bytes written since open(): where the next write lands.
    qint64 size() const { return written; }
    static QString partialPathOf(const QString& path);

private:
    QString failure(const QString& verb, const QString& path, int error) const;

    QString finalPath;
    int descriptor = -1;
    qint64 written = 0;
    // Made by open(), not continued by reopen(): what discard() may remove.
    bool created = false;
};
