// coevolife-analyze refuses what is not a sound archive or CSV log, a range
// outside it, an output it cannot write (before it reads anything) and a run
// or condition given twice: one line naming the file and the problem, the
// exit code, and no output file. An archive cut short is read up to its last
// whole generation, with one line saying so. Threads the system will not
// start end either program the same way, and so does, in every program, an
// output or standard output that cannot be written (exit code 3).
#include "RecordsTestSupport.h"
#include "cli/ExitCodes.h"
#include "records/CheckpointFormat.h"
#include "records/Checksum.h"
#include "records/FloatBits.h"
#include "records/FormerCheckpoint.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <functional>
#include <fcntl.h>
#include <limits>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

const QString analyzePath = QStringLiteral(COEVOLIFE_ANALYZE_PATH);
const QString batchPath = QStringLiteral(COEVOLIFE_BATCH_PATH);
const QString explorerPath = QStringLiteral(COEVOLIFE_EXPLORER_PATH);

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

// An archive whose `index`-th record (from 0) has the 32 bits `value` at
// `offset`, its checksum made good again: numbers no run writes, that only
// their own checks refuse.
QByteArray withRecordField(QByteArray bytes, int headerSize, int recordSize, int index, int offset,
                           std::uint32_t value)
{
    char* record = bytes.data() + headerSize + static_cast<qsizetype>(index) * recordSize;
    qToLittleEndian(value, record + offset);
    qToLittleEndian(crc32Of(record, recordSize - 4), record + recordSize - 4);
    return bytes;
}

QByteArray withRecordScore(const QByteArray& bytes, int headerSize, int recordSize, int population,
                           float score)
{
    // Population 1's champion's score, then population 2's, before the checksum.
    return withRecordField(bytes, headerSize, recordSize, 1, recordSize - 16 + 4 * population,
                           bitCast<std::uint32_t>(score));
}

// A version 3 archive whose second record has its members and its scores
// and births taken out, changed (`change` may set its flags too), and put
// back, sealed again: records no run writes, that only their own checks
// refuse.
using RecordChange = std::function<void(QByteArray& members, QByteArray& lineage, std::uint32_t&)>;
QByteArray withSecondRecord(const QByteArray& archive, qsizetype headerSize,
                            const RecordChange& change)
{
    const qsizetype at = headerSize + qFromLittleEndian<std::uint32_t>(archive.constData() + headerSize);
    const qsizetype size = qFromLittleEndian<std::uint32_t>(archive.constData() + at);
    const qsizetype memberBytes = qFromLittleEndian<std::uint32_t>(archive.constData() + at + 12);
    QByteArray members = archive.mid(at + 16, memberBytes);
    QByteArray lineage = archive.mid(at + 16 + memberBytes, size - 20 - memberBytes);
    std::uint32_t flags = qFromLittleEndian<std::uint32_t>(archive.constData() + at + 8);
    change(members, lineage, flags);
    QByteArray record = archive.mid(at, 16) + members + lineage + QByteArray(4, '\0');
    qToLittleEndian(static_cast<std::uint32_t>(record.size()), record.data());
    qToLittleEndian(flags, record.data() + 8);
    qToLittleEndian(static_cast<std::uint32_t>(members.size()), record.data() + 12);
    qToLittleEndian(crc32Of(record.constData(), record.size() - 4), record.data() + record.size() - 4);
    return archive.left(at) + record + archive.mid(at + size);
}

// Where a program's standard output goes: read by the test, /dev/full, or a
// file that a file-size limit cuts short.
enum class StandardOutput { Read, Full, LimitedFile };

} // namespace

Q_DECLARE_METATYPE(StandardOutput)

class HostileArchiveTest : public QObject
{
    Q_OBJECT

private slots:
    void refusedWithOneLine_data();
    void refusedWithOneLine();
    void refusedThreadsWithOneLine_data();
    void refusedThreadsWithOneLine();
    void readersTakeWhatTheirFormatAllows_data();
    void readersTakeWhatTheirFormatAllows();
    void unwritableOutputWithOneLine_data();
    void unwritableOutputWithOneLine();
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

    const QByteArray sound = randomArchive(3, 1, ExperimentConfig(), 1, 1);
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
    QTest::newRow("newer version") << true << withByte(sound, 8, 4) << grid << 2 << "@"
                                   << "format version 4 is newer";
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
    // The record after one of the largest generation number has none.
    const int most = std::numeric_limits<int>::max();
    QTest::newRow("generation after the largest")
        << true
        << withRecordField(withRecordField(sound.left(record + 2 * archiveRecordSize), record,
                                           archiveRecordSize, 0, 0,
                                           static_cast<std::uint32_t>(most)),
                           record, archiveRecordSize, 1, 0, static_cast<std::uint32_t>(most) + 1)
        << grid << 2 << "@"
        << "generation record 2 is corrupted (generation 2147483648 out of order)";
    // The generation it ends inside is past the largest int.
    QTest::newRow("cut short after the largest")
        << true
        << withRecordField(withRecordField(sound.chopped(100), record, archiveRecordSize, 0, 0,
                                           static_cast<std::uint32_t>(most) - 1),
                           record, archiveRecordSize, 1, 0, static_cast<std::uint32_t>(most))
        << grid << 0 << "@"
        << "the file ends early, inside generation 2147483648; reading its 2 whole generations";
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    QTest::newRow("champion's score not a number")
        << true << withRecordScore(sound, record, archiveRecordSize, 1, nan) << grid << 2 << "@"
        << "generation record 2 is corrupted (population 1's champion's score nan is not a "
           "finite score of 0 or more)";
    QTest::newRow("champion's score infinite")
        << true << withRecordScore(sound, record, archiveRecordSize, 2, infinity) << grid << 2
        << "@"
        << "generation record 2 is corrupted (population 2's champion's score inf is not a "
           "finite score of 0 or more)";
    QTest::newRow("champion's score negative")
        << true << withRecordScore(sound, record, archiveRecordSize, 1, -3.0f) << grid << 2 << "@"
        << "generation record 2 is corrupted (population 1's champion's score -3 is not a "
           "finite score of 0 or more)";
    // Champions all distinct, one member each: 46,341 squared is past the
    // largest int.
    ExperimentConfig single;
    single.populationSize = 1;
    QTest::newRow("more matches than an analysis plays")
        << true << randomArchive(46341, 7, single) << grid << 2 << "@"
        << "generations 1 to 46341 hold 46341 and 46341 distinct champions, 2147488281 matches, "
           "more than one analysis plays (2147483647); choose fewer with --generations or "
           "--every";
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
    const QByteArray other = randomArchive(3, 2, oddTestConfig(), 1, 2);
    ArchiveHeader otherHeader = archiveHeaderOf(2, QStringLiteral("test"), oddTestConfig());
    otherHeader.formatVersion = 2;
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
    QTest::newRow("v2: champion's score not a number")
        << true << withRecordScore(other, otherRecord, otherRecordSize, 2, -nan) << grid << 2 << "@"
        << "generation record 2 is corrupted (population 2's champion's score nan is not a "
           "finite score of 0 or more)";
    // Version 3: each record's length, its flags, its members (random, so
    // all 23 of 3 bytes distinct: 96 bytes a population), their champions
    // at 192; 184 bytes of scores, then the births.
    const QByteArray third = randomArchive(3, 3, oddTestConfig());
    const int thirdRecord = otherRecord;
    const qsizetype secondAt =
        thirdRecord + qFromLittleEndian<std::uint32_t>(third.constData() + thirdRecord);
    QTest::newRow("v3: cut short") << true << third.chopped(10) << grid << 0 << "@"
                                   << "the file ends early, inside generation 3; reading its 2 "
                                      "whole generations";
    QTest::newRow("v3: corrupted record")
        << true << withByte(third, static_cast<int>(secondAt) + 20, 'x') << grid << 2 << "@"
        << "generation record 2 is corrupted (checksum mismatch)";
    for (const std::uint32_t length : {5u, 0xffffffffu}) {
        QByteArray lengthened = third;
        qToLittleEndian(length, lengthened.data() + secondAt);
        QTest::addRow("v3: record length %u", length)
            << true << lengthened << grid << 2 << "@"
            << QStringLiteral("generation record 2 is corrupted (a length of %1 bytes)").arg(length);
    }
    // Births of 23 members of one population: 6 bytes of operators, 23
    // parents, then each crossover's mate and rectangle.
    const auto withBirths = [](const std::function<void(QByteArray&)>& change) -> RecordChange {
        return [change](QByteArray&, QByteArray& lineage, std::uint32_t& flags) {
            QByteArray births(2 * (6 + 23), '\0');
            change(births);
            lineage += births;
            flags = 1;
        };
    };
    const struct {
        const char* tag;
        RecordChange change;
        QString problem;
    } records[] = {
        {"flags", [](QByteArray&, QByteArray&, std::uint32_t& flags) { flags = 2; },
         "flags 2 unknown"},
        {"members longer", [](QByteArray& members, QByteArray&, std::uint32_t&) { members += 'x'; },
         "its members do not fill their 201 bytes"},
        {"no distinct pattern",
         [](QByteArray& members, QByteArray&, std::uint32_t&) { members[0] = 0; },
         "population 1: 0 distinct patterns in a population of 23"},
        {"member of no pattern",
         [](QByteArray& members, QByteArray&, std::uint32_t&) { members[96 + 4 + 69 + 5] = 23; },
         "population 2: member 5 is distinct pattern 23 of 23"},
        {"births flagged, none there", [](QByteArray&, QByteArray&, std::uint32_t& flags) { flags = 1; },
         "its scores and births do not fill it"},
        {"scores longer", [](QByteArray&, QByteArray& lineage, std::uint32_t&) { lineage += 'x'; },
         "its scores and births do not fill it"},
        {"champion", [](QByteArray& members, QByteArray&, std::uint32_t&) { members[192] = 23; },
         "champion index out of range"},
        {"member's score negative",
         [](QByteArray&, QByteArray& lineage, std::uint32_t&) {
             qToLittleEndian(bitCast<std::uint32_t>(-1.0f), lineage.data() + 4 * (23 + 5));
         },
         "population 2's member 5 has the score -1, not a finite score of 0 or more"},
        {"operator", withBirths([](QByteArray& births) { births[0] = 3; }),
         "population 1's member 0 was bred by operator 3, which is none"},
        {"operators past the last member", withBirths([](QByteArray& births) { births[6 + 23 + 5] = 0x40; }),
         "population 2's operators go on past its last member"},
        {"parent", withBirths([](QByteArray& births) { births[6 + 4] = 23; }),
         "population 1's member 4's parents are no member"},
        {"rectangle",
         withBirths([](QByteArray& births) {
             births[0] = 1 << 2;
             births.insert(6 + 23, QByteArray("\x00\x00\x07\x00\x02", 5));
         }),
         "population 1's member 1's crossover rectangle lies outside the pattern"},
        {"mate",
         withBirths([](QByteArray& births) {
             births[0] = 1 << 2;
             births.insert(6 + 23, QByteArray("\x17\x00\x01\x00\x01", 5));
         }),
         "population 1's member 1's parents are no member"},
    };
    for (const auto& record : records)
        QTest::addRow("v3: %s", record.tag)
            << true << withSecondRecord(third, thirdRecord, record.change) << grid << 2 << "@"
            << QStringLiteral("generation record 2 is corrupted (%1)").arg(record.problem);
    QByteArray overstated = third;
    qToLittleEndian(0xfffffu, overstated.data() + secondAt + 12);
    const qsizetype secondSize = qFromLittleEndian<std::uint32_t>(third.constData() + secondAt);
    qToLittleEndian(crc32Of(overstated.constData() + secondAt, secondSize - 4),
                    overstated.data() + secondAt + secondSize - 4);
    QTest::newRow("v3: members' length")
        << true << overstated << grid << 2 << "@"
        << "generation record 2 is corrupted (members of 1048575 bytes)";
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
        << ": the suffix names no image format; end the name in .png, .svg, .pdf (or .bmp, ";
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
        << ": the suffix names no image format; end the name in .png, .svg, .pdf (or .bmp, ";
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
        const QList<QByteArray> rows =
            fileBytes(dir.filePath(QStringLiteral("out.csv"))).trimmed().split('\n');
        QCOMPARE(rows.size(), 1 + 2 * 2);
        const QByteArray second = QByteArray::number(rows[1].split(',').first().toLongLong() + 1);
        QVERIFY(rows.last().startsWith(second + ',' + second + ','));
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

void HostileArchiveTest::readersTakeWhatTheirFormatAllows_data()
{
    QTest::addColumn<QString>("program");
    // "~" stands for the test's folder, which holds a FIFO "fifo", a run
    // folder "zero" whose fitness.csv is /dev/zero, one "fiforun" whose
    // config.toml is a FIFO, sound inputs of 3 GiB (their tails sparse) and
    // a configuration of 70,000 bytes.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    // The last line on standard error, or standard output for exit code 0;
    // one ending in "*" is compared up to it.
    QTest::addColumn<QString>("line");

    const QString batch = QStringLiteral("coevolife-batch: ");
    const QString analyze = QStringLiteral("coevolife-analyze: ");
    const QString keys = QStringLiteral(" (see 'coevolife-batch --print-config' for every key)");
    const QString device = QStringLiteral("a device, not a regular file");
    const QString fifo = QStringLiteral("a FIFO, not a regular file");
    QTest::newRow("--config /dev/zero") << batchPath << QStringList{"--config", "/dev/zero"} << 2
                                        << batch + "/dev/zero: " + device + keys;
    QTest::newRow("--config a FIFO")
        << batchPath << QStringList{"--config", "~/fifo"} << 2 << batch + "~/fifo: " + fifo + keys;
    QTest::newRow("--config a folder") << batchPath << QStringList{"--config", "~"} << 2
                                       << batch + "~: a folder, not a file" + keys;
    QTest::newRow("--config longer than a configuration can be")
        << batchPath << QStringList{"--config", "~/long.toml"} << 2
        << batch + "~/long.toml: 70000 bytes, more than a configuration holds (at most 65536)" +
               keys;
    QTest::newRow("--resume /dev/zero") << batchPath << QStringList{"--resume", "/dev/zero"} << 2
                                        << batch + "/dev/zero: cannot read: " + device;
    QTest::newRow("--resume a FIFO") << batchPath << QStringList{"--resume", "~/fifo"} << 2
                                     << batch + "~/fifo: cannot read: " + fifo;
    QTest::newRow("--checkpoint-info /dev/zero")
        << batchPath << QStringList{"--checkpoint-info", "/dev/zero"} << 2
        << batch + "/dev/zero: cannot read: " + device;
    // Read no further than the header's numbers reach.
    QTest::newRow("--checkpoint-info of a checkpoint with a long tail")
        << batchPath << QStringList{"--checkpoint-info", "~/huge.ckpt"} << 0 << "generation 2";
    QTest::newRow("--checkpoint-info of a former checkpoint longer than it says")
        << batchPath << QStringList{"--checkpoint-info", "~/long.ckpt"} << 2
        << batch + "~/long.ckpt: corrupted: 3221225472 bytes where the header says *";
    // Renamed into place, an output would turn a FIFO or a device into a
    // regular file.
    QTest::newRow("--csv a FIFO") << batchPath
                                  << QStringList{"--generations", "1", "--csv", "~/fifo"} << 2
                                  << batch + "--csv ~/fifo is " + fifo;
    QTest::newRow("grid --csv a link to /dev/zero")
        << analyzePath << QStringList{"grid", "~/huge.arc", "--csv", "~/zero/fitness.csv"} << 2
        << analyze + "--csv ~/zero/fitness.csv is " + device;
    QTest::newRow("grid /dev/zero")
        << analyzePath << QStringList{"grid", "/dev/zero", "--csv", "~/out.csv"} << 2
        << analyze + "/dev/zero: cannot read: " + device;
    QTest::newRow("grid /dev/urandom")
        << analyzePath << QStringList{"grid", "/dev/urandom", "--csv", "~/out.csv"} << 2
        << analyze + "/dev/urandom: cannot read: " + device;
    QTest::newRow("grid a FIFO") << analyzePath
                                 << QStringList{"grid", "~/fifo", "--csv", "~/out.csv"} << 2
                                 << analyze + "~/fifo: cannot read: " + fifo;
    QTest::newRow("grid of an archive of 3 GiB")
        << analyzePath << QStringList{"grid", "~/huge.arc", "--csv", "~/out.csv"} << 2
        << analyze + "~/huge.arc: cannot read: 3221225472 bytes, more than this process can hold";
    QTest::newRow("summary /dev/zero")
        << analyzePath << QStringList{"summary", "/dev/zero", "--csv", "~/out.csv"} << 2
        << analyze + "/dev/zero: cannot read: " + device;
    QTest::newRow("summary of a run whose log is /dev/zero")
        << analyzePath << QStringList{"summary", "~/zero", "--csv", "~/out.csv"} << 2
        << analyze + "~/zero/fitness.csv: cannot read: " + device;
    QTest::newRow("summary of a run whose configuration is a FIFO")
        << analyzePath << QStringList{"summary", "~/fiforun", "--csv", "~/out.csv"} << 2
        << analyze + "~/fiforun/config.toml: " + fifo;
    QTest::newRow("summary of a log of 3 GiB")
        << analyzePath << QStringList{"summary", "~/huge.csv", "--csv", "~/out.csv"} << 2
        << analyze + "~/huge.csv: cannot read: 3221225472 bytes, more than this process can hold";
}

void HostileArchiveTest::readersTakeWhatTheirFormatAllows()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, line);
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    QSKIP("The sanitizers' shadow memory does not fit in a small address space");
#endif

    QTemporaryDir dir;
    const QString home = dir.path();
    const auto hugeFile = [&home](const char* name, const QByteArray& start) {
        QFile file(home + QLatin1Char('/') + QLatin1String(name));
        return file.open(QIODevice::WriteOnly) && file.write(start) == start.size() &&
               file.resize(3LL << 30);
    };
    const QByteArray log("generation,average1,average2,best1,best2\n1,1,2,3,4\n");
    QVERIFY(::mkfifo(QFile::encodeName(home + QStringLiteral("/fifo")).constData(), 0600) == 0);
    QVERIFY(QDir(home).mkpath(QStringLiteral("zero")) &&
            QDir(home).mkpath(QStringLiteral("fiforun")));
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), home + QStringLiteral("/zero/fitness.csv")));
    QVERIFY(writeBytes(home + QStringLiteral("/fiforun/fitness.csv"), log));
    QVERIFY(::mkfifo(QFile::encodeName(home + QStringLiteral("/fiforun/config.toml")).constData(),
                     0600) == 0);
    QVERIFY(writeBytes(home + QStringLiteral("/long.toml"), "#" + QByteArray(69998, 'x') + "\n"));
    QVERIFY(hugeFile("huge.arc", randomArchive(3, 1)));
    QVERIFY(hugeFile("huge.csv", log));
    if (arguments.join(QLatin1Char(' ')).contains(QStringLiteral(".ckpt"))) {
        const QString made = home + QStringLiteral("/made.ckpt");
        QCOMPARE(runProgram(batchPath, {"--seed", "1", "--generations", "2", "--checkpoint", made})
                     .exitCode,
                 0);
        QString problem;
        const auto checkpoint = decodeCheckpoint(fileBytes(made), problem);
        QVERIFY2(checkpoint, qPrintable(problem));
        QVERIFY(hugeFile("huge.ckpt", fileBytes(made)));
        QVERIFY(hugeFile("long.ckpt", encodeFormerCheckpoint(*checkpoint)));
    }
    for (QString& argument : arguments)
        argument.replace(QStringLiteral("~"), home);
    line.replace(QStringLiteral("~"), home);

    // Room for the program, not for the inputs: a reader that took all of
    // one would abort.
    const ProgramRun run = runProgram(program, arguments, [] {
        const rlimit bound = {1ull << 30, 1ull << 30};
        setrlimit(RLIMIT_AS, &bound);
    });
    QCOMPARE(run.exitCode, exitCode);
    const QString shown = exitCode == 0 ? QString::fromUtf8(run.out).trimmed()
                                        : run.errorLines.value(run.errorLines.size() - 1);
    if (line.endsWith(QLatin1Char('*')))
        QVERIFY2(shown.startsWith(line.chopped(1)), qPrintable(shown));
    else
        QCOMPARE(shown, line);
}

void HostileArchiveTest::unwritableOutputWithOneLine_data()
{
    QTest::addColumn<QString>("program");
    // "~" stands for the test's folder, which holds a sound archive run.arc
    // and the checkpoint run.ckpt of a run of 2 generations.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<StandardOutput>("standardOutput");
    // The bytes a file may hold (ulimit -f), whose signal the programs
    // ignore; 0 for no limit.
    QTest::addColumn<int>("fileSizeLimit");
    QTest::addColumn<QString>("line");

    using O = StandardOutput;
    const QString full = QStringLiteral("cannot write to standard output: No space left on device");
    QTest::newRow("batch's progress lines")
        << batchPath << QStringList{"--seed", "1", "--generations", "2"} << O::Full << 0
        << "coevolife-batch: " + full;
    // Whole lines only: the one the limit cuts is cut off again.
    QTest::newRow("batch's progress lines past a file-size limit")
        << batchPath << QStringList{"--seed", "1", "--generations", "200"} << O::LimitedFile << 1000
        << "coevolife-batch: cannot write to standard output: File too large";
    QTest::newRow("batch --print-config")
        << batchPath << QStringList{"--print-config"} << O::Full << 0 << "coevolife-batch: " + full;
    QTest::newRow("batch --checkpoint-info")
        << batchPath << QStringList{"--checkpoint-info", "~/run.ckpt"} << O::Full << 0
        << "coevolife-batch: " + full;
    QTest::newRow("batch --help")
        << batchPath << QStringList{"--help"} << O::Full << 0 << "coevolife-batch: " + full;
    QTest::newRow("analyze --help")
        << analyzePath << QStringList{"--help"} << O::Full << 0 << "coevolife-analyze: " + full;
    QTest::newRow("explorer --help")
        << explorerPath << QStringList{"--help"} << O::Full << 0 << "coevolife-explorer: " + full;
    QTest::newRow("analyze's CSV past a file-size limit")
        << analyzePath << QStringList{"grid", "~/run.arc", "--csv", "~/out.csv"} << O::Read << 100
        << "coevolife-analyze: cannot write ~/out.csv: File too large";
    QTest::newRow("explorer's image past a file-size limit")
        << explorerPath << QStringList{"~/run.arc", "--board-image", "~/board.png"} << O::Read
        << 100 << "coevolife-explorer: cannot write ~/board.png: File too large";
}

void HostileArchiveTest::unwritableOutputWithOneLine()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(StandardOutput, standardOutput);
    QFETCH(int, fileSizeLimit);
    QFETCH(QString, line);

    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("run.arc")), randomArchive(3, 1)));
    QCOMPARE(runProgram(batchPath, {QStringLiteral("--seed"), QStringLiteral("1"),
                                    QStringLiteral("--generations"), QStringLiteral("2"),
                                    QStringLiteral("--checkpoint"),
                                    dir.filePath(QStringLiteral("run.ckpt"))})
                 .exitCode,
             0);
    const QStringList before = treeUnder(dir.path());
    for (QString& argument : arguments)
        argument.replace(QStringLiteral("~"), dir.path());
    QTemporaryDir logDir;
    const QByteArray log = QFile::encodeName(logDir.filePath(QStringLiteral("out.log")));
    const ProgramRun run = runProgram(program, arguments, [standardOutput, fileSizeLimit, log] {
        if (standardOutput != StandardOutput::Read) {
            const int output =
                standardOutput == StandardOutput::Full
                    ? ::open("/dev/full", O_WRONLY)
                    : ::open(log.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
            ::dup2(output, STDOUT_FILENO);
        }
        if (fileSizeLimit > 0) {
            const rlimit bound = {static_cast<rlim_t>(fileSizeLimit),
                                  static_cast<rlim_t>(fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &bound);
        }
    });

    QCOMPARE(run.exitCode, ExitCode::unwritableOutput);
    QCOMPARE(run.errorLines, QStringList{QString(line).replace(QStringLiteral("~"), dir.path())});
    QVERIFY(run.out.isEmpty());
    QCOMPARE(treeUnder(dir.path()), before);
    if (standardOutput == StandardOutput::LimitedFile) {
        const QByteArray cut = fileBytes(QFile::decodeName(log));
        const QByteArray whole = runProgram(program, arguments).out;
        QVERIFY(!cut.isEmpty() && cut.endsWith('\n') && cut.size() <= fileSizeLimit);
        QVERIFY(whole.startsWith(cut) && whole.size() > cut.size());
    }
}

QTEST_GUILESS_MAIN(HostileArchiveTest)
#include "HostileArchiveTest.moc"
