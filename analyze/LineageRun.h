#pragma once

struct AnalyzeOptions;

// lineage, descent and turnover: what the archive recorded of every birth,
// written as CSV. Returns the exit code.
int runLineageAnalysis(const AnalyzeOptions& options);
