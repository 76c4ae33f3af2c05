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

// The four series of a log, in its columns' order: each column's name and
// the field it holds.
struct GenerationSeries {
    const char* name;
    double GenerationRecord::*field;
};
inline constexpr GenerationSeries generationSeries[] = {{"average1", &GenerationRecord::average1},
                                                        {"average2", &GenerationRecord::average2},
                                                        {"best1", &GenerationRecord::best1},
                                                        {"best2", &GenerationRecord::best2}};

// A generation's numbers, from the same floats and the same arithmetic as its
// progress line.
GenerationRecord generationRecord(const GenerationReport& report);
