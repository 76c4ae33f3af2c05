#include "evolution/ProgressLine.h"
#include "python/ArrayConversion.h"
#include "python/Bindings.h"
#include "python/PythonRun.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <algorithm>

namespace py = pybind11;

namespace
{

// One generation as the run played it.
struct PlayedGeneration {
    GenerationReport report;
    PatternShape shape;
    // Whether the batch prints "stopped" after it: a run of 100 ends.
    bool runEnded = false;

    double average(int population) const
    {
        return static_cast<double>(report.scoreSums[population - 1]) / report.matchesPlayed;
    }
};

py::array populationsOf(const PlayedGeneration& played)
{
    const auto members = static_cast<py::ssize_t>(played.report.populations[0].size());
    CellArray cells({py::ssize_t{2}, members, static_cast<py::ssize_t>(played.shape.height),
                     static_cast<py::ssize_t>(played.shape.width)});
    std::uint8_t* out = cells.mutable_data();
    for (const auto& population : played.report.populations)
        for (const auto& member : population)
            out = std::transform(member.begin(), member.end(), out,
                                 [](int cell) { return static_cast<std::uint8_t>(cell); });
    return std::move(cells);
}

py::array scoresOf(const PlayedGeneration& played)
{
    const auto members = static_cast<py::ssize_t>(played.report.scores[0].size());
    py::array_t<float> scores({py::ssize_t{2}, members});
    for (int p = 0; p < 2; ++p)
        std::copy(played.report.scores[p].begin(), played.report.scores[p].end(),
                  scores.mutable_data(p));
    return std::move(scores);
}

// The next n generations of a run, played one per step of the iteration.
class GenerationIterator
{
public:
    GenerationIterator(PythonRun& run, int count) : run(run), remaining(count) {}

    PlayedGeneration next()
    {
        if (remaining <= 0)
            throw py::stop_iteration();
        // A Ctrl-C pressed while the last generation was bred raises here,
        // before another is played; none is lost.
        if (PyErr_CheckSignals() != 0)
            throw py::error_already_set();
        // Counted once played: one given up by Ctrl-C is played again.
        PlayedGeneration played{run.playNext(), run.evolution().experiment().match.pattern};
        played.runEnded = run.evolution().runComplete();
        --remaining;
        return played;
    }

private:
    PythonRun& run;
    int remaining;
};

} // namespace

void bindRun(py::module_& module)
{
    py::register_exception<CheckpointInUseError>(module, "InUseError", PyExc_OSError)
        .attr("__doc__") = "A checkpoint is in use by another process, such as the "
                           "coevolife-batch that writes it: the message names the process, "
                           "as the batch's own refusal does.";
    py::class_<PlayedGeneration>(module, "Generation", "One generation as a Run played it.")
        .def_property_readonly(
            "number", [](const PlayedGeneration& g) { return g.report.generation; },
            "Generations played since the run's start, this one included.")
        .def_property_readonly(
            "average1", [](const PlayedGeneration& g) { return g.average(1); },
            "Population 1's score sum over the generation's matches, as the progress line has "
            "it.")
        .def_property_readonly(
            "average2", [](const PlayedGeneration& g) { return g.average(2); },
            "Population 2's score sum over the generation's matches.")
        .def_property_readonly(
            "best1", [](const PlayedGeneration& g) { return g.report.bestScores[0]; },
            "Population 1's best score so far (float32).")
        .def_property_readonly(
            "best2", [](const PlayedGeneration& g) { return g.report.bestScores[1]; },
            "Population 2's best score so far (float32).")
        .def_property_readonly(
            "line", [](const PlayedGeneration& g) { return utf8Of(progressLine(g.report)); },
            "The progress line exactly as coevolife-batch prints it.")
        .def_property_readonly(
            "run_ended", [](const PlayedGeneration& g) { return g.runEnded; },
            "Whether a run of 100 generations ends with it (the batch prints \"stopped\").")
        .def_property_readonly("populations", &populationsOf,
                               "Both populations as they played: uint8 (2, N, H, W), cells 0/1.")
        .def_property_readonly("scores", &scoresOf,
                               "Every member's score: float32 (2, N), member i at index i.")
        .def_property_readonly(
            "champions",
            [](const PlayedGeneration& g) {
                py::array_t<std::int32_t> champions(2);
                champions.mutable_at(0) = g.report.champions[0];
                champions.mutable_at(1) = g.report.champions[1];
                return champions;
            },
            "Each population's champion, int32 (2,): the highest score, the lowest index on a "
            "tie.")
        .def("__repr__", [](const PlayedGeneration& g) {
            return "<Generation " + utf8Of(progressLine(g.report)) + ">";
        });

    py::class_<GenerationIterator>(module, "GenerationIterator",
                                   "The generations Run.generations() plays, one per step.")
        .def(
            "__iter__", [](GenerationIterator& it) -> GenerationIterator& { return it; },
            "The iterator itself.")
        .def("__next__", &GenerationIterator::next,
             "Plays the next generation; StopIteration once the n asked for are played.");

    py::class_<PythonRun>(module, "Run",
                          "A co-evolution run with random sources of its own and a pool of "
                          "threads started once: with the same seed and configuration, the "
                          "numbers of coevolife-batch, bit for bit.")
        .def(py::init([](std::uint32_t seed, const std::optional<ExperimentConfig>& config,
                         std::optional<int> threads) {
                 return std::make_unique<PythonRun>(seed, config.value_or(ExperimentConfig()),
                                                    threads);
             }),
             py::arg("seed"), py::arg("config") = py::none(), py::arg("threads") = py::none(),
             "A run seeded as coevolife-batch --seed seeds it, of `config` (default: the "
             "default experiment), its matches on `threads` threads (default: one per core). "
             "ValueError for a configuration a file could not give.")
        .def(
            "generations",
            [](PythonRun& run, int count) {
                if (count < 0)
                    throw py::value_error("generations: at least 0, not " + std::to_string(count));
                return GenerationIterator(run, count);
            },
            py::keep_alive<0, 1>(), py::arg("n"),
            "Plays the next `n` generations, yielding each as it is played; a later call goes "
            "on where this one stopped, runs of 100 beginning and ending as the batch's do. "
            "Ctrl-C raises KeyboardInterrupt at once, giving the generation in progress up: the "
            "run stays at its last whole generation and plays the same one next.")
        .def("checkpoint", &PythonRun::checkpoint, py::arg("path"),
             "Writes the run so far as coevolife-batch writes a checkpoint (no outputs named), "
             "atomically; coevolife-batch --resume PATH --generations N goes on from it. Holds "
             "the lock a batch holds on its checkpoint while it writes: InUseError while a "
             "batch (or another process) holds it, FileExistsError where a batch's checkpoint "
             "names outputs this run would leave behind.")
        .def_static(
            "resume",
            [](const std::string& path, std::optional<int> threads) {
                return PythonRun::resume(path, threads);
            },
            py::arg("path"), py::arg("threads") = py::none(),
            "The run a checkpoint holds, from coevolife-batch or checkpoint(), to go on with "
            "generations(); the checkpoint's output files are not written. ValueError with the "
            "reader's message for a checkpoint it refuses, InUseError while a batch (or another "
            "process) holds its lock; the lock is held only while the file is read.")
        .def_property_readonly("seed", &PythonRun::seed, "The seed the run started from.")
        .def_property_readonly(
            "config", [](const PythonRun& run) { return run.evolution().experiment(); },
            "The run's configuration.")
        .def_property_readonly(
            "generation", [](const PythonRun& run) { return run.evolution().generations(); },
            "Generations played so far.");
}
