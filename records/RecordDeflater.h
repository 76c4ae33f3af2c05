#pragma once

#include <QByteArray>

#include <memory>

// Deflates archive records one after another with one zlib stream, reset
// between them: setting a stream up allocates and clears tables many times
// a record's size, which, done for every record, costs more than deflating
// it.
class RecordDeflater
{
public:
    RecordDeflater();
    ~RecordDeflater();
    RecordDeflater(const RecordDeflater&) = delete;
    RecordDeflater& operator=(const RecordDeflater&) = delete;

    // `body` deflated as one zlib stream, after `before` bytes left for the
    // caller and with `after` more at the end.
    QByteArray deflated(const QByteArray& body, qsizetype before, qsizetype after);

private:
    struct Stream;
    std::unique_ptr<Stream> stream;
};
