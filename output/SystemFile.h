#pragma once

#include <QString>

#include <cstddef>

// Thin helpers over the system's file calls, for writers that must report
// exactly why a write failed.

// The system's text for an errno value, such as "No space left on device".
QString systemReason(int error);

// Writes all `size` bytes to `descriptor`, going on after short writes and
// interrupted calls. 0 on success, otherwise the errno of the failure.
int writeAll(int descriptor, const char* data, std::size_t size);
// The same at `offset`, leaving the file position alone.
int writeAllAt(int descriptor, const char* data, std::size_t size, long long offset);
