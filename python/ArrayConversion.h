#pragma once

#include "board/Pattern.h"

#include <pybind11/numpy.h>

#include <QString>

#include <string>
#include <vector>

// A C-contiguous uint8 array of cell codes, as the module hands them out and
// as checkedCells() makes them.
using CellArray =
    pybind11::array_t<std::uint8_t, pybind11::array::c_style | pybind11::array::forcecast>;

// The one way cells come in from Python: an array of `dimensions`
// dimensions, of an integer or bool dtype, each value checked in that dtype
// before anything is converted to be 0 to `largestCode` (1 for patterns, 2
// for a board's codes); then the same values as uint8. Anything else
// (another number of dimensions, a float, NaN, an object) raises ValueError
// naming `what`, the first bad index and its value.
CellArray checkedCells(const pybind11::array& cells, int dimensions, int largestCode,
                       const char* what);
// A 2-D array of exactly `shape` (height, width) of cells 0 and 1.
Pattern patternOf(const pybind11::array& cells, PatternShape shape, const char* what);
// A 3-D (count, height, width) array of such patterns.
CellArray patternArrayOf(const pybind11::array& cells, PatternShape shape, const char* what);
// Pattern cells from `cells`, the shape's cells of one pattern in such an
// array.
void copyPatternCells(const std::uint8_t* cells, const Pattern& pattern, PatternShape shape);

std::string utf8Of(const QString& text);
QString qStringOf(const std::string& text);

// A value error carrying one of the libraries' messages.
[[noreturn]] void raiseValueError(const QString& message);
