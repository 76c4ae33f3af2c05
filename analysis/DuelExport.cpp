#include "analysis/DuelExport.h"

#include "analysis/ChampionGrid.h"
#include "board/Board.h"
#include "records/PatternExport.h"

QString exportDuel(const QString& folder, const Pattern& first, const Pattern& second,
                   const MatchLayout& layout, const QStringList& description, std::uint32_t seed)
{
    Board board;
    return exportDuel(folder, first, second, layout, description, seed,
                      gridScoresOf(playMatch(board, first, second, layout)));
}

QString exportDuel(const QString& folder, const Pattern& first, const Pattern& second,
                   const MatchLayout& layout, const QStringList& description, std::uint32_t seed,
                   const GridScores& scores)
{
    QStringList comments = description;
    comments << QStringLiteral("seed %1").arg(seed)
             << QStringLiteral("scores %1 and %2")
                    .arg(scoreText(scores.score1), scoreText(scores.score2));
    return writeExports(folder, {duelExport(first, second, comments, layout)});
}

QStringList duelExportFileNames()
{
    return {QStringLiteral("duel.rle"), QStringLiteral("Coevolife.rule")};
}
