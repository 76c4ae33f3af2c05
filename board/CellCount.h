#pragma once

#include <cstddef>

// How many of `count` cells hold `code`; built for loop vectorisation, as
// every match counts both species over the whole board.
int countCells(const int* cells, std::size_t count, int code);
