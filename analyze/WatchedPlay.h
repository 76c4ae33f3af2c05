#pragma once

class ChampionGrid;
class MatchPool;

// Plays the whole grid on the pool, with a progress bar on a terminal,
// watching for a termination signal (which the caller has blocked) between
// looks at the progress. Returns the signal's number, or 0 when all is played.
int playWatched(ChampionGrid& grid, MatchPool& pool);

// Starts a pool of `threads` and plays the whole grid on it as above.
// Returns 0 when all is played, otherwise the exit code to stop with, the
// problem reported: the system refused the threads, or a signal came.
int playOnNewPool(ChampionGrid& grid, int threads);

// Reports "interrupted" and returns the exit code a termination signal
// stops the analyzer with: 128 + its number, as a shell reports it.
int interruptedBy(int signalNumber);
// A SIGINT or SIGTERM that came since it was last looked for, taken: its
// exit code as interruptedBy gives it, or 0.
int pendingInterruption();
