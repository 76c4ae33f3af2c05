#pragma once

#include <QObject>

#include <cstdio>

// Writes each line with its line end to a stream and flushes at once, so a
// reader sees whole lines as they come and an interrupted run leaves no
// half-written line behind.
class LineWriter : public QObject
{
    Q_OBJECT

public:
    explicit LineWriter(std::FILE* stream, QObject* parent = nullptr);

    void writeLine(const QString& line);

private:
    std::FILE* const stream;
};
