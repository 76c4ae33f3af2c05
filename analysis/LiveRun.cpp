#include "analysis/LiveRun.h"

#include "output/PartialFile.h"
#include "output/QuotedText.h"
#include "records/ArchiveReader.h"
#include "records/CsvLogReader.h"
#include "records/RegularFileReader.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace
{

// Enough of a log's last row to tell it from another.
constexpr int logTailBytes = 64;

QString finalNameOf(const QString& path)
{
    const QString suffix = QStringLiteral(".partial");
    return path.endsWith(suffix) ? path.chopped(suffix.size()) : path;
}

QString cutShortWarning(const QString& path, qint64 bytes)
{
    return bytes == 0 ? QString()
                      : QStringLiteral("%1 ends inside a record; read up to the last whole one")
                            .arg(quotedText(path));
}

} // namespace

LiveRun::LiveRun(OpenedRun run) : opened(std::move(run))
{
    folder = QFileInfo(opened.path).isDir();
    log.path = opened.csvPath;
    archive.path = opened.archivePath;
    // A file still being written is read whole once more by the first look,
    // which learns where it ends; every later look reads only what was
    // appended. A finished file changes only under a resume, which takes it
    // back to its partial name.
    if (folder) {
        const QDir dir(opened.path);
        logFinal = dir.filePath(QStringLiteral("fitness.csv"));
        archiveFinal = dir.filePath(QStringLiteral("run.arc"));
    } else {
        archiveFinal = finalNameOf(opened.archivePath);
    }
    for (Followed* file : {&log, &archive})
        if (!file->path.isEmpty() && finalNameOf(file->path) == file->path) {
            const QFileInfo info(file->path);
            file->size = info.size();
            file->modified = info.lastModified().toMSecsSinceEpoch();
        }
}

QString LiveRun::currentPath(const QString& finalName, const QString& path) const
{
    if (finalName.isEmpty())
        return path;
    if (QFileInfo::exists(finalName))
        return finalName;
    const QString partial = PartialFile::partialPathOf(finalName);
    return QFileInfo::exists(partial) ? partial : path;
}

bool LiveRun::unchanged(const Followed& file, const QString& path) const
{
    const QFileInfo info(path);
    return path == file.path && info.size() == file.size &&
           info.lastModified().toMSecsSinceEpoch() == file.modified;
}

LiveRun::Look LiveRun::look()
{
    Look look;
    look.archivedBefore = opened.archive ? static_cast<int>(opened.archive->generations.size()) : 0;
    lookAtLog(look);
    lookAtArchive(look);
    if (look.changed) {
        opened.warnings.clear();
        for (const QString& warning : {logWarning, archiveWarning})
            if (!warning.isEmpty())
                opened.warnings << warning;
    }
    return look;
}

void LiveRun::lookAtLog(Look& look)
{
    const QString path = currentPath(logFinal, log.path);
    if (path.isEmpty() || unchanged(log, path))
        return;
    const QFileInfo info(path);
    const qint64 size = info.size();
    const qint64 modified = info.lastModified().toMSecsSinceEpoch();
    const auto reread = [&] {
        const QString error = rereadLog(path);
        if (!error.isEmpty()) {
            look.error = error;
            return;
        }
        log.size = size;
        log.modified = modified;
        look.changed = look.reread = true;
    };
    if (path != log.path || log.consumed < 0)
        return reread();
    RegularFileReader file(path);
    if (!file.problem().isEmpty()) {
        look.error = QStringLiteral("%1: cannot read: %2").arg(quotedText(path), file.problem());
        return;
    }
    const qint64 from = log.consumed - log.tail.size();
    if (file.size() < log.consumed)
        return reread();
    const QByteArray bytes = file.read(from, file.size() - from);
    if (!file.problem().isEmpty()) {
        look.error = QStringLiteral("%1: cannot read: %2").arg(quotedText(path), file.problem());
        return;
    }
    if (!bytes.startsWith(log.tail))
        return reread();
    const qsizetype whole = bytes.lastIndexOf('\n') + 1 - log.tail.size();
    logWarning = cutShortWarning(path, bytes.size() - log.tail.size() - std::max<qsizetype>(whole, 0));
    log.size = size;
    log.modified = modified;
    if (whole <= 0)
        return;
    const QByteArray rows = bytes.mid(log.tail.size(), whole);
    const int last = opened.log.isEmpty() ? 0 : opened.log.back().generation;
    const CsvLogRead read = parseCsvLogRows(rows, 1 + opened.log.size(), last, path);
    if (!read.error.isEmpty())
        return reread();
    opened.log += read.records;
    log.consumed += rows.size();
    log.tail = (log.tail + rows).right(logTailBytes);
    look.changed = true;
}

QString LiveRun::rereadLog(const QString& path)
{
    QString problem;
    QByteArray bytes = readCsvLogFile(path, problem);
    if (!problem.isEmpty())
        return QStringLiteral("%1: cannot read: %2").arg(quotedText(path), problem);
    const qsizetype whole = bytes.lastIndexOf('\n') + 1;
    logWarning = cutShortWarning(path, bytes.size() - whole);
    bytes.truncate(whole);
    // A log with its header alone has no generation yet.
    if (bytes.count('\n') <= 1 && !bytes.isEmpty()) {
        log.path = path;
        opened.csvPath = path;
        return {};
    }
    CsvLogRead read = parseCsvLog(bytes, path);
    if (!read.error.isEmpty())
        return read.error;
    opened.log = std::move(read.records);
    opened.csvPath = path;
    log.path = path;
    log.consumed = bytes.size();
    log.tail = bytes.right(logTailBytes);
    return {};
}

void LiveRun::lookAtArchive(Look& look)
{
    const QString path = currentPath(archiveFinal, archive.path);
    if (path.isEmpty() || unchanged(archive, path))
        return;
    const QFileInfo info(path);
    const qint64 size = info.size();
    const qint64 modified = info.lastModified().toMSecsSinceEpoch();
    const auto reread = [&] {
        const QString error = rereadArchive(path);
        if (!error.isEmpty()) {
            look.error = error;
            return;
        }
        archive.size = size;
        archive.modified = modified;
        look.changed = look.reread = true;
    };
    if (path != archive.path || archive.consumed < 0 || !opened.archive)
        return reread();
    RegularFileReader file(path);
    if (!file.problem().isEmpty()) {
        look.error = QStringLiteral("%1: cannot read: %2").arg(quotedText(path), file.problem());
        return;
    }
    const ArchiveHeader& header = opened.archive->header;
    if (file.size() < archive.consumed)
        return reread();
    const qint64 from = archive.consumed - archive.tail.size();
    const QByteArray bytes = file.read(from, file.size() - from);
    if (!file.problem().isEmpty()) {
        look.error = QStringLiteral("%1: cannot read: %2").arg(quotedText(path), file.problem());
        return;
    }
    if (!bytes.startsWith(archive.tail))
        return reread();
    std::vector<ArchivedGeneration>& generations = opened.archive->generations;
    qsizetype at = archive.tail.size();
    for (;;) {
        const qint64 available = bytes.size() - at;
        const qint64 recordSize = archiveRecordSizeAt(bytes.constData() + at, available, header);
        if (recordSize < 0)
            return reread();
        if (available == 0 || recordSize == 0 || recordSize > available)
            break;
        QString problem;
        const auto generation =
            decodeArchivedGeneration(bytes.mid(at, recordSize), header, problem);
        if (!generation ||
            static_cast<long long>(generation->generation) !=
                static_cast<long long>(generations.back().generation) + 1)
            return reread();
        generations.push_back(*generation);
        archive.consumed += recordSize;
        archive.tail = bytes.mid(at, recordSize);
        at += static_cast<qsizetype>(recordSize);
        look.changed = true;
    }
    archiveWarning = cutShortWarning(path, bytes.size() - at);
    archive.size = size;
    archive.modified = modified;
}

QString LiveRun::rereadArchive(const QString& path)
{
    ArchiveRead read = readArchive(path);
    if (!read.error.isEmpty())
        return read.error;
    archiveWarning = read.warning;
    // Where its whole records end, and the last of them as the file holds
    // it, to know the file again at the next look.
    RegularFileReader file(path);
    archive.tail = file.read(read.lastRecordAt, read.recordsEnd - read.lastRecordAt);
    if (!file.problem().isEmpty())
        return QStringLiteral("%1: cannot read: %2").arg(quotedText(path), file.problem());
    archive.consumed = read.recordsEnd;
    archive.path = path;
    opened.archivePath = path;
    opened.config = read.archive.config();
    opened.archive = std::move(read.archive);
    return {};
}
