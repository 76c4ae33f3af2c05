#include "analysis/RunFolders.h"

#include "output/PartialFile.h"
#include "output/QuotedText.h"
#include "records/ConfigKeys.h"
#include "records/CsvLogReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <functional>
#include <limits>

namespace
{

const QString logName = QStringLiteral("fitness.csv");

// Seed folders by their number, then any other folder by its name.
bool runsInOrder(const QString& a, const QString& b)
{
    static const QRegularExpression seedFolder(QStringLiteral("^seed-(\\d{1,9})$"));
    const auto key = [](const QString& name) {
        const QRegularExpressionMatch match = seedFolder.match(name);
        return match.hasMatch() ? match.captured(1).toLongLong()
                                : std::numeric_limits<long long>::max();
    };
    const long long ka = key(a);
    const long long kb = key(b);
    return ka != kb ? ka < kb : a < b;
}

// The seed a sweep's seed-S folder is named by.
std::optional<std::uint32_t> seedOfFolder(const QString& name)
{
    static const QRegularExpression seedFolder(QStringLiteral("^seed-(\\d{1,10})$"));
    const QRegularExpressionMatch match = seedFolder.match(name);
    bool ok = false;
    const qulonglong seed = match.hasMatch() ? match.captured(1).toULongLong(&ok) : 0;
    if (!ok || seed > 0xffffffffULL)
        return std::nullopt;
    return static_cast<std::uint32_t>(seed);
}

// Whether `folder` holds a run, finished or not.
bool holdsRun(const QDir& folder)
{
    return folder.exists(logName) || folder.exists(logName + QStringLiteral(".partial")) ||
           folder.exists(QStringLiteral("run.ckpt"));
}

// The first of `paths` that is, by its canonical path, the same file or
// folder as an earlier one: "A and B are the same `what`, given twice";
// empty when each is given once. Paths that do not exist are left to the
// readers.
QString givenTwice(const QStringList& paths, const QString& what,
                   const std::function<QString(const QString&)>& fileOf)
{
    QStringList seen;
    for (const QString& path : paths) {
        const QString canonical = QFileInfo(fileOf(path)).canonicalFilePath();
        const qsizetype earlier = canonical.isEmpty() ? -1 : seen.indexOf(canonical);
        if (earlier >= 0)
            return QStringLiteral("%1 and %2 are the same %3, given twice")
                .arg(quotedText(paths[earlier]), quotedText(path), what);
        seen << canonical;
    }
    return {};
}

} // namespace

QString logPathOf(const QString& run)
{
    return QFileInfo(run).isDir() ? QDir(run).filePath(logName) : run;
}

ConfigRead configOf(const QString& run)
{
    const QString path = QFileInfo(logPathOf(run)).dir().filePath(QStringLiteral("config.toml"));
    if (!QFileInfo::exists(path))
        return {};
    return readExperimentConfig(path);
}

QString runsFolderName(const QStringList& runs)
{
    QStringList shared;
    for (int k = 0; k < runs.size(); ++k) {
        const QFileInfo given(QDir::cleanPath(QFileInfo(runs[k]).absoluteFilePath()));
        const bool logInRunFolder = !given.isDir() && given.fileName() == logName;
        const QString folder = logInRunFolder ? QFileInfo(given.path()).path() : given.path();
        const QStringList parts = folder.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        if (k == 0)
            shared = parts;
        int same = 0;
        while (same < shared.size() && same < parts.size() && shared[same] == parts[same])
            ++same;
        shared = shared.mid(0, same);
    }
    return shared.isEmpty() ? QString() : shared.back();
}

RunLogsRead readRunLogs(const QStringList& runs)
{
    RunLogsRead result;
    result.error = givenTwice(runs, QStringLiteral("run"), logPathOf);
    if (!result.error.isEmpty())
        return result;
    ConfigRead first;
    for (const QString& run : runs) {
        const ConfigRead config = configOf(run);
        if (!config.ok()) {
            result.error = config.error;
            break;
        }
        if (result.logs.empty())
            first = config;
        else if (config.config != first.config) {
            result.error = QStringLiteral("%1 and %2 played different configurations")
                               .arg(quotedText(runs.first()), quotedText(run));
            break;
        }
        CsvLogRead read = readCsvLog(logPathOf(run));
        if (!read.error.isEmpty()) {
            result.error = read.error;
            break;
        }
        result.logs.push_back(std::move(read.records));
    }
    if (!result.error.isEmpty())
        result.logs.clear();
    return result;
}

QStringList shortRunWarnings(const QStringList& runs,
                             const std::vector<QVector<GenerationRecord>>& logs)
{
    qsizetype longest = 0;
    for (const QVector<GenerationRecord>& log : logs)
        longest = std::max(longest, log.size());
    QStringList warnings;
    for (std::size_t k = 0; k < logs.size(); ++k)
        if (logs[k].size() < longest)
            warnings << QStringLiteral("%1 is shorter than the others: it ends at generation %2, "
                                       "the longest run at %3")
                            .arg(quotedText(runs[static_cast<qsizetype>(k)]))
                            .arg(logs[k].size())
                            .arg(longest);
    return warnings;
}

const ArchivedGeneration* archivedGeneration(const RunArchive& archive, int generation,
                                             const QString& path, QString& error)
{
    const ArchivedGeneration* found = archive.generation(generation);
    if (!found)
        error = QStringLiteral("%1: generation %2 is outside the archive's %3:%4")
                    .arg(quotedText(path))
                    .arg(generation)
                    .arg(archive.oldestGeneration())
                    .arg(archive.newestGeneration());
    return found;
}

ConditionFolders listConditionFolders(const QStringList& paths)
{
    ConditionFolders result;
    result.error =
        givenTwice(paths, QStringLiteral("condition"), [](const QString& path) { return path; });
    if (!result.error.isEmpty())
        return result;
    QStringList names;
    for (const QString& path : paths) {
        const QDir folder(path);
        if (!QFileInfo(path).isDir()) {
            result.error = QStringLiteral("%1: not a folder of runs").arg(quotedText(path));
            return result;
        }
        ConditionFolder condition;
        condition.path = QDir::cleanPath(path);
        condition.name = QFileInfo(condition.path).fileName();
        QStringList entries = folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        std::sort(entries.begin(), entries.end(), runsInOrder);
        for (const QString& entry : entries) {
            const QDir run(folder.filePath(entry));
            if (run.exists(logName))
                condition.runs.append(run.path());
            else if (holdsRun(run))
                condition.unfinished.append(QStringLiteral("%1: unfinished (no %2), left out")
                                                .arg(quotedText(folder.filePath(entry)), logName));
        }
        if (condition.runs.isEmpty()) {
            result.error = QStringLiteral("%1 holds no finished run (a folder with %2)")
                               .arg(quotedText(path), logName);
            return result;
        }
        names.append(condition.name);
        result.conditions.push_back(condition);
    }
    // Folders of one name in different places are told apart by their paths.
    for (ConditionFolder& condition : result.conditions)
        if (condition.name.isEmpty() || names.count(condition.name) > 1)
            condition.name = condition.path;
    return result;
}

SweepRead readSweep(const QString& path)
{
    SweepRead sweep;
    if (!QFileInfo(path).isDir()) {
        sweep.error = QStringLiteral("%1: not a folder of runs").arg(quotedText(path));
        return sweep;
    }
    QStringList conditions = conditionFoldersIn(path);
    if (conditions.isEmpty())
        conditions << QDir::cleanPath(path);
    for (const QString& condition : conditions) {
        const QDir folder(condition);
        QStringList entries = folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        std::sort(entries.begin(), entries.end(), runsInOrder);
        const int index = static_cast<int>(sweep.conditions.size());
        sweep.conditions.push_back(QFileInfo(QDir(condition).absolutePath()).fileName());
        for (const QString& entry : entries) {
            const std::optional<std::uint32_t> seed = seedOfFolder(entry);
            const QDir run(folder.filePath(entry));
            if (!seed || !holdsRun(run))
                continue;
            SweepRun played{index, *seed, run.exists(logName), {}, run.path()};
            const QString partial = run.filePath(PartialFile::partialPathOf(logName));
            if (played.finished || QFileInfo::exists(partial)) {
                CsvLogRead read = played.finished ? readCsvLog(run.filePath(logName))
                                                  : readLiveLog(partial, sweep.warnings);
                if (!read.error.isEmpty()) {
                    sweep.error = read.error;
                    return sweep;
                }
                played.log = std::move(read.records);
            }
            sweep.runs.push_back(std::move(played));
        }
    }
    return sweep;
}

QStringList conditionFoldersIn(const QString& path)
{
    const QDir folder(path);
    QStringList conditions;
    for (const QString& entry : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        // A seed's folder is a run's, even when it holds the files of an
        // earlier start that a sweep set aside.
        if (seedOfFolder(entry))
            continue;
        const QDir condition(folder.filePath(entry));
        const QStringList runs = condition.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        if (std::any_of(runs.begin(), runs.end(), [&condition](const QString& run) {
                return holdsRun(QDir(condition.filePath(run)));
            }))
            conditions << condition.path();
    }
    return conditions;
}

QString conditionFoldersHint(const QString& path, const QString& command)
{
    const QStringList conditions = conditionFoldersIn(path);
    if (conditions.isEmpty())
        return {};
    QStringList shown;
    for (const QString& condition : conditions)
        shown << quotedText(condition);
    return QStringLiteral("%1 holds condition folders, not runs: give them instead, the control "
                          "first, e.g. %2 %3")
        .arg(quotedText(path), command, shown.join(QLatin1Char(' ')));
}

namespace
{

// The final name if it exists, else its partial file, else empty.
QString finalOrPartial(const QDir& folder, const QString& name)
{
    if (folder.exists(name))
        return folder.filePath(name);
    const QString partial = PartialFile::partialPathOf(name);
    return folder.exists(partial) ? folder.filePath(partial) : QString();
}

} // namespace

CsvLogRead readLiveLog(const QString& path, QStringList& warnings)
{
    QString problem;
    QByteArray bytes = readCsvLogFile(path, problem);
    if (!problem.isEmpty())
        return {{}, QStringLiteral("%1: cannot read: %2").arg(quotedText(path), problem)};
    const qsizetype lastLineEnd = bytes.lastIndexOf('\n');
    if (lastLineEnd + 1 < bytes.size()) {
        bytes.truncate(lastLineEnd + 1);
        warnings << QStringLiteral("%1 ends inside a row; read up to the last whole one")
                        .arg(quotedText(path));
    }
    return parseCsvLog(bytes, path);
}


OpenedRunRead openRun(const QString& path)
{
    OpenedRunRead result;
    OpenedRun& run = result.run;
    run.path = QDir::cleanPath(path);
    const QFileInfo info(path);
    if (info.isDir()) {
        const QDir folder(path);
        run.csvPath = finalOrPartial(folder, logName);
        run.archivePath = finalOrPartial(folder, QStringLiteral("run.arc"));
        if (run.csvPath.isEmpty() && run.archivePath.isEmpty()) {
            result.error = QStringLiteral("%1 holds no run: neither %2 nor run.arc (nor their "
                                          ".partial files)")
                               .arg(quotedText(path), logName);
            return result;
        }
        run.seed = seedOfFolder(QFileInfo(run.path).fileName());
    } else if (info.exists()) {
        // Anything else is an archive to the reader, which refuses what is
        // not a regular file.
        run.archivePath = path;
    } else {
        result.error = QStringLiteral("%1: no such file or folder").arg(quotedText(path));
        return result;
    }

    if (!run.archivePath.isEmpty()) {
        ArchiveRead read = readArchive(run.archivePath);
        if (!read.error.isEmpty()) {
            result.error = read.error;
            return result;
        }
        if (!read.warning.isEmpty())
            run.warnings << read.warning;
        run.config = read.archive.config();
        run.seed = read.archive.header.seed;
        run.archive = std::move(read.archive);
    } else {
        const ConfigRead config = configOf(run.csvPath);
        if (!config.ok()) {
            result.error = config.error;
            return result;
        }
        run.config = config.config;
    }
    if (!run.csvPath.isEmpty()) {
        CsvLogRead read = readLiveLog(run.csvPath, run.warnings);
        if (!read.error.isEmpty()) {
            result.error = read.error;
            return result;
        }
        run.log = std::move(read.records);
    }
    return result;
}

QString runTitle(const OpenedRun& run)
{
    QStringList parts{QFileInfo(run.path).fileName()};
    if (run.seed)
        parts << QStringLiteral("seed %1").arg(*run.seed);
    const QStringList differences = configDifferences(run.config);
    parts << (differences.isEmpty() ? QStringLiteral("default")
                                    : differences.join(QStringLiteral(", ")));
    return parts.join(QStringLiteral(" \u2014 "));
}
