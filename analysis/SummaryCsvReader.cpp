#include "analysis/SummaryCsvReader.h"

#include "output/QuotedText.h"
#include "records/RegularFileReader.h"

#include <QByteArrayView>
#include <QList>

#include <cmath>
#include <limits>
#include <new>

namespace
{

constexpr int summaryColumns = 22;
constexpr int turnoverColumns = 20;

SummaryRead parseSummaryCsv(const QByteArray& bytes, const QString& name)
{
    SummaryRead read;
    auto fail = [&](qsizetype line, const QString& problem) {
        read.rows.clear();
        read.error = QStringLiteral("%1: line %2: %3").arg(quotedText(name)).arg(line).arg(problem);
        return read;
    };
    if (bytes.isEmpty())
        return fail(1, QStringLiteral("empty file, not a Coevolife summary"));
    QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    const bool withTurnover = lines.front() == summaryHeader(true);
    if (lines.front() != summaryHeader() && !withTurnover)
        return fail(1, QStringLiteral("not a Coevolife summary (the header is not \"%1\")")
                           .arg(QString::fromLatin1(summaryHeader())));
    const int columns = withTurnover ? summaryColumns + turnoverColumns : summaryColumns;
    read.withTurnover = withTurnover;
    if (!bytes.endsWith('\n'))
        return fail(lines.size(), QStringLiteral("no line end: the file is cut short"));
    // The split leaves an empty piece after the last line end.
    lines.removeLast();
    read.rows.reserve(static_cast<std::size_t>(lines.size()));
    for (qsizetype k = 1; k < lines.size(); ++k) {
        const qsizetype lineNumber = k + 1;
        const QList<QByteArray> fields = lines[k].split(',');
        if (fields.size() != columns)
            return fail(lineNumber, QStringLiteral("%1 fields where %2 were expected")
                                        .arg(fields.size())
                                        .arg(columns));
        bool ok = false;
        SummaryRow row;
        row.generation = fields[0].toInt(&ok);
        if (!ok || row.generation != k)
            return fail(lineNumber, QStringLiteral("generation \"%1\" where %2 was expected")
                                        .arg(quotedText(fields[0]), QString::number(k)));
        row.seeds = fields[1].toInt(&ok);
        const int before = read.rows.empty() ? std::numeric_limits<int>::max()
                                             : read.rows.back().seeds;
        if (!ok || row.seeds < 1 || row.seeds > before)
            return fail(lineNumber,
                        QStringLiteral("\"%1\" seeds: a whole number from 1 to %2, the seeds of "
                                       "the generation before")
                            .arg(quotedText(fields[1]), QString::number(before)));
        int column = 2;
        for (const GenerationSeries& series : generationSeries)
            for (const SummaryStatistic& statistic : summaryStatistics) {
                double* value = &(seriesField(row, series.series).*statistic.field);
                *value = fields[column].toDouble(&ok);
                if (!ok || !std::isfinite(*value))
                    return fail(lineNumber, QStringLiteral("\"%1\" is not a number")
                                                .arg(quotedText(fields[column])));
                ++column;
            }
        for (std::size_t series = 0; withTurnover && series < row.turnover.size(); ++series) {
            // A series no run had a value for at this generation is empty.
            if (fields[column].isEmpty()) {
                for (int k = 0; k < 5; ++k, ++column)
                    if (!fields[column].isEmpty())
                        return fail(lineNumber, QStringLiteral("%1 is empty in part only")
                                                    .arg(QLatin1String(turnoverSeriesNames[series])));
                continue;
            }
            Quartiles& quartiles = row.turnover[series].emplace();
            for (const SummaryStatistic& statistic : summaryStatistics) {
                double* value = &(quartiles.*statistic.field);
                *value = fields[column].toDouble(&ok);
                if (!ok || !std::isfinite(*value))
                    return fail(lineNumber, QStringLiteral("\"%1\" is not a number")
                                                .arg(quotedText(fields[column])));
                ++column;
            }
        }
        read.rows.push_back(row);
    }
    if (read.rows.empty())
        return fail(2, QStringLiteral("no generation after the header"));
    return read;
}

} // namespace

SummaryRead readSummaryCsv(const QString& path)
{
    // The header, then a row per generation up to the largest int: a
    // generation and a count of ten digits at most, forty numbers as "%.9g"
    // writes them (16 characters at most), with "\r\n".
    constexpr qint64 longestRow = 2 * 11 + 40 * (1 + 16) + 2;
    const qint64 limit =
        summaryHeader(true).size() + 2 + longestRow * std::numeric_limits<int>::max();
    QString problem;
    const QByteArray bytes =
        readRegularFile(path, limit, QStringLiteral("a summary"), problem);
    if (!problem.isEmpty())
        return {{}, QStringLiteral("%1: cannot read: %2").arg(quotedText(path), problem)};
    try {
        return parseSummaryCsv(bytes, path);
    } catch (const std::bad_alloc&) {
        return {{},
                QStringLiteral("%1: cannot read: its rows are more than this process can hold")
                    .arg(quotedText(path))};
    }
}
