#pragma once

#include <QString>

struct AnalyzeOptions;

// compare: the CSV logs of every run of every condition, their statistics at
// one generation against the first condition's, and the chart of their
// medians and quartiles.
int runCompare(const AnalyzeOptions& options);

// crossplay: every run's champions of one generation against the champions of
// every other run of every condition, played on the pool; the per-run means,
// their statistics and their chart.
int runCrossplay(const AnalyzeOptions& options);

// Both: problems are one line on standard error each, and nothing is written
// unless everything can be. Returns the exit code: 0, 2 for a folder, log or
// archive that cannot be read or does not fit, 3 for an output that cannot be
// written, 128 + the signal's number when SIGINT or SIGTERM stopped them.
