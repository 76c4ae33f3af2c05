#include "batch/LineWriter.h"

#include "cli/StandardOutput.h"

QString LineWriter::writeLine(const QString& line)
{
    if (failure.isEmpty())
        failure = writeStandardOutput(line.toUtf8() + '\n');
    return failure;
}
