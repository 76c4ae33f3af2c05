#pragma once

// What coevolife-analyze exits with, besides 0 and 128 + a signal's number.
namespace AnalyzeExitCode
{
// A folder, log or archive that cannot be read or does not fit.
constexpr int badInput = 2;
// An output that cannot be written.
constexpr int unwritableOutput = 1;
} // namespace AnalyzeExitCode
