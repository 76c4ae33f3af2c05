#include "records/CsvLogReader.h"
#include "records/QuotedText.h"

#include <QFile>

#include <cmath>

namespace
{

const QByteArray header("generation,average1,average2,best1,best2");

} // namespace

CsvLogRead readCsvLog(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{},
                QStringLiteral("%1: cannot read: %2").arg(quotedText(path), file.errorString())};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {{},
                QStringLiteral("%1: cannot read: %2").arg(quotedText(path), file.errorString())};
    return parseCsvLog(bytes, path);
}

CsvLogRead parseCsvLog(const QByteArray& bytes, const QString& name)
{
    CsvLogRead read;
    auto fail = [&](qsizetype line, const QString& problem) {
        read.records.clear();
        read.error = QStringLiteral("%1: line %2: %3").arg(quotedText(name)).arg(line).arg(problem);
        return read;
    };

    if (bytes.isEmpty())
        return fail(1, QStringLiteral("empty file, not a Coevolife fitness log"));

    QList<QByteArray> lines = bytes.split('\n');
    if (lines.first() != header)
        return fail(1, QStringLiteral("not a Coevolife fitness log (the header is not \"%1\")")
                           .arg(QString::fromLatin1(header)));
    // A file that ends with its line end splits into an empty last piece; a
    // last piece with text is a row cut short.
    if (!lines.last().isEmpty())
        return fail(lines.size(), QStringLiteral("no line end: the file is cut short"));
    lines.removeLast();
    if (lines.size() == 1)
        return fail(2, QStringLiteral("no generation after the header"));

    for (qsizetype k = 1; k < lines.size(); ++k) {
        const qsizetype lineNumber = k + 1;
        const QList<QByteArray> fields = lines[k].split(',');
        if (fields.size() != 5)
            return fail(lineNumber,
                        QStringLiteral("%1 fields where 5 were expected").arg(fields.size()));
        bool ok = false;
        const int generation = fields[0].toInt(&ok);
        if (!ok || generation != k)
            // In one arg(), so that a "%2" in the field stays as it is.
            return fail(lineNumber, QStringLiteral("generation \"%1\" where %2 was expected")
                                        .arg(quotedText(fields[0]), QString::number(k)));
        double values[4];
        for (int column = 0; column < 4; ++column) {
            values[column] = fields[column + 1].toDouble(&ok);
            if (!ok || !std::isfinite(values[column]))
                return fail(
                    lineNumber,
                    QStringLiteral("\"%1\" is not a number").arg(quotedText(fields[column + 1])));
        }
        read.records.append({generation, values[0], values[1], values[2], values[3]});
    }
    return read;
}
