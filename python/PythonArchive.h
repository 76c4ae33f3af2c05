#pragma once

#include "analysis/Lineage.h"
#include "records/ArchiveReader.h"

#include <pybind11/numpy.h>

#include <QString>

#include <memory>

// A run archive read for Python, its populations unpacked on first use and
// kept.
class PythonArchive
{
public:
    // ValueError with the reader's message for an archive it refuses; a
    // Python warning with its message for one it salvages.
    explicit PythonArchive(const QString& path);

    const RunArchive& run() const { return archive; }
    const QString& path() const { return archivePath; }
    pybind11::ssize_t size() const
    {
        return static_cast<pybind11::ssize_t>(archive.generations.size());
    }

    pybind11::array generations() const;
    pybind11::object populations();
    pybind11::array champions() const;
    pybind11::array championPatterns() const;
    pybind11::array championScores() const;
    // Every member's score (G, 2, N) and the births that made them, parents
    // (G, 2, N, 2) and operators (G, 2, N); ValueError for an archive that
    // keeps none.
    pybind11::array scores() const;
    pybind11::array parents() const;
    pybind11::array operators() const;
    // The lineage the analyses read, made on first use and kept; ValueError
    // for an archive that keeps none.
    const LineageModel& lineageModel();

private:
    pybind11::array unpackPopulations() const;
    void requireLineage() const;

    QString archivePath;
    RunArchive archive;
    pybind11::object populationCells;
    std::unique_ptr<LineageModel> lineage;
};
