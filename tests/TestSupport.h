#pragma once
// Small helpers shared by the test programs, of the engine and Qt Core
// only, so that a test of any layer may use them.

#include "board/Pattern.h"

#include <QDir>
#include <QDirIterator>
#include <QEvent>
#include <QFile>
#include <QMutex>
#include <QObject>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QTest>
#include <QVector>

#include <cmath>
#include <functional>
#include <random>
#include <utility>

// QCOMPARE compares floating point fuzzily; these values must match exactly.
#define COMPARE_EXACTLY(actual, expected)                                                          \
    do {                                                                                           \
        const double actualValue = (actual);                                                       \
        const double expectedValue = (expected);                                                   \
        QVERIFY2(actualValue == expectedValue, qPrintable(QStringLiteral("%1 != %2")               \
                                                              .arg(actualValue, 0, 'g', 17)        \
                                                              .arg(expectedValue, 0, 'g', 17)));   \
    } while (false)

// The board's cells row by row (a Board or a StepThread).
template <typename AnyBoard> QVector<int> cellsOf(const AnyBoard& board)
{
    QVector<int> cells;
    for (int y = 0; y < board.boardHeight(); ++y)
        for (int x = 0; x < board.boardWidth(); ++x)
            cells << board.cellAt(x, y);
    return cells;
}

// Counts the paint events of the widget it filters.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// While it lives, keeps the Qt messages `catches` picks (from any thread)
// and passes every other one on to the handler before it.
class MessageCatcher
{
public:
    using Filter = std::function<bool(QtMsgType type, const QString& text)>;

    explicit MessageCatcher(Filter catches)
        : catches(std::move(catches)), outer(current), previous(qInstallMessageHandler(handle))
    {
        current = this;
    }
    ~MessageCatcher()
    {
        qInstallMessageHandler(previous);
        current = outer;
    }
    MessageCatcher(const MessageCatcher&) = delete;
    MessageCatcher& operator=(const MessageCatcher&) = delete;

    // The messages caught so far, which are then forgotten.
    QStringList take()
    {
        QMutexLocker locker(&mutex);
        return std::exchange(caught, {});
    }

    static bool isWarning(QtMsgType type) { return type != QtDebugMsg && type != QtInfoMsg; }
    // A warning that is a fault of the program: the offscreen platform
    // plugin cannot pass size hints on, where a real one can.
    static bool isFaultWarning(QtMsgType type, const QString& text)
    {
        return isWarning(type) && !text.contains(QLatin1String("does not support propagateSizeHints"));
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        MessageCatcher* self = current;
        if (self->catches(type, text)) {
            QMutexLocker locker(&self->mutex);
            self->caught << text;
            return;
        }
        self->previous(type, context, text);
    }

    static inline MessageCatcher* current = nullptr;
    const Filter catches;
    MessageCatcher* const outer;
    const QtMessageHandler previous;
    QMutex mutex;
    QStringList caught;
};

// A program run to its end: exit code (-1 if it crashed or hung) and output.
struct ProgramRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    QStringList errorLines;

    QStringList outLines() const
    {
        return QString::fromLocal8Bit(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
};

// The end of a started program, with what it printed that was not read yet.
inline ProgramRun finishedRun(QProcess& process, int timeoutMs = 300000)
{
    ProgramRun run;
    if (!process.waitForFinished(timeoutMs))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    run.errorLines = QString::fromLocal8Bit(run.err).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return run;
}

// `inChild` runs in the child before the program starts, e.g. to limit it.
inline ProgramRun
runProgram(const QString& program, const QStringList& arguments,
           const std::function<void()>& inChild = {},
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    if (inChild)
        process.setChildProcessModifier(inChild);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    return finishedRun(process);
}

#ifdef COEVOLIFE_BATCH_PATH
inline ProgramRun
runBatch(const QStringList& arguments,
         const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    return runProgram(QStringLiteral(COEVOLIFE_BATCH_PATH), arguments, {}, environment);
}
#endif

// A random pattern of the shape, each cell alive with the chance `density`.
inline Pattern randomPattern(std::mt19937& random, double density = 0.5, PatternShape shape = {})
{
    std::bernoulli_distribution alive(density);
    Pattern pattern = makePattern(shape.cells());
    for (int c = 0; c < shape.cells(); ++c)
        pattern[c] = alive(random) ? 1 : 0;
    return pattern;
}

// A progress line: its generation and its four numbers as printed.
inline const QRegularExpression& progressLinePattern()
{
    static const QRegularExpression pattern(QStringLiteral(
        "^generation(\\d+) average : ([-0-9.e+]+), ([-0-9.e+]+),, ([-0-9.e+]+), ([-0-9.e+]+)$"));
    return pattern;
}

// True when `printed` is `precise` rounded to 6 significant digits.
inline bool agreesToSixDigits(double precise, double printed)
{
    if (printed == 0.0)
        return std::abs(precise) < 5e-7;
    const double unit = std::pow(10.0, std::floor(std::log10(std::abs(printed))) - 5);
    return std::abs(precise - printed) <= unit / 2 * (1 + 1e-9);
}

// Checks a log's rows, its header first, against the progress lines printed
// ("stopped" left out), one for one.
inline void compareCsvWithLines(const QStringList& csv, const QStringList& printedLines)
{
    const QRegularExpression& progress = progressLinePattern();
    QStringList progressLines;
    for (const QString& line : printedLines)
        if (line != QStringLiteral("stopped"))
            progressLines << line;
    QVERIFY(!progressLines.isEmpty());
    QCOMPARE(csv.size(), progressLines.size() + 1);
    QCOMPARE(csv.first(), QStringLiteral("generation,average1,average2,best1,best2"));
    for (int k = 0; k < progressLines.size(); ++k) {
        const QRegularExpressionMatch match = progress.match(progressLines[k]);
        QVERIFY2(match.hasMatch(), qPrintable(progressLines[k]));
        const QStringList fields = csv[k + 1].split(QLatin1Char(','));
        QCOMPARE(fields.size(), 5);
        QCOMPARE(fields[0], match.captured(1));
        for (int f = 1; f < 5; ++f) {
            bool ok = false;
            const double value = fields[f].toDouble(&ok);
            QVERIFY(ok);
            QVERIFY2(agreesToSixDigits(value, match.captured(f + 1).toDouble()),
                     qPrintable(csv[k + 1] + QStringLiteral(" vs ") + progressLines[k]));
            // Nine significant digits, the whole of a float's precision.
            QCOMPARE(fields[f], QString::asprintf("%.9g", value));
        }
    }
}

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every file and folder under `folder`, hidden ones too, as paths relative to
// it, sorted: what a refused command must leave as it was.
inline QStringList treeUnder(const QString& folder)
{
    const QDir root(folder);
    QStringList paths;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        paths << root.relativeFilePath(it.next());
    paths.sort();
    return paths;
}

// Text from outside as every error line shows it: a backslash, ESC with an
// OSC that would retitle a terminal, BEL, a C1 CSI and a bidi override. And
// the same as quotedText shows it.
inline QString hostileText()
{
    return QStringLiteral("x\\\x1b]0;pwned\a") + QChar(0x9b) + QStringLiteral("31m") +
           QChar(0x202e);
}
inline QString quotedHostileText()
{
    return QStringLiteral("x\\\\\\x1b]0;pwned\\x07\\u009b31m\\u202e");
}

// Where `text` holds a control character a terminal would obey (C0 but the
// line end that ends it, DEL, or a C1 control in UTF-8), or empty: what no
// error line may print.
inline QString controlCharacterIn(QByteArray text)
{
    if (text.endsWith('\n'))
        text.chop(1);
    for (qsizetype k = 0; k < text.size(); ++k) {
        const auto byte = static_cast<unsigned char>(text[k]);
        const bool c1 = byte == 0xc2 && k + 1 < text.size() &&
                        static_cast<unsigned char>(text[k + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[k + 1]) <= 0x9f;
        if (byte < 0x20 || byte == 0x7f || c1)
            return QStringLiteral("a control character at byte %1 of %2")
                .arg(k)
                .arg(QString::fromLatin1(text.toPercentEncoding()));
    }
    return {};
}

// The whole file, or nothing when it cannot be read.
inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Its lines, empty ones left out.
inline QStringList fileLines(const QString& path)
{
    return QString::fromUtf8(fileBytes(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// A pinned reference output in tests/data, or nothing when it is missing.
inline QByteArray referenceBytes(const QString& name)
{
    return fileBytes(QFINDTESTDATA(QStringLiteral("data/") + name));
}

// A batch log cut back after the line of `generation`, as a resume expects
// it: what a run printed after the generation its checkpoint holds is
// printed again by the resumed run. Empty if that line is missing.
inline QByteArray logUpToGeneration(const QByteArray& log, int generation)
{
    const QByteArray line = "generation" + QByteArray::number(generation) + " average ";
    qsizetype at = 0;
    if (!log.startsWith(line)) {
        at = log.indexOf("\n" + line);
        if (at < 0)
            return {};
        ++at;
    }
    const qsizetype end = log.indexOf('\n', at);
    return end < 0 ? QByteArray() : log.left(end + 1);
}
