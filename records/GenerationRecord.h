#pragma once

struct GenerationReport;

// The numbers of one progress line, unrounded.
struct GenerationRecord {
    int generation = 0;
    double average1 = 0.0;
    double average2 = 0.0;
    double best1 = 0.0;
    double best2 = 0.0;
};

// A generation's numbers, from the same floats and the same arithmetic as its
// progress line.
GenerationRecord generationRecord(const GenerationReport& report);
