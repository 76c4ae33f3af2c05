#pragma once

#include "board/Match.h"
#include "board/Pattern.h"

#include <QString>
#include <QStringList>

#include <cstdint>

struct GridScores;

// A duel's files, whoever exports it: duel.rle, the start of the match
// between `first` and `second` on the layout, commented with `description`,
// the run's seed and the match's two scores as the run stores them; and
// Coevolife.rule. Into `folder`, created if missing. The problem, or empty.
// The match is played here, on the calling thread.
QString exportDuel(const QString& folder, const Pattern& first, const Pattern& second,
                   const MatchLayout& layout, const QStringList& description, std::uint32_t seed);
// The same with the match's scores played already (on a pool, say).
QString exportDuel(const QString& folder, const Pattern& first, const Pattern& second,
                   const MatchLayout& layout, const QStringList& description, std::uint32_t seed,
                   const GridScores& scores);
// The names of the files exportDuel writes into its folder.
QStringList duelExportFileNames();
