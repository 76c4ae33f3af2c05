#pragma once

class LifegameThread;

// The numbers of one progress line, unrounded.
struct GenerationRecord {
    int generation = 0;
    double average1 = 0.0;
    double average2 = 0.0;
    double best1 = 0.0;
    double best2 = 0.0;
};

// The generation the worker has just completed, from the same floats and the
// same arithmetic as its progress line. Call it while the worker is idle or
// from a direct connection to sendMessage.
GenerationRecord latestGeneration(const LifegameThread& worker);
