#pragma once

#include "board/Match.h"
#include "board/Pattern.h"

#include <QString>
#include <QStringList>

class Board;

// The longest line an RLE file may hold.
constexpr int rleLineLimit = 70;

// A pattern as standard two-state RLE under B3/S23 ("b" dead, "o" alive):
// each species on its own follows exactly Conway's rule. One "#C" line per
// comment precedes the header.
QString patternRle(const Pattern& pattern, const QStringList& comments, PatternShape shape = {});

// The whole board as multi-state RLE ("." empty, "A" first species, "B"
// second species) under the rule "Coevolife:T<width>,<height>", the board's
// torus.
QString boardRle(const Board& board, const QStringList& comments);

// The starting position of a match between `first` (code 1) and `second`
// (code 2) on the layout's board, each at its place, as boardRle writes it.
QString duelRle(const Pattern& first, const Pattern& second, const QStringList& comments,
                const MatchLayout& layout = {});
