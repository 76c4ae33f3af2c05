#include "records/CsvText.h"

#include <charconv>

QByteArray csvNumber(double value)
{
    QByteArray text;
    appendCsvNumber(text, value);
    return text;
}

char* writeCsvNumber(char* at, double value)
{
    // What printf's "%.9g" writes, without its locale and its allocations.
    return std::to_chars(at, at + csvNumberLongest, value, std::chars_format::general, 9).ptr;
}

void appendCsvNumber(QByteArray& text, double value)
{
    char digits[csvNumberLongest];
    text.append(digits, static_cast<qsizetype>(writeCsvNumber(digits, value) - digits));
}

QString numberText(double value)
{
    return QString::fromLatin1(csvNumber(value));
}

QByteArray csvField(const QString& text)
{
    QByteArray field = text.toUtf8();
    if (!field.contains(',') && !field.contains('"') && !field.contains('\n') &&
        !field.contains('\r'))
        return field;
    field.replace("\"", "\"\"");
    return '"' + field + '"';
}
