#include "records/CsvText.h"

#include <cstdio>

QByteArray csvNumber(double value)
{
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%.9g", value);
    return QByteArray(text, length);
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
