#pragma once

#include "analysis/RunFolders.h"

#include <QByteArray>
#include <QString>

// A run followed while a batch may still be writing it. Each look reads only
// the bytes its files gained since the last one, so that a look costs the
// same at any length of the run. A partial file renamed to its final name is
// followed under the new name; one cut back or rewritten (a resume from a
// checkpoint) is read again whole. A look that cannot read a file, as when
// it is renamed between being found and being read, changes nothing, and
// the next look tries again: the run is never lost.
class LiveRun
{
public:
    explicit LiveRun(OpenedRun run);

    const OpenedRun& run() const { return opened; }

    struct Look {
        // Whether the log or the archive changed.
        bool changed = false;
        // Whether either was read again whole rather than only appended to:
        // then what was shown before may not hold any more.
        bool reread = false;
        // The archive's generations before the look, when only appended to.
        int archivedBefore = 0;
        // A file that could not be read this time, or read wrong; the run
        // stays as it was in that file.
        QString error;
    };
    Look look();

private:
    // Where a file was read up to: `consumed` bytes, the last of which are
    // `tail`, as the file was when `size` and `modified` were taken.
    struct Followed {
        QString path;
        qint64 consumed = -1;
        QByteArray tail;
        qint64 size = -1;
        qint64 modified = -1;
    };
    // The name a followed file has now: the final name once the partial
    // file is renamed, the partial one when a resume takes it back.
    QString currentPath(const QString& finalName, const QString& path) const;
    bool unchanged(const Followed& file, const QString& path) const;
    void lookAtLog(Look& look);
    void lookAtArchive(Look& look);
    QString rereadLog(const QString& path);
    QString rereadArchive(const QString& path);

    OpenedRun opened;
    bool folder = false;
    // The final names of the log and the archive; empty where none is
    // followed.
    QString logFinal;
    QString archiveFinal;
    Followed log;
    Followed archive;
    QString logWarning;
    QString archiveWarning;
};
