#pragma once

#include "analysis/GenerationRange.h"
#include "cli/OptionHelpers.h"

#include <QString>
#include <QStringList>

// What coevolife-analyze was asked to do. A new option is a new field here
// with its default, plus its definition and checks in parseAnalyzeOptions.
struct AnalyzeOptions {
    enum class Command {
        Grid,
        Ciao,
        Master,
        Duel,
        Summary,
        Compare,
        Crossplay,
        Lineage,
        Descent,
        Turnover
    };

    Command command = Command::Grid;
    QString archivePath;
    // summary: the runs' folders (each holding fitness.csv) or CSV logs;
    // compare and crossplay: the conditions' folders, the control first.
    QStringList runPaths;
    QString csvPath;
    QString pngPath;
    // crossplay: the statistics of the means.
    QString statsPath;
    // compare and crossplay: the generation compared; 0 for the default.
    int at = 0;
    QString exportFolder;
    // ciao: colours up to each map's highest score, not its 95th percentile.
    bool fullColourRange = false;
    GenerationRange range;
    // The duel's generations: population 1's champion of `first` against
    // population 2's champion of `second`.
    int first = 0;
    int second = 0;
    // lineage and descent: the generation whose members are traced back; 0
    // for the archive's last.
    int of = 0;
    // lineage: every member of every generation, not only the ancestors.
    bool everyBirth = false;
    // descent: the member traced back, -1 for its generation's champion.
    int population = 1;
    int member = -1;
    // --threads, or one per CPU.
    int threads = 1;
};

using AnalyzeOptionsParse = OptionsParse<AnalyzeOptions>;

// `arguments` as QCoreApplication::arguments() gives them, program name first.
// Reads no file.
AnalyzeOptionsParse parseAnalyzeOptions(const QStringList& arguments);
// After the parse: a refusal of compare or crossplay for one folder that
// holds condition folders, the likeliest mistake (a sweep's OUT given for
// its conditions), names them as the remedy, which --help would not add to.
AnalyzeOptionsParse withConditionsHint(const QStringList& arguments, AnalyzeOptionsParse parsed);
