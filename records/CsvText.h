#pragma once

#include <QByteArray>
#include <QString>

// Every number a CSV or an export writes: "%.9g", which reads back as the
// float a score was and keeps a double's statistics to nine digits.
QByteArray csvNumber(double value);
// The same number appended to `text`, or written at `at`, which has room
// for csvNumberLongest characters; returns where it ends.
void appendCsvNumber(QByteArray& text, double value);
constexpr int csvNumberLongest = 32;
char* writeCsvNumber(char* at, double value);
QString numberText(double value);

// `text` as one CSV field: as it is, or quoted when it holds a comma, a
// quote or a line end.
QByteArray csvField(const QString& text);
