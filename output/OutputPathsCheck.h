#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// How two paths are told to be the same: cleaned and absolute. Empty stays
// empty.
QString absoluteCleanPath(const QString& path);

// One output a program will write, named by the option that asked for it.
struct PlannedOutput {
    QString option;
    QString path;
    // A file is written under a temporary name beside it and renamed into
    // place; a partial file is written as "FILE.partial" first; a folder is
    // created with its parents if missing.
    enum class Kind { File, PartialFile, Folder } kind = Kind::File;
    // For a folder: the names of the files written into it.
    QStringList fileNames;
};

// Checks, before any work, that every output can be written where it was
// asked for: no folder where a file goes (counting "FILE.partial" and the
// files a folder takes), no file where a folder goes, a folder that takes new
// files, and no path (cleaned and absolute, counting "FILE.partial" and the
// files inside a folder) claimed by two outputs. One line naming the option
// and the path, or empty when all is well; nothing is printed or left behind.
QString checkOutputPaths(const QVector<PlannedOutput>& outputs);
