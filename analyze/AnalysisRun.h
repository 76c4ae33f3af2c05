#pragma once

struct AnalyzeOptions;

// Carries out one analysis: reads the archive, plays the matches on a pool
// made for this analysis, and writes the outputs once every match is played.
// Problems are one line on standard error each. Returns the exit code: 0, 2
// for a bad archive or range, 1 for an output that cannot be written, 128 +
// the signal's number when SIGINT or SIGTERM (which the caller has blocked)
// stopped it; then nothing is written.
int runAnalysis(const AnalyzeOptions& options);
