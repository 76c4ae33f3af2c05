#include "records/CsvLog.h"

#include "records/CsvText.h"

QByteArray CsvLog::header()
{
    QByteArray header("generation");
    for (const GenerationSeries& series : generationSeries)
        header.append(',').append(series.name);
    return header;
}

QString CsvLog::row(const GenerationRecord& record)
{
    QByteArray row = QByteArray::number(record.generation);
    for (const GenerationSeries& series : generationSeries)
        row.append(',').append(csvNumber(record.*series.field));
    return QString::fromLatin1(row);
}

QString CsvLog::open(const QString& path)
{
    const QString error = file.open(path);
    if (!error.isEmpty())
        return error;
    return writeLine(QString::fromLatin1(header()));
}

QString CsvLog::append(const GenerationRecord& record)
{
    return writeLine(row(record));
}
