// An experiment's configuration read from a TOML file and --set settings,
// checked, and written back as text that reads back the same.
#include "records/ConfigFile.h"
#include "RecordsTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

#include <cmath>

#include <sys/stat.h>

Q_DECLARE_METATYPE(ExperimentConfig)

namespace
{

// `text` as the file `settings.toml` of `folder`; a null text leaves it
// missing, "<fifo>" and "<folder>" make one of those in its place.
QString settingsFile(const QTemporaryDir& folder, const QString& text)
{
    const QString path = folder.filePath(QStringLiteral("settings.toml"));
    if (text == QStringLiteral("<fifo>")) {
        if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
            qFatal("cannot make the FIFO %s", qPrintable(path));
    } else if (text == QStringLiteral("<folder>")) {
        if (!QDir(folder.path()).mkdir(QStringLiteral("settings.toml")))
            qFatal("cannot make the folder %s", qPrintable(path));
    } else if (!text.isNull()) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) != text.toUtf8().size())
            qFatal("cannot write %s", qPrintable(path));
    }
    return path;
}

} // namespace

class ConfigFileTest : public QObject
{
    Q_OBJECT

private slots:
    void readsAndWritesBack_data();
    void readsAndWritesBack();
    void refusesWithOneLine_data();
    void refusesWithOneLine();
    void writesEveryKeyInItsTable();
    void checksConfigurationsBuiltInCode();
};

void ConfigFileTest::readsAndWritesBack_data()
{
    QTest::addColumn<QString>("fileText");
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<ExperimentConfig>("expected");

    QTest::newRow("defaults from an empty file")
        << QStringLiteral("") << QStringList() << ExperimentConfig();

    const ExperimentConfig odd = oddExperiment();
    QTest::newRow("every key, odd values")
        << QStringLiteral("# a small odd experiment\n"
                          "[population]\nsize = 23\n"
                          "[pattern]\nwidth = 6\nheight = 4\n"
                          "[board]\nwidth = 50\nheight = 25\nsteps = 80\n"
                          "[match]\nper_generation = 90\nfirst_column = 1\nfirst_row = 2\n"
                          "second_column = 30\nsecond_row = 12\n"
                          "[breeding]\nmutation_threshold = 0.2\ncrossover_threshold = 0.6\n"
                          "mutation_rate = 0.04\n"
                          "[evaluation]\nhall_of_fame = 2\n")
        << QStringList() << odd;

    ExperimentConfig wide;
    wide.match.boardWidth = 200;
    QTest::newRow("--set over the file") << QStringLiteral("[board]\nwidth = 120\n")
                                         << QStringList{QStringLiteral("board.width=200")} << wide;

    ExperimentConfig seven;
    seven.populationSize = 7;
    QTest::newRow("a later --set over an earlier one")
        << QStringLiteral("")
        << QStringList{QStringLiteral("population.size=5"), QStringLiteral("population.size = 7")}
        << seven;

    ExperimentConfig extremes;
    extremes.mutationThreshold = 0.0f;
    extremes.crossoverThreshold = 1.0f;
    QTest::newRow("whole numbers for real keys")
        << QStringLiteral("[breeding]\nmutation_threshold = 0\ncrossover_threshold = 1\n")
        << QStringList() << extremes;

    ExperimentConfig twentyThree;
    twentyThree.populationSize = 23;
    QTest::newRow("characters outside ASCII in comments")
        << QString::fromUtf8("# Gr\xc3\xb6\xc3\x9f"
                             "e\n[population] # \xe2\x9c\x93\nsize = 23 #\xd2\x88\n")
        << QStringList{QString::fromUtf8("population.size=23 # \xc3\xa9")} << twentyThree;

    // The float just above 0.01 needs nine digits to be told from it.
    ExperimentConfig fine;
    fine.mutationRate = std::nextafter(0.01f, 1.0f);
    QTest::newRow("a rate that needs nine digits")
        << QStringLiteral("") << QStringList{QStringLiteral("breeding.mutation_rate=0.0100000007")}
        << fine;
    QTest::newRow("as long as a configuration can be")
        << QStringLiteral("# ") + QString(65533, QLatin1Char('x')) + QLatin1Char('\n')
        << QStringList() << ExperimentConfig();
}

void ConfigFileTest::readsAndWritesBack()
{
    QFETCH(QString, fileText);
    QFETCH(QStringList, settings);
    QFETCH(ExperimentConfig, expected);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());

    const ConfigRead read = readExperimentConfig(settingsFile(folder, fileText), settings);
    QCOMPARE(read.error, QString());
    QVERIFY(read.config == expected);
    QCOMPARE(checkExperimentConfig(read.config), QString());

    const QString written = experimentConfigToml(read.config);
    const ConfigRead readBack = parseExperimentConfigToml(written, QStringLiteral("written"));
    QVERIFY2(readBack.ok(), qPrintable(readBack.error));
    QVERIFY2(readBack.config == expected, qPrintable(written));
}

void ConfigFileTest::refusesWithOneLine_data()
{
    // FILE stands for the settings file's path. A line ending in * is
    // compared up to it (the rest is toml++'s own words).
    QTest::addColumn<QString>("fileText");
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QString>("expected");

    const QString none(QStringLiteral(""));
    QTest::newRow("missing file") << QString() << QStringList()
                                  << QStringLiteral("FILE: No such file or directory");
    // Read only from a regular file, only as long as a configuration can be
    // (a FIFO would block, a device never end).
    QTest::newRow("a FIFO") << QStringLiteral("<fifo>") << QStringList()
                            << QStringLiteral("FILE: a FIFO, not a regular file");
    QTest::newRow("a folder") << QStringLiteral("<folder>") << QStringList()
                              << QStringLiteral("FILE: a folder, not a file");
    QTest::newRow("longer than a configuration can be")
        << QStringLiteral("# ") + QString(65535, QLatin1Char('x')) << QStringList()
        << QStringLiteral("FILE: 65537 bytes, more than a configuration holds (at most 65536)");
    QTest::newRow("not TOML") << QStringLiteral("[board]\nwidth = = 3\n") << QStringList()
                              << QStringLiteral("FILE:2: not valid TOML: *");
    QTest::newRow("unknown table")
        << QStringLiteral("[board]\nwidth = 50\n[colours]\nfirst = 1\n") << QStringList()
        << QStringLiteral("FILE:3: colours: unknown table");
    QTest::newRow("unknown key") << QStringLiteral("[board]\nwidth = 50\ndepth = 3\n")
                                 << QStringList()
                                 << QStringLiteral("FILE:3: board.depth: unknown key");
    // A quoted key may hold any character; it is shown escaped.
    QTest::newRow("unknown key with control characters")
        << QStringLiteral("[board]\n\"wid\\u001bth\\u000b\\u009b\" = 3\n") << QStringList()
        << QStringLiteral("FILE:2: board.wid\\x1bth\\v\\u009b: unknown key");
    QTest::newRow("unknown key set")
        << none << QStringList{QStringLiteral("board.depth=3")}
        << QStringLiteral("--set board.depth=3: board.depth: unknown key");
    QTest::newRow("string for a whole number")
        << QStringLiteral("[population]\nsize = \"many\"\n") << QStringList()
        << QStringLiteral("FILE:2: population.size: expected a whole number, not a string");
    QTest::newRow("real for a whole number")
        << none << QStringList{QStringLiteral("board.steps=10.5")}
        << QStringLiteral(
               "--set board.steps=10.5: board.steps: expected a whole number, not a real number");
    QTest::newRow("boolean for a real")
        << QStringLiteral("\n[breeding]\nmutation_rate = true\n") << QStringList()
        << QStringLiteral("FILE:3: breeding.mutation_rate: expected a number, not a boolean");
    QTest::newRow("whole number out of range")
        << QStringLiteral("[board]\nwidth = 5000\n") << QStringList()
        << QStringLiteral("FILE:2: board.width: 5000 is out of range 1 to 4096");
    QTest::newRow("real out of range")
        << none << QStringList{QStringLiteral("breeding.mutation_rate=1.5")}
        << QStringLiteral("--set breeding.mutation_rate=1.5: breeding.mutation_rate: 1.5 is out of "
                          "range 0 to 1");
    QTest::newRow("thresholds out of order")
        << none << QStringList{QStringLiteral("breeding.mutation_threshold=0.9")}
        << QStringLiteral("--set breeding.mutation_threshold=0.9: breeding.mutation_threshold: "
                          "mutation_threshold 0.9 is above crossover_threshold 0.8");
    QTest::newRow("pattern off the board's side")
        << QStringLiteral("[match]\nsecond_column = 95\n") << QStringList()
        << QStringLiteral("FILE:2: match.second_column: the second pattern's columns 95 to 102 "
                          "do not fit on a board 100 wide");
    QTest::newRow("pattern off the board's foot, blamed on the last key given")
        << QStringLiteral("[board]\nheight = 20\n")
        << QStringList{QStringLiteral("pattern.height=21")}
        << QStringLiteral("--set pattern.height=21: pattern.height, board.height: the first "
                          "pattern's rows 0 to 20 do not fit on a board 20 high");
    QTest::newRow("overlapping patterns")
        << QStringLiteral("[match]\nfirst_column = 4\nsecond_column = 8\n") << QStringList()
        << QStringLiteral("FILE:3: match.first_column, match.second_column: the two patterns "
                          "overlap on the board");
    // toml++ would ask whether these are whitespace, which it cannot answer.
    QTest::newRow("a character outside ASCII where a key goes")
        << QString::fromUtf8("\xd2\x88") << QStringList()
        << QString::fromUtf8("FILE:1: \"\xd2\x88\" outside a comment: a configuration's keys and "
                             "values are ASCII");
    QTest::newRow("a character outside ASCII after a line-ending backslash")
        << QString::fromUtf8("[population]\nsize = \"\"\"\\\n\xc2\xa7\"\"\"\n") << QStringList()
        << QString::fromUtf8("FILE:3: \"\xc2\xa7\" outside a comment: a configuration's keys and "
                             "values are ASCII");
    QTest::newRow("--set with a character outside ASCII")
        << none << QStringList{QString::fromUtf8("population.size=5\xc3\xa9")}
        << QString::fromUtf8("--set population.size=5\xc3\xa9: \"\xc3\xa9\" outside a comment: a "
                             "configuration's keys and values are ASCII");
    QTest::newRow("--set without =") << none << QStringList{QStringLiteral("board.width")}
                                     << QStringLiteral("--set board.width: expected key=value");
    QTest::newRow("--set with no TOML value")
        << none << QStringList{QStringLiteral("board.width=abc")}
        << QStringLiteral("--set board.width=abc: not a TOML value");
    QTest::newRow("--set bringing a second key")
        << none << QStringList{QStringLiteral("board.width=50\nsteps = 3")}
        << QStringLiteral("--set board.width=50\\nsteps = 3: not a TOML value");
}

void ConfigFileTest::refusesWithOneLine()
{
    QFETCH(QString, fileText);
    QFETCH(QStringList, settings);
    QFETCH(QString, expected);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = settingsFile(folder, fileText);
    expected.replace(QStringLiteral("FILE"), path);

    const ConfigRead read = readExperimentConfig(path, settings);
    if (expected.endsWith(QLatin1Char('*')))
        QVERIFY2(read.error.startsWith(expected.chopped(1)), qPrintable(read.error));
    else
        QCOMPARE(read.error, expected);
    QVERIFY(read.config == ExperimentConfig());
}

// Built in code, no key was given: the line names every key involved.
void ConfigFileTest::checksConfigurationsBuiltInCode()
{
    ExperimentConfig config;
    config.match.boardWidth = 0;
    QCOMPARE(checkExperimentConfig(config),
             QStringLiteral("board.width: 0 is out of range 1 to 4096"));
    config = ExperimentConfig();
    config.mutationRate = std::numeric_limits<float>::quiet_NaN();
    QCOMPARE(checkExperimentConfig(config),
             QStringLiteral("breeding.mutation_rate: nan is out of range 0 to 1"));
    config = ExperimentConfig();
    config.match.secondColumn = 3;
    QCOMPARE(checkExperimentConfig(config),
             QStringLiteral("pattern.width, pattern.height, match.first_column, match.first_row, "
                            "match.second_column, match.second_row: the two patterns overlap on "
                            "the board"));
}

// The text a run carries, pinned for the defaults.
void ConfigFileTest::writesEveryKeyInItsTable()
{
    QCOMPARE(experimentConfigToml(ExperimentConfig()),
             QStringLiteral(
                 "[population]\n"
                 "size = 100                 # members per population\n"
                 "[pattern]\n"
                 "width = 8\n"
                 "height = 6\n"
                 "[board]\n"
                 "width = 100\n"
                 "height = 15\n"
                 "steps = 100                # steps per match\n"
                 "[match]\n"
                 "per_generation = 400       # matches between current members per generation\n"
                 "first_column = 0           # where the population-1 pattern (code 1) is stamped\n"
                 "first_row = 0\n"
                 "second_column = 10         # where the population-2 pattern (code 2) is stamped\n"
                 "second_row = 0\n"
                 "[breeding]\n"
                 "mutation_threshold = 0.3   # operator draw below it: mutation\n"
                 "crossover_threshold = 0.8  # below it (and not below the first): crossover; "
                 "else copy\n"
                 "mutation_rate = 0.01\n"
                 "[evaluation]\n"
                 "hall_of_fame = 0           # extra matches per member against past champions\n"));
}

QTEST_GUILESS_MAIN(ConfigFileTest)
#include "ConfigFileTest.moc"
