#include "analysis/ChampionGrid.h"
#include "board/Board.h"
#include "board/Match.h"
#include "evolution/ExperimentConfig.h"
#include "python/Arguments.h"
#include "python/ArrayConversion.h"
#include "python/Bindings.h"
#include "python/PoolWait.h"

#include <pybind11/stl.h>

#include <string>

#include <limits>
#include <optional>

namespace py = pybind11;

namespace
{

// Boards of up to this many cells: far past any experiment, short of an
// allocation that fails.
constexpr long long boardCellLimit = 1LL << 28;

Board makeBoard(const GivenInteger& givenWidth, const GivenInteger& givenHeight)
{
    const auto width = static_cast<int>(integerIn(givenWidth, "width", 1, boardCellLimit));
    const auto height = static_cast<int>(integerIn(givenHeight, "height", 1, boardCellLimit));
    if (static_cast<long long>(width) * height > boardCellLimit)
        throw py::value_error("a board of " + std::to_string(width) + " x " +
                              std::to_string(height) + " cells: at most " +
                              std::to_string(boardCellLimit) + " cells");
    Board board;
    board.setWidth(width);
    board.setHeight(height);
    board.reset();
    return board;
}

CellArray cellsOf(const Board& board)
{
    CellArray cells({static_cast<py::ssize_t>(board.boardHeight()),
                     static_cast<py::ssize_t>(board.boardWidth())});
    std::uint8_t* out = cells.mutable_data();
    for (int y = 0; y < board.boardHeight(); ++y)
        for (int x = 0; x < board.boardWidth(); ++x)
            *out++ = static_cast<std::uint8_t>(board.cellAt(x, y));
    return cells;
}

void setCells(Board& board, const GivenArray& cells)
{
    const CellShape shape{{board.boardHeight(), board.boardWidth()},
                          "(" + std::to_string(board.boardHeight()) + ", " +
                              std::to_string(board.boardWidth()) + "), the board's (rows, columns)"};
    const CellArray array = checkedCells(cells.value, shape, 2, "cells");
    const std::uint8_t* in = array.data();
    for (int y = 0; y < board.boardHeight(); ++y)
        for (int x = 0; x < board.boardWidth(); ++x)
            board.setCell(x, y, *in++);
}

void stamp(Board& board, const GivenArray& pattern, const GivenInteger& givenCode,
           const GivenInteger& givenColumn, const GivenInteger& givenRow)
{
    constexpr long long lowest = std::numeric_limits<int>::min();
    constexpr long long highest = std::numeric_limits<int>::max();
    const auto code = static_cast<int>(integerIn(givenCode, "code", 1, 2));
    const auto column = static_cast<int>(integerIn(givenColumn, "column", lowest, highest));
    const auto row = static_cast<int>(integerIn(givenRow, "row", lowest, highest));
    const CellArray cells =
        checkedCells(pattern.value, {{-1, -1}, "(rows, columns) of a pattern"}, 1, "pattern");
    // No side of a pattern inside the board is longer than the board's.
    const bool fits = cells.shape(0) <= board.boardHeight() && cells.shape(1) <= board.boardWidth();
    const PatternShape shape{fits ? static_cast<int>(cells.shape(1)) : 0,
                             fits ? static_cast<int>(cells.shape(0)) : 0};
    if (!fits || !board.holdsPattern(column, row, shape.width, shape.height))
        throw py::value_error("a stamp does not wrap: the (" + std::to_string(cells.shape(0)) +
                              ", " + std::to_string(cells.shape(1)) + ") pattern at column " +
                              std::to_string(column) + ", row " + std::to_string(row) +
                              " must lie inside the (" + std::to_string(board.boardHeight()) +
                              ", " + std::to_string(board.boardWidth()) + ") board");
    Pattern cellsOfPattern = makePattern(shape.cells());
    copyPatternCells(cells.data(), cellsOfPattern, shape);
    board.stampPattern(cellsOfPattern, code, column, row, shape.width, shape.height);
}

void step(Board& board, const GivenInteger& steps)
{
    board.setSteps(static_cast<int>(integerIn(steps, "n", 0, std::numeric_limits<int>::max())));
    board.run();
}

std::string boardRepr(const Board& board)
{
    return "<Board " + std::to_string(board.boardWidth()) + " x " +
           std::to_string(board.boardHeight()) + ": " +
           std::to_string(board.countFirstSpecies()) + " first-species and " +
           std::to_string(board.countSecondSpecies()) + " second-species cells, " +
           std::to_string(board.contactCount()) + " contacts>";
}

py::object play(const GivenArray& givenFirst, const GivenArray& givenSecond,
                const std::optional<GivenConfig>& config, const GivenFlag& givenHistory)
{
    const MatchLayout layout = configOf(config).match;
    const bool history = flagOf(givenHistory, "history");
    const Pattern firstPattern = patternOf(givenFirst.value, layout.pattern, "first");
    const Pattern secondPattern = patternOf(givenSecond.value, layout.pattern, "second");
    Board board;
    if (!history) {
        const GridScores scores =
            gridScoresOf(playMatch(board, firstPattern, secondPattern, layout));
        return py::make_tuple(scores.score1, scores.score2);
    }
    setUpMatch(board, firstPattern, secondPattern, layout);
    const auto area = static_cast<py::ssize_t>(layout.boardWidth) * layout.boardHeight;
    CellArray boards({static_cast<py::ssize_t>(layout.steps) + 1,
                      static_cast<py::ssize_t>(layout.boardHeight),
                      static_cast<py::ssize_t>(layout.boardWidth)});
    auto keep = [&](int index) {
        const CellArray cells = cellsOf(board);
        std::copy(cells.data(), cells.data() + area, boards.mutable_data(index));
    };
    keep(0);
    board.setSteps(1);
    for (int index = 1; index <= layout.steps; ++index) {
        board.run();
        keep(index);
    }
    const GridScores scores = gridScoresOf(matchResult(board));
    return py::make_tuple(scores.score1, scores.score2, boards);
}

py::array playMany(const GivenArray& firsts, const GivenArray& seconds,
                   const std::optional<GivenConfig>& config,
                   const std::optional<GivenInteger>& threads)
{
    const MatchLayout layout = configOf(config).match;
    const std::optional<int> threadCount = threadCountOf(threads);
    const CellArray firstCells = patternArrayOf(firsts.value, layout.pattern, "firsts");
    const CellArray secondCells = patternArrayOf(seconds.value, layout.pattern, "seconds");
    if (firstCells.shape(0) != secondCells.shape(0))
        throw py::value_error("firsts and seconds: as many patterns in each, not " +
                              std::to_string(firstCells.shape(0)) + " and " +
                              std::to_string(secondCells.shape(0)));
    // Rows of many matches, each converting its patterns on its thread into
    // two it allocates once: a million matches need no million patterns.
    const MatchRows rows{firstCells.shape(0), ChampionGrid::matchesPerRow};
    if (!rows.countable())
        throw py::value_error("firsts and seconds: more matches than a pool plays at once (" +
                              std::to_string(rows.count) + ")");
    const std::uint8_t* firstData = firstCells.data();
    const std::uint8_t* secondData = secondCells.data();
    const auto cells = static_cast<std::size_t>(layout.pattern.cells());
    std::vector<GridScores> scores(static_cast<std::size_t>(rows.count));
    const std::unique_ptr<MatchPool> pool = startPool(threadCount);
    runInterruptibly(*pool, rows.rowCount(), [&](int row, Board& board) {
        const Pattern first = makePattern(layout.pattern.cells());
        const Pattern second = makePattern(layout.pattern.cells());
        for (long long k = rows.firstOf(row); k < rows.endOf(row); ++k) {
            const auto at = static_cast<std::size_t>(k);
            copyPatternCells(firstData + at * cells, first, layout.pattern);
            copyPatternCells(secondData + at * cells, second, layout.pattern);
            const std::optional<MatchResult> result =
                playCancellableMatch(board, first, second, layout);
            if (!result)
                return;
            scores[at] = gridScoresOf(*result);
        }
    });
    py::array_t<double> out({static_cast<py::ssize_t>(scores.size()), py::ssize_t{2}});
    auto at = out.mutable_unchecked<2>();
    for (std::size_t i = 0; i < scores.size(); ++i) {
        at(static_cast<py::ssize_t>(i), 0) = scores[i].score1;
        at(static_cast<py::ssize_t>(i), 1) = scores[i].score2;
    }
    return std::move(out);
}

} // namespace

void bindBoard(py::module_& module)
{
    py::class_<Board>(module, "Board",
                      "A two-species battle board: a torus of cell codes (0 empty, 1 first "
                      "species, 2 second species), the step rule and the contact counter.")
        .def(py::init(&makeBoard), py::arg("width"), py::arg("height"),
             "An empty board of `width` columns and `height` rows, each at least 1, at most "
             "268435456 cells in all.")
        .def("stamp", &stamp, py::arg("pattern"), py::arg("code"), py::arg("column"),
             py::arg("row"),
             "Writes the live cells of a 2-D pattern of cells 0 and 1 (an array of any integer "
             "or bool dtype and any strides, or nested lists) with `code` (1 or 2), its top left "
             "at `column`, `row`; ValueError unless the pattern lies inside the board.")
        .def("step", &step, py::arg("n") = 1,
             "Plays `n` generations (0 or more) of the step rule, counting contacts.")
        .def_property("cells", &cellsOf, &setCells,
                      "A copy of the cells, uint8 (H, W) of codes 0, 1 and 2; assign an "
                      "array-like of that shape, of any integer or bool dtype, to set them "
                      "(ValueError giving the shape expected, or naming the first other "
                      "value).")
        .def_property_readonly("width", &Board::boardWidth, "The number of columns.")
        .def_property_readonly("height", &Board::boardHeight, "The number of rows.")
        .def_property_readonly("live1", &Board::countFirstSpecies,
                               "The number of first-species cells.")
        .def_property_readonly("live2", &Board::countSecondSpecies,
                               "The number of second-species cells.")
        .def_property_readonly("contacts", &Board::contactCount,
                               "The contacts counted since the board was made: a second-species "
                               "cell with two or more first-species neighbours, once a step.")
        .def("__repr__", &boardRepr);

    module.def("play", &play, py::arg("first"), py::arg("second"), py::arg("config") = py::none(),
               py::arg("history") = false,
               "One match of two (H, W) patterns of cells 0 and 1 (array-likes of any integer or "
               "bool dtype; ValueError giving the shape expected or naming the first other "
               "value) laid out as `config` (default: the "
               "default experiment) lays them out: returns (score1, score2) as a run scores them, "
               "float32-rounded; with `history`, (score1, score2, boards), the boards uint8 "
               "(steps + 1, board height, board width) from the start to the end.");
    module.def("play_many", &playMany, py::arg("firsts"), py::arg("seconds"),
               py::arg("config") = py::none(), py::arg("threads") = py::none(),
               "Match i of firsts[i] against seconds[i], (M, H, W) array-likes each, on `threads` "
               "threads (1 to 1024; default: one per core) without the GIL: float64 (M, 2) "
               "scores as play() gives them. Ctrl-C stops the matches in progress with "
               "KeyboardInterrupt.");
}
