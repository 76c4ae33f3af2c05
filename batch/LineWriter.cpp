#include "batch/LineWriter.h"

LineWriter::LineWriter(std::FILE* stream, QObject* parent) : QObject(parent), stream(stream) {}

void LineWriter::writeLine(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}
