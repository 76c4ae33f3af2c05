#include "batch/CheckpointKeeper.h"

#include "batch/ExperimentRecorder.h"
#include "evolution/GenerationReport.h"
#include "output/AtomicFile.h"
#include "output/QuotedText.h"
#include "output/SystemFile.h"
#include "records/Checksum.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace
{

// The settings as the checkpoint at `path` stores them: outputs in its
// folder relative to it, so that the folder may be copied or moved.
Checkpoint storedSettings(const QString& path, const Checkpoint& start)
{
    Checkpoint settings;
    static_cast<RunOutputs&>(settings) = pathsStoredIn(QFileInfo(path).absolutePath(), start);
    settings.config = start.config;
    settings.seed = start.seed;
    settings.generationsAsked = start.generationsAsked;
    return settings;
}

} // namespace

CheckpointKeeper::CheckpointKeeper(const QString& path, const Checkpoint& start)
    : path(path), settings(storedSettings(path, start)),
      layout(settings, CheckpointLayout::roomFor(start.randomSources)),
      journal(layout.journalOf(start)),
      journalChecksum(crc32Of(journal.constData(), journal.size()))
{
}

CheckpointKeeper::~CheckpointKeeper()
{
    if (descriptor >= 0)
        ::close(descriptor);
}

QString CheckpointKeeper::write(const GenerationReport& report, const ExperimentRecorder& recorder)
{
    const CheckpointProgress progress{*report.state, report.randomSources, recorder.csvBytes(),
                                      recorder.archiveBytes()};
    const qsizetype entryBegins = journal.size();
    layout.appendEntry(journal, report.populations[0][report.champions[0]],
                       report.populations[1][report.champions[1]], generationRecord(report));
    journalChecksum = crc32Continued(journalChecksum, journal.constData() + entryBegins,
                                     journal.size() - entryBegins);
    if (descriptor < 0 || !layout.holds(report.randomSources))
        return writeWhole(progress);
    return writeInPlace(progress, entryBegins);
}

QString CheckpointKeeper::writeWhole(const CheckpointProgress& progress)
{
    if (!layout.holds(progress.randomSources))
        layout = CheckpointLayout(settings, CheckpointLayout::roomFor(progress.randomSources));
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
    if (QString error = writeFileAtomically(path, layout.wholeFile(progress, journal));
        !error.isEmpty())
        return error;
    descriptor = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    if (descriptor < 0)
        return QStringLiteral("cannot write %1: %2").arg(quotedText(path), systemReason(errno));
    return {};
}

QString CheckpointKeeper::writeInPlace(const CheckpointProgress& progress, qsizetype entryBegins)
{
    // The entry past the end the file's slots count, then the slot that
    // counts it in place of the one two generations old, then the header's
    // copy for scripts: a write cut short anywhere leaves the slot of the
    // generation before sound, with all it counts. No fsync, as for every
    // file the program writes: what the process wrote survives its end.
    const int generation = progress.evolution.generationCount;
    const QByteArray slot = layout.slot(progress, journalChecksum);
    const QByteArray fields = layout.progressFields(progress);
    int failure = writeAllAt(descriptor, journal.constData() + entryBegins,
                             static_cast<std::size_t>(journal.size() - entryBegins),
                             layout.entryOffset(generation));
    if (failure == 0)
        failure = writeAllAt(descriptor, slot.constData(), static_cast<std::size_t>(slot.size()),
                             layout.slotOffset(generation));
    if (failure == 0)
        failure =
            writeAllAt(descriptor, fields.constData(), static_cast<std::size_t>(fields.size()),
                       CheckpointLayout::progressFieldsOffset);
    if (failure != 0)
        return QStringLiteral("cannot write %1: %2").arg(quotedText(path), systemReason(failure));
    return {};
}
