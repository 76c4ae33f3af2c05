#pragma once

#include "board/Pattern.h"

#include <pybind11/numpy.h>

#include <QString>

#include <string>
#include <vector>

using CellArray =
    pybind11::array_t<std::uint8_t, pybind11::array::c_style | pybind11::array::forcecast>;

// A 2-D uint8 array of exactly `shape` (height, width), any non-zero cell
// live; ValueError naming `what` otherwise.
Pattern patternOf(const pybind11::array& cells, PatternShape shape, const char* what);
// A 3-D (count, height, width) array of patterns, checked and made uint8.
CellArray patternArrayOf(const pybind11::array& cells, PatternShape shape, const char* what);
// Pattern cells from `cells`, the shape's cells of one pattern in such an
// array.
void copyPatternCells(const std::uint8_t* cells, const Pattern& pattern, PatternShape shape);
// A C-contiguous uint8 view of a 2-D or 3-D array, converted if need be; ValueError
// naming `what` when it has another number of dimensions.
CellArray cellArrayOf(const pybind11::array& cells, int dimensions, const char* what);

std::string utf8Of(const QString& text);
QString qStringOf(const std::string& text);

// A value error carrying one of the libraries' messages.
[[noreturn]] void raiseValueError(const QString& message);
