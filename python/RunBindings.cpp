#include "evolution/ProgressLine.h"
#include "python/Arguments.h"
#include "python/ArrayConversion.h"
#include "python/Bindings.h"
#include "python/BirthArrays.h"
#include "python/PythonRun.h"
#include "records/ConfigKeys.h"
#include "records/GenerationRecord.h"

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

py::array parentsOf(const PlayedGeneration& played)
{
    const auto members = static_cast<py::ssize_t>(played.report.populations[0].size());
    py::array_t<std::int32_t> parents({py::ssize_t{2}, members, py::ssize_t{2}});
    for (py::ssize_t p = 0; p < 2; ++p)
        writeParents(played.report.births[static_cast<std::size_t>(p)], static_cast<int>(members),
                     parents.mutable_data(p));
    return std::move(parents);
}

py::array operatorsOf(const PlayedGeneration& played)
{
    const auto members = static_cast<py::ssize_t>(played.report.populations[0].size());
    py::array_t<std::int8_t> operators({py::ssize_t{2}, members});
    for (py::ssize_t p = 0; p < 2; ++p)
        writeOperators(played.report.births[static_cast<std::size_t>(p)], static_cast<int>(members),
                       operators.mutable_data(p));
    return std::move(operators);
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

// A number of the progress line, as its record has it.
template <double GenerationRecord::*field> double recorded(const PlayedGeneration& played)
{
    return generationRecord(played.report).*field;
}

void bindGeneration(py::module_& module)
{
    py::class_<PlayedGeneration>(
        module, "Generation",
        "One generation as a Run played it. Its numbers, as the batch's progress line, CSV log "
        "and archive have them: a match scores population 1 its surviving cells times the "
        "contacts / 10 and population 2 its surviving cells; a member's score (scores) is the "
        "mean of its match scores; the averages divide the sum of the members' scores by the "
        "generation's matches, not by the members.")
        .def_property_readonly(
            "number", [](const PlayedGeneration& g) { return g.report.generation; },
            "Generations played since the run's start, this one included.")
        .def_property_readonly(
            "average1", &recorded<&GenerationRecord::average1>,
            "Population 1's average as the progress line and the CSV log have it: the sum of "
            "its members' scores (float32, added in member order) divided by the generation's "
            "matches between current members (the configuration's match.per_generation, 400 "
            "by default), not by its members: with 100 members and 400 matches, a quarter of "
            "scores[0].mean().")
        .def_property_readonly("average2", &recorded<&GenerationRecord::average2>,
                               "Population 2's average, as average1 is population 1's.")
        .def_property_readonly(
            "best1", &recorded<&GenerationRecord::best1>,
            "Population 1's best score so far: the highest member score (float32) of this and "
            "every earlier generation of the run, runs of 100 and resumes included.")
        .def_property_readonly("best2", &recorded<&GenerationRecord::best2>,
                               "Population 2's best score so far, as best1 is population 1's.")
        .def_property_readonly(
            "line", [](const PlayedGeneration& g) { return utf8Of(progressLine(g.report)); },
            "The progress line exactly as coevolife-batch prints it.")
        .def_property_readonly(
            "run_ended", [](const PlayedGeneration& g) { return g.runEnded; },
            "Whether a run of 100 generations ends with it (the batch prints \"stopped\").")
        .def_property_readonly("populations", &populationsOf,
                               "Both populations as they played: uint8 (2, N, H, W), cells 0/1.")
        .def_property_readonly(
            "scores", &scoresOf,
            "Every member's score, float32 (2, N), member i at index i: the mean of its match "
            "scores in this generation (its matches against the other population's current "
            "members and, with a hall of fame, against past champions), 0 for a member that "
            "played none.")
        .def_property_readonly(
            "champions",
            [](const PlayedGeneration& g) {
                py::array_t<std::int32_t> champions(2);
                champions.mutable_at(0) = g.report.champions[0];
                champions.mutable_at(1) = g.report.champions[1];
                return champions;
            },
            "Each population's champion, int32 (2,): the member with the highest score, the "
            "lowest index on a tie; scores[p, champions[p]] is what the archive stores as its "
            "score.")
        .def_property_readonly(
            "parents", &parentsOf,
            "How each member was bred, int32 (2, N, 2): [p, i, 0] the member of the generation "
            "before that member i of population p was selected from, [p, i, 1] its mate for a "
            "crossover, -1 otherwise. -1 throughout for the first generation (and for the first "
            "one a run resumes from a checkpoint written before checkpoints kept births).")
        .def_property_readonly(
            "operators", &operatorsOf,
            "The operator that bred each member, int8 (2, N): 0 mutation, 1 crossover, 2 copy; "
            "-1 where parents is.")
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
}

std::string runRepr(const PythonRun& run)
{
    const QStringList differences = configDifferences(run.evolution().experiment());
    return "<Run seed " + std::to_string(run.seed()) + ", generation " +
           std::to_string(run.evolution().generations()) +
           (differences.isEmpty() ? std::string()
                                  : ", " + utf8Of(differences.join(QStringLiteral(", ")))) +
           ">";
}

void bindRunClass(py::module_& module)
{
    py::class_<PythonRun>(module, "Run",
                          "A co-evolution run with random sources of its own and a pool of "
                          "threads started once: with the same seed and configuration, the "
                          "numbers of coevolife-batch, bit for bit.")
        .def(py::init([](const GivenInteger& seed, const std::optional<GivenConfig>& config,
                         const std::optional<GivenInteger>& threads) {
                 return std::make_unique<PythonRun>(seedOf(seed), configOf(config),
                                                    threadCountOf(threads));
             }),
             py::arg("seed"), py::arg("config") = py::none(), py::arg("threads") = py::none(),
             "A run seeded as coevolife-batch --seed seeds it (0 to 4294967295), of `config` "
             "(default: the default experiment), its matches on `threads` threads (1 to 1024; "
             "default: one per core). ValueError for a configuration a file could not give.")
        .def(
            "generations",
            [](PythonRun& run, const GivenInteger& count) {
                return GenerationIterator(run, generationOf(count, "n", 0));
            },
            py::keep_alive<0, 1>(), py::arg("n"),
            "Plays the next `n` generations, yielding each as it is played; a later call goes "
            "on where this one stopped, runs of 100 beginning and ending as the batch's do. "
            "Ctrl-C raises KeyboardInterrupt at once, giving the generation in progress up: the "
            "run stays at its last whole generation and plays the same one next.")
        .def(
            "checkpoint",
            [](const PythonRun& run, const GivenPath& given) {
                const QString path = pathOf(given, "path");
                checkWritable(path, given);
                run.checkpoint(path);
            },
            py::arg("path"),
            "Writes the run so far as coevolife-batch writes a checkpoint (no outputs named), "
            "atomically; coevolife-batch --resume PATH --generations N goes on from it. Holds "
            "the lock a batch holds on its checkpoint while it writes: InUseError while a "
            "batch (or another process) holds it, FileExistsError where a batch's checkpoint "
            "names outputs this run would leave behind, the OSError of the system's errno "
            "(FileNotFoundError for a missing folder, PermissionError, ...) for a write that "
            "fails.")
        .def_static(
            "resume",
            [](const GivenPath& given, const std::optional<GivenInteger>& threads) {
                const QString path = pathOf(given, "path");
                const std::optional<int> threadCount = threadCountOf(threads);
                checkReadable(path, given);
                return PythonRun::resume(path, threadCount);
            },
            py::arg("path"), py::arg("threads") = py::none(),
            "The run a checkpoint holds, from coevolife-batch or checkpoint(), to go on with "
            "generations(); the checkpoint's output files are not written. FileNotFoundError "
            "or OSError for a file that cannot be opened, ValueError with the reader's message "
            "for a checkpoint it refuses, InUseError while a batch (or another process) holds "
            "its lock; the lock is held only while the file is read.")
        .def_property_readonly("seed", &PythonRun::seed, "The seed the run started from.")
        .def_property_readonly(
            "config", [](const PythonRun& run) { return run.evolution().experiment(); },
            "The run's configuration.")
        .def_property_readonly(
            "generation", [](const PythonRun& run) { return run.evolution().generations(); },
            "Generations played so far.")
        .def("__repr__", &runRepr);
}

} // namespace

void bindRun(py::module_& module)
{
    py::register_exception<CheckpointInUseError>(module, "InUseError", PyExc_OSError)
        .attr("__doc__") = "A checkpoint is in use by another process, such as the "
                           "coevolife-batch that writes it: the message names the process, "
                           "as the batch's own refusal does.";
    bindGeneration(module);
    bindRunClass(module);
}
