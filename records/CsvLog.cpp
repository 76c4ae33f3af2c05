#include "records/CsvLog.h"

QString CsvLog::row(const GenerationRecord& record)
{
    return QString::asprintf("%d,%.9g,%.9g,%.9g,%.9g", record.generation, record.average1,
                             record.average2, record.best1, record.best2);
}

QString CsvLog::open(const QString& path)
{
    const QString error = file.open(path);
    if (!error.isEmpty())
        return error;
    return writeLine(QStringLiteral("generation,average1,average2,best1,best2"));
}

QString CsvLog::append(const GenerationRecord& record)
{
    return writeLine(row(record));
}
