#pragma once

struct AnalyzeOptions;

// Carries out one analysis: reads the archive, plays the matches on a pool
// made for this analysis, and writes the outputs once every match is played
// (checked by checkAnalysisOutputs before). Problems are one line on standard
// error each. Returns the exit code: 0, 1 when the system refused the
// threads, 2 for a bad archive or range, 3 for an output that cannot be
// written, 128 + the signal's number when SIGINT or SIGTERM (which the caller
// has blocked) stopped it; then nothing is written.
int runAnalysis(const AnalyzeOptions& options);
