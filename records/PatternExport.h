#pragma once

#include "board/Match.h"
#include "board/Pattern.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// Files for the Life community's tools, by name and text.
using ExportFiles = QList<QPair<QString, QString>>;

// A stored score as the exports write it: "%.9g", which reads back as the
// same float.
QString scoreText(float score);

// "duel.rle": the start of a match between `first` and `second` on the
// layout, with the comments and a last one saying how to play it.
QPair<QString, QString> duelExport(const Pattern& first, const Pattern& second,
                                   QStringList comments, const MatchLayout& layout = {});

// Writes `files` and "Coevolife.rule", which every export needs, into
// `folder`, creating it if missing, each file atomically.
QString writeExports(const QString& folder, const ExportFiles& files);
