#pragma once

#include <QString>

#include <cstddef>

#include <sys/types.h>

// Thin helpers over the system's file calls, for writers that must report
// exactly why a write failed.

// The system's text for an errno value, such as "No space left on device".
QString systemReason(int error);

// Writes all `size` bytes to `descriptor`, going on after short writes and
// interrupted calls. 0 on success, otherwise the errno of the failure.
int writeAll(int descriptor, const char* data, std::size_t size);
// The same at `offset`, leaving the file position alone.
int writeAllAt(int descriptor, const char* data, std::size_t size, long long offset);

// What a file of `mode` that is no regular file is, for the line that
// refuses to read or replace it: "a FIFO, not a regular file", ...
QString irregularFileKind(mode_t mode);
