#pragma once
// The benchmark programs' shared main body: the boards are QThreads, so a
// QCoreApplication must exist before any of them is built.
#include <QCoreApplication>
#include <benchmark/benchmark.h>

inline int runBenchmarks(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
