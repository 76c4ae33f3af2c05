#include "records/CsvLogReader.h"

#include "output/QuotedText.h"
#include "records/CsvLog.h"
#include "records/RegularFileReader.h"

#include <QByteArrayView>

#include <cmath>
#include <limits>
#include <new>
#include <optional>

namespace
{

// The rows of `bytes` from `at` on, each line ended, the line before them
// line `lineNumber` and the generation before them `generationBefore`,
// appended to `read`; false, `read` holding the error and no records, at the
// first bad row.
bool appendCsvRows(const QByteArray& bytes, qsizetype at, qsizetype lineNumber,
                   qsizetype generationBefore, CsvLogRead& read, const QString& name)
{
    auto fail = [&](qsizetype line, const QString& problem) {
        read.records.clear();
        read.error = QStringLiteral("%1: line %2: %3").arg(quotedText(name)).arg(line).arg(problem);
        return false;
    };
    // Rows at most as many as line ends, so many can be reserved.
    read.records.reserve(read.records.size() + bytes.count('\n'));
    const qsizetype lineBefore = lineNumber;
    while (at < bytes.size()) {
        ++lineNumber;
        const qsizetype end = bytes.indexOf('\n', at);
        QByteArrayView line(bytes.constData() + at, end - at);
        // "\r\n" as a log passed through Windows has them.
        if (line.endsWith('\r'))
            line.chop(1);
        at = end + 1;
        const QList<QByteArray> fields = line.toByteArray().split(',');
        if (fields.size() != 5)
            return fail(lineNumber,
                        QStringLiteral("%1 fields where 5 were expected").arg(fields.size()));
        const qsizetype k = generationBefore + lineNumber - lineBefore;
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
    return true;
}

} // namespace

CsvLogRead readCsvLog(const QString& path)
{
    QString problem;
    const QByteArray bytes = readCsvLogFile(path, problem);
    if (!problem.isEmpty())
        return {{}, QStringLiteral("%1: cannot read: %2").arg(quotedText(path), problem)};
    try {
        return parseCsvLog(bytes, path);
    } catch (const std::bad_alloc&) {
        return {{},
                QStringLiteral("%1: cannot read: its rows are more than this process can hold")
                    .arg(quotedText(path))};
    }
}

QByteArray readCsvLogFile(const QString& path, QString& problem)
{
    // The header, then a row per generation numbered from 1 up to the
    // largest int, each a generation of ten digits at most and four numbers
    // as "%.9g" writes them (16 characters at most), with "\r\n".
    constexpr qint64 longestRow = 10 + 4 * (1 + 16) + 2;
    constexpr qint64 limit = 42 + longestRow * std::numeric_limits<int>::max();
    return readRegularFile(path, limit, QStringLiteral("a fitness log"), problem);
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

    // Line by line in place, each without its line end: "\n", or "\r\n" as
    // a log passed through Windows has them.
    qsizetype at = 0;
    const auto nextLine = [&bytes, &at]() -> std::optional<QByteArrayView> {
        const qsizetype end = bytes.indexOf('\n', at);
        if (end < 0)
            return std::nullopt;
        QByteArrayView line(bytes.constData() + at, end - at);
        if (line.endsWith('\r'))
            line.chop(1);
        at = end + 1;
        return line;
    };
    QByteArrayView firstLine(bytes);
    if (const auto header = nextLine())
        firstLine = *header;
    else if (firstLine.endsWith('\r'))
        firstLine.chop(1);
    if (firstLine != CsvLog::header())
        return fail(1, QStringLiteral("not a Coevolife fitness log (the header is not \"%1\")")
                           .arg(QString::fromLatin1(CsvLog::header())));
    // A last line without its line end is a row cut short.
    if (!bytes.endsWith('\n'))
        return fail(bytes.count('\n') + 1, QStringLiteral("no line end: the file is cut short"));
    if (!appendCsvRows(bytes, at, 1, 0, read, name))
        return read;
    if (read.records.isEmpty())
        return fail(2, QStringLiteral("no generation after the header"));
    return read;
}

CsvLogRead parseCsvLogRows(const QByteArray& rows, qsizetype lineBefore, int generationBefore,
                           const QString& name)
{
    CsvLogRead read;
    if (!rows.isEmpty() && !rows.endsWith('\n')) {
        read.error = QStringLiteral("%1: line %2: no line end: the file is cut short")
                         .arg(quotedText(name))
                         .arg(lineBefore + rows.count('\n') + 1);
        return read;
    }
    appendCsvRows(rows, 0, lineBefore, generationBefore, read, name);
    return read;
}
