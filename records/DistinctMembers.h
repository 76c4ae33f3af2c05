#pragma once

#include "records/PackedPopulation.h"

#include <QByteArray>
#include <QString>

// A population as version 3 of the archive keeps it, for N members of P
// bytes: D (uint32), how many distinct patterns it holds; those patterns,
// P bytes each, in the order of their first member; then each member's
// index among them, in I = 1 byte for up to 256 members, 2 for up to
// 65,536, otherwise 4. A population is a few patterns and their copies, so
// this is a fraction of its members' bytes, for next to nothing of work.
void appendDistinctMembers(QByteArray& bytes, const PackedPopulation& population, int members,
                           PatternShape shape);
// The population at `at`, of which `available` bytes follow, appended to
// `members` (N x P bytes); returns the bytes it took, or -1 with `problem`
// saying why when they are not a population of N members.
qsizetype takeDistinctMembers(const char* at, qsizetype available, int members, int patternBytes,
                              QByteArray& expanded, QString& problem);
