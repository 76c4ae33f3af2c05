#include "records/RleWriter.h"

#include "board/Board.h"
#include "board/Match.h"

#include <QVector>

namespace
{

// Run-length encodes rows of state characters. Dead cells at the end of a row
// are left out, runs of row ends become "N$", and the empty rows at the bottom
// are not written at all: the header's size gives the reader the rest.
QString encodeRows(const QVector<QString>& rows, QChar dead)
{
    QStringList tokens;
    auto addRun = [&tokens](int count, QChar state) {
        tokens.append(count > 1 ? QString::number(count) + state : QString(state));
    };

    int pendingRowEnds = 0;
    for (const QString& row : rows) {
        int length = static_cast<int>(row.size());
        while (length > 0 && row[length - 1] == dead)
            --length;
        if (length == 0) {
            ++pendingRowEnds;
            continue;
        }
        if (pendingRowEnds > 0)
            addRun(pendingRowEnds, QLatin1Char('$'));
        for (int x = 0; x < length;) {
            int run = 1;
            while (x + run < length && row[x + run] == row[x])
                ++run;
            addRun(run, row[x]);
            x += run;
        }
        pendingRowEnds = 1;
    }
    tokens.append(QStringLiteral("!"));

    // Lines break between runs only, never inside one.
    QString text;
    QString line;
    for (const QString& token : tokens) {
        if (line.size() + token.size() > rleLineLimit) {
            text += line + QLatin1Char('\n');
            line.clear();
        }
        line += token;
    }
    return text + line + QLatin1Char('\n');
}

QString commentLines(const QStringList& comments)
{
    QString text;
    for (const QString& comment : comments)
        text += QStringLiteral("#C ") + comment + QLatin1Char('\n');
    return text;
}

QString header(int width, int height, const QString& rule)
{
    return QStringLiteral("x = %1, y = %2, rule = %3\n").arg(width).arg(height).arg(rule);
}

} // namespace

QString patternRle(const Pattern& pattern, const QStringList& comments, PatternShape shape)
{
    QVector<QString> rows;
    for (int y = 0; y < shape.height; ++y) {
        QString row;
        for (int x = 0; x < shape.width; ++x)
            row += pattern[x + shape.width * y] != 0 ? QLatin1Char('o') : QLatin1Char('b');
        rows.append(row);
    }
    return commentLines(comments) + header(shape.width, shape.height, QStringLiteral("B3/S23")) +
           encodeRows(rows, QLatin1Char('b'));
}

QString boardRle(const Board& board, const QStringList& comments)
{
    static const QChar states[] = {QLatin1Char('.'), QLatin1Char('A'), QLatin1Char('B')};
    const int width = board.boardWidth();
    const int height = board.boardHeight();
    QVector<QString> rows;
    for (int y = 0; y < height; ++y) {
        QString row;
        for (int x = 0; x < width; ++x) {
            const int code = board.cellAt(x, y);
            // The board treats any other code as empty, and so does the file.
            row += (code == 1 || code == 2) ? states[code] : states[0];
        }
        rows.append(row);
    }
    const QString rule = QStringLiteral("Coevolife:T%1,%2").arg(width).arg(height);
    return commentLines(comments) + header(width, height, rule) +
           encodeRows(rows, QLatin1Char('.'));
}

QString duelRle(const Pattern& first, const Pattern& second, const QStringList& comments,
                const MatchLayout& layout)
{
    // Set up exactly as the worker sets up each match board.
    Board board;
    setUpMatch(board, first, second, layout);
    return boardRle(board, comments);
}
