#pragma once

#include <QFile>
#include <QString>

// A file written as "<path>.partial" in the same folder and flushed write by
// write, so a running experiment can be followed and an interrupted one keeps
// what it had written; finish() renames it into place, so the final name only
// ever holds a complete file. A file not finished removes its partial file.
// Errors come back as messages naming the final path.
class PartialFile
{
public:
    PartialFile() = default;
    ~PartialFile();
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    QString open(const QString& path);
    // Continues a file of which the first `size` bytes are kept: its partial
    // file, or the final one when a finished run goes on; later bytes are cut.
    QString reopen(const QString& path, qint64 size);
    // Whether reopen would find at least `size` bytes; an error message or
    // empty. Touches nothing.
    static QString checkReopenable(const QString& path, qint64 size);
    // Writes and flushes; on an error the partial file is dropped.
    QString write(const QByteArray& bytes);
    QString finish();
    // Drops the partial file; the final name is left as it was. Once kept,
    // the partial file is only closed, for a resume to continue.
    void abandon();
    void keepOnAbandon() { keptOnAbandon = true; }

    bool isOpen() const { return partial.isOpen(); }
    // Bytes written since open(): where the next write lands.
    qint64 size() const { return written; }
    static QString partialPathOf(const QString& path);

private:
    QString finalPath;
    QFile partial;
    qint64 written = 0;
    bool keptOnAbandon = false;
};
