#pragma once

#include <QByteArray>
#include <QString>

// The version of this program that the archives and the checkpoints it
// writes record, in ASCII.
QByteArray recordedProgramVersion();

// Empty when `recorded`, a header's version field of `fieldSize` bytes up to
// its first NUL byte, names this program's version; otherwise the problem:
// another version may play other numbers.
QString recordedVersionProblem(const QByteArray& recorded, int fieldSize);
