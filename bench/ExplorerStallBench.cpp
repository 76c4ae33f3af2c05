// How long the explorer's window thread goes without answering while it
// opens a run, its CIAO map plays and its duel board plays a whole match:
// a timer probe every millisecond records the longest gap between its ticks,
// from the moment the open is asked for.
// With --follow, the run's folder is copied as a batch still writing it
// would leave it, 200 generations short, and a generation is appended every
// 50 ms while the window follows it.
// Usage: coevolife-bench-explorer-stall RUN [--follow]
#include "cli/CommandLineApplication.h"
#include "explorer/CiaoPane.h"
#include "explorer/DuelBoardPane.h"
#include "explorer/ExplorerWindow.h"
#include "view/SpriteSheet.h"

#include "records/ArchiveFormat.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace
{

// Runs the event loop until `done`, and the longest gap between two ticks
// of a one-millisecond timer meanwhile, in milliseconds.
qint64 longestStall(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longest = 0;
    QEventLoop loop;
    QTimer probe;
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, &loop, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
        if (done())
            loop.quit();
    });
    probe.start();
    loop.exec();
    return longest;
}

QByteArray wholeFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool append(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::Append) && file.write(bytes) == bytes.size();
}

// A run folder's archive and log, cut into what a batch has written by
// generation `last` and what it writes after.
struct GrowingRun {
    QByteArray archive;
    QByteArray log;
    qsizetype headerSize = 0;
    // Where the header and each generation's record end.
    std::vector<qsizetype> recordEnds;
    std::vector<qsizetype> lineEnds;
};

} // namespace

int main(int argc, char** argv)
{
    const bool follow = argc == 3 && std::string(argv[2]) == "--follow";
    if (argc != 2 && !follow) {
        std::fprintf(stderr, "usage: coevolife-bench-explorer-stall RUN [--follow]\n");
        return 2;
    }
    const auto runtime = useOffscreenPlatform();
    QApplication app(argc, argv);
    loadSpriteSheet();
    QElapsedTimer clock;
    clock.start();
    ExplorerWindow window(false);
    window.resize(1280, 800);
    window.show();
    QApplication::processEvents();
    window.beginOpening(QString::fromLocal8Bit(argv[1]));
    const qint64 openStall = longestStall([&] { return !window.opening(); });
    if (const QString problem = window.waitForOpened(); !problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 2;
    }
    const qint64 opened = clock.elapsed();
    const qint64 mapStall =
        std::max(openStall, longestStall([&] { return !window.ciao()->computing(); }));
    const qint64 mapDone = clock.elapsed();
    DuelBoardPane* duel = window.duelBoard();
    duel->goToStep(duel->lastStep());
    const qint64 duelStall = longestStall([&] { return !duel->stepping(); });
    if (follow) {
        const QDir from(QString::fromLocal8Bit(argv[1]));
        GrowingRun run;
        run.archive = wholeFile(from.filePath(QStringLiteral("run.arc")));
        run.log = wholeFile(from.filePath(QStringLiteral("fitness.csv")));
        QString problem;
        const auto header = decodeArchiveHeader(run.archive, run.headerSize, problem);
        if (!header) {
            std::fprintf(stderr, "%s\n", qPrintable(problem));
            return 2;
        }
        run.recordEnds.push_back(run.headerSize);
        for (qsizetype at = run.headerSize; at < run.archive.size();) {
            const qint64 size =
                archiveRecordSizeAt(run.archive.constData() + at, run.archive.size() - at, *header);
            if (size <= 0 || size > run.archive.size() - at)
                break;
            at += size;
            run.recordEnds.push_back(at);
        }
        for (qsizetype k = 0; k < run.log.size(); ++k)
            if (run.log[k] == '\n')
                run.lineEnds.push_back(k + 1);
        const int generations = static_cast<int>(run.recordEnds.size()) - 1;
        const auto archiveUpTo = [&](int last) {
            return run.recordEnds[static_cast<std::size_t>(last)];
        };
        QTemporaryDir folder;
        const QString archivePath = folder.filePath(QStringLiteral("run.arc.partial"));
        const QString logPath = folder.filePath(QStringLiteral("fitness.csv.partial"));
        int last = generations - 200;
        if (last < 1 || !append(archivePath, run.archive.left(archiveUpTo(last))) ||
            !append(logPath, run.log.left(run.lineEnds[static_cast<std::size_t>(last)]))) {
            std::fprintf(stderr, "cannot write the followed run\n");
            return 2;
        }
        window.beginOpening(folder.path());
        longestStall([&] { return !window.opening() && !window.ciao()->computing(); });
        window.setFollowingNewest(true);
        QTimer writer;
        writer.setInterval(50);
        QObject::connect(&writer, &QTimer::timeout, [&] {
            if (last >= generations)
                return;
            append(archivePath, run.archive.mid(archiveUpTo(last), archiveUpTo(last + 1) - archiveUpTo(last)));
            append(logPath, run.log.mid(run.lineEnds[static_cast<std::size_t>(last)],
                                        run.lineEnds[static_cast<std::size_t>(last + 1)] -
                                            run.lineEnds[static_cast<std::size_t>(last)]));
            ++last;
        });
        writer.start();
        const qint64 followStall = longestStall([&] {
            return last >= generations && window.selection().generation1 == generations &&
                   !window.ciao()->computing();
        });
        std::printf("followed from generation %d to %d: longest stall %lld ms\n",
                    generations - 200, generations, static_cast<long long>(followStall));
    }
    std::printf("opened in %lld ms; CIAO map complete at %lld ms, longest stall from the open %lld ms; "
                "duel to its last step: longest stall %lld ms\n",
                static_cast<long long>(opened), static_cast<long long>(mapDone),
                static_cast<long long>(mapStall), static_cast<long long>(duelStall));
    return 0;
}
