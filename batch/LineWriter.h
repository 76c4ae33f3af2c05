#pragma once

#include <QString>

// Writes the progress lines to standard output, each with its line end in one
// checked write, so a reader sees whole lines as they come and a killed run
// leaves no half-written line behind. A write that fails is cut back off (in
// a regular file) and no later line is written: the output ends with the last
// whole line, with no gap, and a resume continues after a line it holds.
class LineWriter
{
public:
    // Empty, or the line saying why the line could not be written; after a
    // failure, every later call gives that line again and writes nothing.
    QString writeLine(const QString& line);

private:
    QString failure;
};
