#pragma once

// What the command-line programs exit with, besides 0 for success and
// 128 + a signal's number for a run a signal stopped.
namespace ExitCode
{
// The system refused what the run needs, such as a thread.
constexpr int systemRefused = 1;
// A bad argument, or a folder, log, archive, checkpoint or configuration that
// cannot be read, does not fit, or is in use by another run.
constexpr int badInput = 2;
// An output that cannot be written: no space, a file too large, an I/O error.
// What was complete before it stays, and a checkpointed run resumes.
constexpr int unwritableOutput = 3;

// The paragraph each program's --help ends its description with.
constexpr const char exitCodesHelp[] =
    "Exit codes: 0 success; 1 the system refused a thread; 2 a bad argument, or an input that "
    "cannot be read, is damaged or is in use by another run; 3 an output that cannot be written "
    "(no space, a file too large, an I/O error), what was complete stays; 128 + N stopped by "
    "signal N (130 Ctrl-C, 143 SIGTERM).";
} // namespace ExitCode
