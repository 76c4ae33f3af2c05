#pragma once

#include "records/ArchiveReader.h"
#include "records/ConfigFile.h"
#include "records/CsvLogReader.h"
#include "records/GenerationRecord.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <optional>

#include <vector>

// Reading what runs leave: a sweep's run folder holds fitness.csv once the
// run is finished, its config.toml, and run.arc when it was archived. Every
// problem comes back as one line; nothing is printed here.

// A run's folder stands for the log in it; a file is a log itself.
QString logPathOf(const QString& run);
// The experiment a run played: the config.toml beside its log, or the
// window's experiment where there is none.
ConfigRead configOf(const QString& run);

// The name of the folder that holds `runs` (each a run folder, a log in its
// run folder, or a log of its own), as a sweep's condition folder holds its
// seed folders; the deepest folder holding them all when they lie in several;
// empty when that is the root. What a summary of them is called.
QString runsFolderName(const QStringList& runs);

// The CSV logs of `runs`, which must all have played one experiment: runs
// of different experiments are not one sample, and a run given twice (a
// folder and its log, say) is one. No logs after a problem, which `error`
// names.
struct RunLogsRead {
    std::vector<QVector<GenerationRecord>> logs;
    QString error;
};
RunLogsRead readRunLogs(const QStringList& runs);

// One line for each run whose log ends before the longest one's, which
// pooled statistics would otherwise hide: an interrupted run, or one asked
// for fewer generations.
QStringList shortRunWarnings(const QStringList& runs,
                             const std::vector<QVector<GenerationRecord>>& logs);

// Generation `generation` of `archive`, read from `path`; nullptr, with the
// problem in `error`, when the archive does not hold it.
const ArchivedGeneration* archivedGeneration(const RunArchive& archive, int generation,
                                             const QString& path, QString& error);

// A condition: a folder of run folders, as a sweep over seeds leaves it.
struct ConditionFolder {
    QString path;
    // The folder's name, or its path as given when two conditions share a
    // name.
    QString name;
    // The finished runs, seed-2 before seed-10.
    QStringList runs;
    // One line for each run folder left out as unfinished (no fitness.csv).
    QStringList unfinished;
};

// The conditions at `paths`. Empty `error` on success; otherwise one line,
// as when a folder is missing, holds no finished run or is given twice.
struct ConditionFolders {
    std::vector<ConditionFolder> conditions;
    QString error;
};
ConditionFolders listConditionFolders(const QStringList& paths);
// The folders in `path` that are conditions' folders, each holding a run
// folder at least, as a sweep over conditions leaves them in its OUT; never
// a seed's folder (seed-S), whatever it holds.
QStringList conditionFoldersIn(const QString& path);
// When `path`, given as one condition, holds conditions' folders instead (a
// sweep's OUT): one line saying so that names them as `command` takes them;
// empty otherwise.
QString conditionFoldersHint(const QString& path, const QString& command);

// Every run of a sweep, finished or not: the seed folders (seed-S) of each
// condition folder a sweep over conditions leaves in its OUT, or of `path`
// itself when it holds none (one sweep's OUT, or one condition's folder).
// A run is finished once it has its fitness.csv, as compare takes it; an
// unfinished one is read from its fitness.csv.partial, up to its last whole
// row, or holds no log yet.
struct SweepRun {
    int condition = 0;
    std::uint32_t seed = 0;
    bool finished = false;
    QVector<GenerationRecord> log;
    // The run's folder.
    QString path;
};
struct SweepRead {
    // Each condition's folder name, in the order of the folders.
    std::vector<QString> conditions;
    // Condition by condition, seed-2 before seed-10.
    std::vector<SweepRun> runs;
    // One line for each log read up to its last whole row.
    QStringList warnings;
    // Empty on success; otherwise one line, as for a log that does not read.
    QString error;
};
SweepRead readSweep(const QString& path);

// A CSV log that may still be written, or was cut by a kill: read up to its
// last whole row, one line in `warnings` saying so when it ends inside one.
CsvLogRead readLiveLog(const QString& path, QStringList& warnings);

// A run as a viewer opens it: a run folder as the sweeps lay it out
// (fitness.csv, run.arc and config.toml, any of them missing, or the
// .partial files of a run still being written), or an archive on its own.
struct OpenedRun {
    QString path;
    // The log and the archive read, each its final name or its partial file;
    // empty when there is none.
    QString csvPath;
    QString archivePath;
    // The archive's experiment, else its config.toml's, else the window's.
    ExperimentConfig config;
    // The archive's seed, else a seed folder's number.
    std::optional<std::uint32_t> seed;
    QVector<GenerationRecord> log;
    std::optional<RunArchive> archive;
    // A log or archive cut short (a run still writing, or killed) is read up
    // to its last whole generation, with a line here.
    QStringList warnings;
};
struct OpenedRunRead {
    OpenedRun run;
    QString error;
};
OpenedRunRead openRun(const QString& path);
// What a window's title calls the run: its folder or file name, the seed and
// the experiment, "default" or the keys that differ.
QString runTitle(const OpenedRun& run);
