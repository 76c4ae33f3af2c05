// coevolife-analyze refuses what is not a sound archive or CSV log, a range
// outside it, an output it cannot write (before it reads anything) and a run
// or condition given twice: one line naming the file and the problem, the
// exit code, and no output file. An archive cut short is read up to its last
// whole generation, with one line saying so. Threads the system will not
// start end either program the same way.
#include "TestSupport.h"
#include "cli/ExitCodes.h"
#include "records/Checksum.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <sys/resource.h>

namespace
{

const QString analyzePath = QStringLiteral(COEVOLIFE_ANALYZE_PATH);
const QString batchPath = QStringLiteral(COEVOLIFE_BATCH_PATH);

QByteArray withByte(QByteArray bytes, int at, char value)
{
    bytes[at] = value;
    return bytes;
}

// A version 2 archive whose configuration text has `from` replaced by `to`,
// of the same length, its header's checksum made good again.
QByteArray withConfigText(QByteArray bytes, const QByteArray& from, const QByteArray& to)
{
    const int length = static_cast<int>(qFromLittleEndian<std::uint32_t>(bytes.constData() + 32));
    const qsizetype at = bytes.indexOf(from, 36);
    bytes.replace(at, to.size(), to);
    qToLittleEndian(crc32Of(bytes.constData(), 36 + length), bytes.data() + 36 + length);
    return bytes;
}

} // namespace

class HostileArchiveTest : public QObject
{
    Q_OBJECT

private slots:
    void refusedWithOneLine_data();
    void refusedWithOneLine();
    void refusedThreadsWithOneLine_data();
    void refusedThreadsWithOneLine();
};

void HostileArchiveTest::refusedWithOneLine_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("archive");
    // "@" stands for the archive's path, "~" for the test's folder.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    // What the line names and says; when `named` is empty, `problem` is the
    // whole line after the program's name.
    QTest::addColumn<QString>("named");
    QTest::addColumn<QString>("problem");

    const QByteArray sound = randomArchive(3, 1);
    const int record = archiveHeaderSize;
    const QStringList grid = {"grid", "@", "--csv", "~/out.csv"};
    QTest::newRow("missing") << false << QByteArray() << grid << 2 << "@"
                             << "cannot read";
    QTest::newRow("empty") << true << QByteArray() << grid << 2 << "@"
                           << "empty file";
    QTest::newRow("foreign") << true << QByteArray("generation,average1\n1,2\n") << grid << 2 << "@"
                             << "not a Coevolife archive";
    QTest::newRow("truncated header") << true << sound.left(20) << grid << 2 << "@"
                                      << "truncated in its header";
    QTest::newRow("newer version") << true << withByte(sound, 8, 3) << grid << 2 << "@"
                                   << "format version 3 is newer";
    QTest::newRow("corrupted header") << true << withByte(sound, 13, 'x') << grid << 2 << "@"
                                      << "checksum mismatch";
    QTest::newRow("no generation") << true << sound.left(archiveHeaderSize) << grid << 2 << "@"
                                   << "holds no generation";
    QTest::newRow("truncated first record") << true << sound.left(record + 100) << grid << 2 << "@"
                                            << "truncated";
    QTest::newRow("cut short") << true << sound.chopped(100) << grid << 0 << "@"
                               << "the file ends early, inside generation 3; reading its 2 whole "
                                  "generations";
    QTest::newRow("corrupted record")
        << true << withByte(sound, record + archiveRecordSize + 700, 'x') << grid << 2 << "@"
        << "generation record 2 is corrupted (checksum mismatch)";
    QTest::newRow("generation repeated")
        << true << sound.left(record + archiveRecordSize) + sound.mid(record, archiveRecordSize)
        << grid << 2 << "@"
        << "generation 1 out of order";
    QTest::newRow("range outside")
        << true << sound << QStringList{"master", "@", "--png", "~/m.png", "--generations", "2:4"}
        << 2 << "@"
        << "generations 2:4 are outside the archive's 1:3";
    for (const char* threads : {"0", "1025", "50000", "2000000000"})
        QTest::addRow("threads %s", threads)
            << true << sound << QStringList{"grid", "@", "--csv", "~/out.csv", "--threads", threads}
            << 2 << QStringLiteral("--threads '%1'").arg(threads)
            << "is not a whole number from 1 to 1024";
    QTest::newRow("duel outside") << true << sound
                                  << QStringList{"duel",     "@", "--first",  "1",
                                                 "--second", "9", "--export", "~/duel"}
                                  << 2 << "@"
                                  << "generation 9 is outside";
    // Version 2, of another configuration.
    const QByteArray other = randomArchive(3, 2, oddTestConfig());
    const ArchiveHeader otherHeader = archiveHeaderOf(2, QStringLiteral("test"), oddTestConfig());
    const int otherRecord = static_cast<int>(encodeArchiveHeader(otherHeader).size());
    const int otherRecordSize = archiveRecordSizeOf(otherHeader);
    QTest::newRow("v2: truncated header")
        << true << other.left(otherRecord - 10) << grid << 2 << "@"
        << "truncated in its header";
    QTest::newRow("v2: corrupted header") << true << withByte(other, 50, 'x') << grid << 2 << "@"
                                          << "corrupted header (checksum mismatch)";
    QTest::newRow("v2: configuration length")
        << true << withByte(other, 35, 'x') << grid << 2 << "@"
        << "corrupted header (configuration of";
    QTest::newRow("v2: configuration unreadable")
        << true << withConfigText(other, "size = 23", "size = 2x") << grid << 2 << "@"
        << "corrupted header (configuration:2: not valid TOML";
    QTest::newRow("v2: configuration out of range")
        << true << withConfigText(other, "size = 23", "size = -3") << grid << 2 << "@"
        << "corrupted header (configuration:2: population.size: -3 is out of range";
    QTest::newRow("v2: cut short") << true << other.chopped(10) << grid << 0 << "@"
                                   << "the file ends early, inside generation 3; reading its 2 "
                                      "whole generations";
    QTest::newRow("v2: corrupted record")
        << true << withByte(other, otherRecord + otherRecordSize + 50, 'x') << grid << 2 << "@"
        << "generation record 2 is corrupted (checksum mismatch)";
    QTest::newRow("v2: generation repeated")
        << true
        << other.left(otherRecord + otherRecordSize) + other.mid(otherRecord, otherRecordSize)
        << grid << 2 << "@"
        << "generation 1 out of order";
    // The summary's CSV logs, at "@" too.
    const QStringList summary = {"summary", "@", "--csv", "~/s.csv", "--png", "~/s.png"};
    const QByteArray header("generation,average1,average2,best1,best2\n");
    QTest::newRow("summary: missing log") << false << QByteArray() << summary << 2 << "@"
                                          << "cannot read";
    QTest::newRow("summary: foreign log") << true << sound << summary << 2 << "@"
                                          << "line 1: not a Coevolife fitness log";
    QTest::newRow("summary: header only") << true << header << summary << 2 << "@"
                                          << "line 2: no generation";
    QTest::newRow("summary: cut short")
        << true << header + "1,1,2,3,4\n2,1,2" << summary << 2 << "@"
        << "line 3: no line end";
    QTest::newRow("summary: four fields") << true << header + "1,1,2,3\n"
                                          << summary << 2 << "@"
                                          << "line 2: 4 fields where 5 were expected";
    QTest::newRow("summary: not a number") << true << header + "1,1,2,x,4\n"
                                           << summary << 2 << "@"
                                           << "line 2: \"x\" is not a number";
    QTest::newRow("summary: generation skipped") << true << header + "1,1,2,3,4\n3,1,2,3,4\n"
                                                 << summary << 2 << "@"
                                                 << "line 3: generation \"3\" where 2 was expected";
    QTest::newRow("summary: generation quoted")
        << true << header + "%2\x1b,1,2,3,4\n"
        << summary << 2 << "@"
        << "line 2: generation \"%2\\x1b\" where 1 was expected";
    // A quoted field as the error line shows it: escaped, and cut after 60
    // characters, whole ones.
    struct HostileField {
        const char* tag;
        QByteArray field;
        QString shown;
    };
    const HostileField hostileFields[] = {
        {"escape", "\x1b[31mred", "\\x1b[31mred"},
        {"carriage return", "3\r4", "3\\r4"},
        {"vertical tab", "3\v4", "3\\v4"},
        {"nul", QByteArray("x\0y", 3), "x\\x00y"},
        {"backslash", "a\\n", "a\\\\n"},
        {"invalid UTF-8", "\xff\xfez", "\\xff\\xfez"},
        {"UTF-8 cut short", "\xe2\x82", "\\xe2\\x82"},
        {"C1 control, bidi override", "\xc2\x9bz\xe2\x80\xae", "\\u009bz\\u202e"},
        {"printable UTF-8", "\xc3\xa9t\xc3\xa9", QStringLiteral("\u00e9t\u00e9")},
        {"200 characters", QByteArray(200, 'y'), QString(60, 'y') + QChar(0x2026)},
        {"60 characters", QByteArray(60, 'y'), QString(60, 'y')},
        {"three bytes at the cut", QByteArray(59, 'y') + "\xe2\x82\xac\xe2\x82\xac",
         QString(59, 'y') + QChar(0x20ac) + QChar(0x2026)},
    };
    for (const HostileField& hostile : hostileFields)
        QTest::addRow("summary: quoted %s", hostile.tag)
            << true << header + "1,1,2," + hostile.field + ",4\n"
            << summary << 2 << "@"
            << QStringLiteral("line 2: \"%1\" is not a number").arg(hostile.shown);
    // Every output is checked before the archive or a log is read: none of
    // these is there to be read.
    QTest::newRow("output under a file")
        << false << QByteArray() << QStringList{"grid", "@", "--csv", "~/blocker/out.csv"} << 2
        << ""
        << "--csv ~/blocker/out.csv: ~/blocker is not a folder";
    QTest::newRow("chart in a missing folder")
        << false << QByteArray() << QStringList{"ciao", "@", "--png", "~/nodir/c.png"} << 2 << ""
        << "--png ~/nodir/c.png: folder ~/nodir does not exist";
    QTest::newRow("chart is a folder")
        << false << QByteArray() << QStringList{"master", "@", "--png", "~"} << 2 << ""
        << "--png ~ is a folder, not a file";
    // The formats Qt writes vary with its plugins.
    QTest::newRow("chart not named as an image")
        << false << QByteArray() << QStringList{"ciao", "@", "--png", "~/m.txt"} << 2
        << "--png ~/m.txt"
        << ": the suffix names no image format; end the name in .png (or .bmp, ";
    QTest::newRow("chart and grid in one file")
        << false << QByteArray() << QStringList{"ciao", "@", "--png", "~/c.png", "--csv", "~/c.png"}
        << 2 << ""
        << "--csv ~/c.png and --png ~/c.png both write ~/c.png";
    QTest::newRow("summary chart under a file")
        << false << QByteArray()
        << QStringList{"summary", "@", "--csv", "~/s.csv", "--png", "~/blocker/s.png"} << 2 << ""
        << "--png ~/blocker/s.png: ~/blocker is not a folder";
    QTest::newRow("crossplay statistics in a missing folder")
        << false << QByteArray()
        << QStringList{"crossplay", "~/hof/a",       "~/hof/b", "--csv",  "~/x.csv",
                       "--stats",   "~/nodir/s.csv", "--png",   "~/x.png"}
        << 2 << ""
        << "--stats ~/nodir/s.csv: folder ~/nodir does not exist";
    QTest::newRow("duel export is a file")
        << false << QByteArray()
        << QStringList{"duel", "@", "--first", "1", "--second", "2", "--export", "~/blocker"} << 2
        << ""
        << "--export ~/blocker is a file, not a folder";
    QTest::newRow("duel export holds a folder of an export file's name")
        << false << QByteArray()
        << QStringList{"duel", "@", "--first", "1", "--second", "2", "--export", "~/expd"} << 2
        << ""
        << "--export ~/expd: ~/expd/duel.rle is a folder";
    // The same run or condition twice is one sample counted twice.
    QTest::newRow("summary: one log given twice")
        << true << header + "1,1,2,3,4\n"
        << QStringList{"summary", "@", "~/./run.arc", "--csv", "~/s.csv"} << 2 << ""
        << "@ and ~/./run.arc are the same run, given twice";
    QTest::newRow("compare: one condition given twice")
        << false << QByteArray() << QStringList{"compare", "~/hof/a", "~/hof/b/../a/", "--csv",
                                                "~/c.csv", "--png",   "~/c.png"}
        << 2 << ""
        << "~/hof/a and ~/hof/b/../a/ are the same condition, given twice";
    QTest::newRow("compare: a sweep's folder of conditions")
        << false << QByteArray()
        << QStringList{"compare", "~/hof", "--csv", "~/c.csv", "--png", "~/c.png"} << 2 << ""
        << "~/hof holds condition folders, not runs: give them instead, the control first, "
           "e.g. compare ~/hof/a ~/hof/b";
    QTest::newRow("crossplay: a sweep's folder among conditions")
        << false << QByteArray()
        << QStringList{"crossplay", "~/hof/a", "~/hof", "--csv",  "~/x.csv",
                       "--stats",   "~/s.csv", "--png", "~/x.png"}
        << 2 << ""
        << "~/hof holds condition folders, not runs: give them instead, the control first, "
           "e.g. crossplay ~/hof/a ~/hof/b";
    // Text from outside in the line, quoted: never a control character a
    // terminal would obey.
    const QString hostile = hostileText();
    const QString quoted = quotedHostileText();
    const QString help = QStringLiteral(" (see 'coevolife-analyze --help')");
    QTest::newRow("hostile command")
        << false << QByteArray() << QStringList{hostile, "@"} << 2 << ""
        << QStringLiteral("unknown command '%1'").arg(quoted) + help;
    QTest::newRow("hostile option")
        << false << QByteArray() << QStringList{"grid", "@", QStringLiteral("--") + hostile} << 2
        << "" << QStringLiteral("Unknown option '%1'").arg(quoted) + help;
    QTest::newRow("hostile archive path")
        << false << QByteArray() << QStringList{"grid", "~/" + hostile, "--csv", "~/out.csv"} << 2
        << "" << QStringLiteral("~/%1: cannot read: No such file or directory").arg(quoted);
    QTest::newRow("hostile output folder")
        << false << QByteArray() << QStringList{"grid", "@", "--csv", "~/" + hostile + "/out.csv"}
        << 2 << "" << QStringLiteral("--csv ~/%1/out.csv: folder ~/%1 does not exist").arg(quoted);
    QTest::newRow("hostile chart name")
        << false << QByteArray() << QStringList{"ciao", "@", "--png", "~/" + hostile + ".txt"} << 2
        << QStringLiteral("--png ~/%1.txt").arg(quoted)
        << ": the suffix names no image format; end the name in .png (or .bmp, ";
    QTest::newRow("hostile --generations")
        << true << sound << QStringList{"grid", "@", "--csv", "~/out.csv", "--generations", hostile}
        << 2 << ""
        << QStringLiteral("--generations '%1' is not A:B with whole numbers 1 <= A <= B")
                   .arg(quoted) +
               help;
    QTest::newRow("hostile --first")
        << true << sound
        << QStringList{"duel", "@", "--first", hostile, "--second", "1", "--export", "~/duel"} << 2
        << ""
        << QStringLiteral("--first '%1' is not a whole number from 1 to 2147483647").arg(quoted) +
               help;
    QTest::newRow("hostile run")
        << false << QByteArray() << QStringList{"summary", "~/" + hostile, "--csv", "~/s.csv"} << 2
        << "" << QStringLiteral("~/%1: cannot read: No such file or directory").arg(quoted);
    QTest::newRow("hostile condition")
        << false << QByteArray()
        << QStringList{"compare", "~/hof/a", "~/" + hostile, "--csv", "~/c.csv", "--png", "~/c.png"}
        << 2 << "" << QStringLiteral("~/%1: not a folder of runs").arg(quoted);
}

void HostileArchiveTest::refusedWithOneLine()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, archive);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, named);
    QFETCH(QString, problem);

    QTemporaryDir dir;
    const QString archivePath = dir.filePath(QStringLiteral("run.arc"));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("blocker")), "a file, not a folder"));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("expd/duel.rle")));
    // Two conditions of a run each, as a sweep leaves them.
    for (const char* run : {"hof/a/seed-1", "hof/b/seed-1"}) {
        QVERIFY(QDir(dir.path()).mkpath(QLatin1String(run)));
        QVERIFY(writeBytes(dir.filePath(QLatin1String(run) + QStringLiteral("/fitness.csv")),
                           "generation,average1,average2,best1,best2\n1,1,2,3,4\n"));
    }
    if (exists)
        QVERIFY(writeBytes(archivePath, archive));
    auto place = [&](QString text) {
        return text.replace(QStringLiteral("@"), archivePath)
            .replace(QStringLiteral("~"), dir.path());
    };
    for (QString& argument : arguments)
        argument = place(argument);
    const QStringList before = treeUnder(dir.path());

    const ProgramRun run = runProgram(analyzePath, arguments);
    QCOMPARE(run.exitCode, exitCode);
    // Qt may warn about the environment when the charts' GUI application
    // starts; ours is the one line with the program's name.
    const QStringList lines =
        run.errorLines.filter(QRegularExpression(QStringLiteral("^coevolife-analyze: ")));
    QCOMPARE(lines.size(), 1);
    QCOMPARE(run.errorLines.last(), lines.first());
    QCOMPARE(controlCharacterIn(lines.first().toUtf8()), QString());
    if (named.isEmpty()) {
        QCOMPARE(lines.first(), QStringLiteral("coevolife-analyze: ") + place(problem));
    } else {
        QVERIFY2(lines.first().contains(place(named)), qPrintable(lines.first()));
        QVERIFY2(lines.first().contains(problem), qPrintable(lines.first()));
    }
    QVERIFY(run.out.isEmpty());
    QStringList after = before;
    if (exitCode == 0) {
        // Analysed all the same: the grid pairs the 2 whole generations it holds.
        QFile csv(dir.filePath(QStringLiteral("out.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QList<QByteArray> rows = csv.readAll().trimmed().split('\n');
        QCOMPARE(rows.size(), 1 + 2 * 2);
        QVERIFY(rows.last().startsWith("2,2,"));
        after << QStringLiteral("out.csv");
        after.sort();
    }
    QCOMPARE(treeUnder(dir.path()), after);
}

void HostileArchiveTest::refusedThreadsWithOneLine_data()
{
    QTest::addColumn<QString>("program");
    // "~" stands for the test's folder, which holds a sound archive run.arc.
    QTest::addColumn<QStringList>("arguments");
    // The limit the program runs under.
    QTest::addColumn<int>("resource");
    QTest::addColumn<qulonglong>("limit");
    QTest::addColumn<QString>("line");

    // A thread's stack is as large as the stack limit: past the address
    // space, none starts.
    const qulonglong hugeStack = 200ull << 40;
    // Room for a hundred stacks or so: the threads started are joined again.
    const qulonglong smallAddressSpace = 1ull << 30;
    QTest::newRow("grid, no thread")
        << analyzePath << QStringList{"grid", "~/run.arc", "--csv", "~/out.csv", "--threads", "4"}
        << int(RLIMIT_STACK) << hugeStack << "coevolife-analyze: cannot start 4 threads: ";
    QTest::newRow("grid, some threads")
        << analyzePath
        << QStringList{"grid", "~/run.arc", "--csv", "~/out.csv", "--threads", "1024"}
        << int(RLIMIT_AS) << smallAddressSpace << "coevolife-analyze: cannot start 1024 threads: ";
    QTest::newRow("batch, no thread")
        << batchPath
        << QStringList{"--seed", "1", "--generations", "1", "--csv", "~/out.csv", "--threads", "3"}
        << int(RLIMIT_STACK) << hugeStack << "coevolife-batch: cannot start 3 threads: ";
}

void HostileArchiveTest::refusedThreadsWithOneLine()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(int, resource);
    QFETCH(qulonglong, limit);
    QFETCH(QString, line);
#if defined(__SANITIZE_THREAD__)
    QSKIP("ThreadSanitizer's fixed memory layout does not survive either limit");
#elif defined(__SANITIZE_ADDRESS__)
    if (resource == RLIMIT_AS)
        QSKIP("AddressSanitizer's shadow memory does not fit in a small address space");
#endif

    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("run.arc")), randomArchive(3, 1)));
    for (QString& argument : arguments)
        argument.replace(QStringLiteral("~"), dir.path());
    const ProgramRun run = runProgram(program, arguments, [resource, limit] {
        const rlimit bound = {limit, limit};
        setrlimit(resource, &bound);
    });

    QCOMPARE(run.exitCode, ExitCode::systemRefused);
    // The reason is the system's own for a thread it cannot give.
    QCOMPARE(run.errorLines.filter(QRegularExpression(QStringLiteral("^coevolife-"))),
             QStringList{line + QString::fromLocal8Bit(std::strerror(EAGAIN))});
    QVERIFY(run.out.isEmpty());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("run.arc")});
}

QTEST_GUILESS_MAIN(HostileArchiveTest)
#include "HostileArchiveTest.moc"
