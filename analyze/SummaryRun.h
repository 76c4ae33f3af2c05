#pragma once

struct AnalyzeOptions;

// The summary across runs: reads every run's CSV log, then writes the
// quartiles as CSV and, when asked, as a chart. Problems are one line on
// standard error each. Returns the exit code: 0, 2 for a log that cannot be
// read or is not sound (then nothing is written), 1 for an output that cannot
// be written.
int runSummary(const AnalyzeOptions& options);
