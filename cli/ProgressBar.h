#pragma once

#include <QElapsedTimer>

#include <cstdio>

// A one-line progress bar with the rate and the time left, redrawn in place
// on `stream`, for people watching a terminal; silent when the stream is not
// one, so logs and pipes get nothing of it.
class ProgressBar
{
public:
    ProgressBar(std::FILE* stream, long long total, const char* unit);

    void show(long long done);
    // Clears the line, so what is printed next starts clean.
    void clear();

private:
    std::FILE* stream;
    const long long total;
    const char* unit;
    const bool enabled;
    QElapsedTimer clock;
};
