#include "python/PythonRun.h"

#include "output/AtomicFile.h"
#include "output/OutputLock.h"
#include "output/QuotedText.h"
#include "python/Arguments.h"
#include "python/ArrayConversion.h"
#include "python/PoolWait.h"
#include "records/CheckpointFormat.h"
#include "records/ConfigFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <pybind11/pybind11.h>

namespace py = pybind11;

namespace
{

const ExperimentConfig& checkedConfig(const ExperimentConfig& config)
{
    if (const QString error = checkExperimentConfig(config); !error.isEmpty())
        raiseValueError(error);
    return config;
}

// The lock a batch holds on its checkpoint for as long as it runs, taken
// here only while the file is read or written: a Run writes its checkpoint
// when asked, and between two writes a batch may take the file over (it is
// then refused the write, as a second batch would be). A lock that cannot
// be made (a folder this process cannot write in) does not keep a reader
// from reading.
std::unique_ptr<OutputLock> lockCheckpoint(const QString& path, bool reading)
{
    QString error;
    bool inUse = false;
    std::unique_ptr<OutputLock> lock = OutputLock::acquire(path, error, &inUse);
    if (!lock && inUse)
        throw CheckpointInUseError(utf8Of(error));
    if (!lock && !reading) {
        PyErr_SetString(PyExc_OSError, utf8Of(error).c_str());
        throw py::error_already_set();
    }
    return lock;
}

// A batch's checkpoint names the outputs its resume goes on writing; this
// run writes none, so its checkpoint in that place would strand them.
void refuseStrandingOutputs(const QString& name)
{
    if (!QFileInfo::exists(name))
        return;
    const CheckpointRead read = readCheckpoint(name);
    if (!read.error.isEmpty())
        return;
    QStringList named;
    for (QString RunOutputs::*output : runOutputPaths)
        if (!(read.checkpoint.*output).isEmpty())
            named << quotedText(QFile::encodeName(read.checkpoint.*output), 1000);
    if (named.isEmpty())
        return;
    const std::string message = utf8Of(
        QStringLiteral("%1: the checkpoint of a batch run that writes %2; replaced by this "
                       "run's, which writes none, its resume would leave them behind: "
                       "write to another path, or remove it first")
            .arg(quotedText(QFile::encodeName(name), 1000), named.join(QStringLiteral(", "))));
    PyErr_SetString(PyExc_FileExistsError, message.c_str());
    throw py::error_already_set();
}

} // namespace

PythonRun::PythonRun(std::uint32_t seed, const ExperimentConfig& config, std::optional<int> threads)
    : PythonRun(std::make_unique<EvolutionRun>(seed, checkedConfig(config)), startPool(threads))
{
}

PythonRun::PythonRun(std::unique_ptr<EvolutionRun> startedRun,
                     std::unique_ptr<MatchPool> startedPool)
    : run(std::move(startedRun)), pool(std::move(startedPool)),
      runner(*pool, [](MatchPool& playing) {
          // The generation is played without the GIL; the wait takes it to
          // look for Ctrl-C, whose exception gives the generation up.
          const py::gil_scoped_acquire acquire;
          waitInterruptibly(playing);
      })
{
}

std::unique_ptr<PythonRun> PythonRun::resume(const QString& path, std::optional<int> threads)
{
    const std::unique_ptr<OutputLock> lock = lockCheckpoint(path, true);
    const CheckpointRead read = readCheckpoint(path);
    if (!read.error.isEmpty())
        raiseValueError(read.error);
    std::unique_ptr<MatchPool> pool = startPool(threads);
    std::unique_ptr<EvolutionRun> run = EvolutionRun::resumed(read.checkpoint);
    if (!run)
        raiseValueError(quotedText(path) + QStringLiteral(": the random sources do not read"));
    return std::unique_ptr<PythonRun>(new PythonRun(std::move(run), std::move(pool)));
}

namespace
{

void refuseWhilePlaying(bool playing)
{
    if (playing)
        throw std::runtime_error("the run is playing a generation on another thread");
}

} // namespace

GenerationReport PythonRun::playNext()
{
    refuseWhilePlaying(playing);
    playing = true;
    struct PlayingEnds {
        bool& playing;
        ~PlayingEnds() { playing = false; }
    } const ends{playing};
    const py::gil_scoped_release release;
    return run->playNext(runner);
}

void PythonRun::checkpoint(const QString& path) const
{
    refuseWhilePlaying(playing);
    if (run->evolution().generations() < 1)
        throw py::value_error("a checkpoint holds a generation: play one first");
    const Checkpoint saved = run->checkpoint();
    const std::unique_ptr<OutputLock> lock = lockCheckpoint(path, false);
    refuseStrandingOutputs(path);
    int systemError = 0;
    if (const QString error = writeFileAtomically(path, encodeCheckpoint(saved), &systemError);
        !error.isEmpty())
        raiseOSError(systemError, py::str(utf8Of(path)));
}
