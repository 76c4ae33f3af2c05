#pragma once

#include "board/Pattern.h"

#include <pybind11/numpy.h>

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

// A C-contiguous uint8 array of cell codes, as the module hands them out and
// as checkedCells() makes them.
using CellArray =
    pybind11::array_t<std::uint8_t, pybind11::array::c_style | pybind11::array::forcecast>;

// The shape cells must come in: each extent, -1 where any will do, and how
// an error line shows it, "(M, 6, 8), the configuration's pattern (rows,
// columns)".
struct CellShape {
    std::vector<pybind11::ssize_t> extents;
    std::string text;
};
// (height, width), the configuration's pattern.
CellShape patternShapeOf(PatternShape shape);
// (M, height, width): M such patterns.
CellShape patternsShapeOf(PatternShape shape);

// The one way cells come in from Python: any array-like (an array of any
// strides and byte order, nested lists or tuples), of `shape`, of an integer
// or bool dtype, each value checked in that dtype before anything is
// converted to be 0 to `largestCode` (1 for patterns, 2 for a board's
// codes); then the same values as uint8. Another number of dimensions or
// another shape raises ValueError giving the shape expected; a float, NaN
// or object value ValueError naming `what`, the first bad index and its
// value; what is no array-like of numbers at all (None, a str, a number)
// TypeError.
CellArray checkedCells(const pybind11::handle& cells, const CellShape& shape, int largestCode,
                       const char* what);
// An array-like of exactly `shape` (height, width) of cells 0 and 1.
Pattern patternOf(const pybind11::handle& cells, PatternShape shape, const char* what);
// A 3-D (count, height, width) array-like of such patterns.
CellArray patternArrayOf(const pybind11::handle& cells, PatternShape shape, const char* what);
// Pattern cells from `cells`, the shape's cells of one pattern in such an
// array.
void copyPatternCells(const std::uint8_t* cells, const Pattern& pattern, PatternShape shape);

std::string utf8Of(const QString& text);
QString qStringOf(const std::string& text);

// Columns of numpy arrays as a dict, or with `asFrame` as a pandas DataFrame
// of them (ImportError without pandas).
pybind11::object tableOf(const pybind11::dict& columns, bool asFrame);
// A UserWarning for each line, as the command-line tools print them.
void warnEach(const QStringList& lines);

// A value error carrying one of the libraries' messages.
[[noreturn]] void raiseValueError(const QString& message);
