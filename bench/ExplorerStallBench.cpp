// How long the explorer's window thread goes without answering while it
// opens a run, its CIAO map plays and its duel board plays a whole match:
// a timer probe every millisecond records the longest gap between its ticks.
// Usage: coevolife-bench-explorer-stall RUN
#include "cli/CommandLineApplication.h"
#include "explorer/CiaoPane.h"
#include "explorer/DuelBoardPane.h"
#include "explorer/ExplorerWindow.h"
#include "view/SpriteSheet.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

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

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: coevolife-bench-explorer-stall RUN\n");
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
    if (const QString problem = window.openPath(QString::fromLocal8Bit(argv[1]));
        !problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 2;
    }
    const qint64 opened = clock.elapsed();
    const qint64 mapStall = longestStall([&] { return !window.ciao()->computing(); });
    const qint64 mapDone = clock.elapsed();
    DuelBoardPane* duel = window.duelBoard();
    duel->goToStep(duel->lastStep());
    const qint64 duelStall = longestStall([&] { return !duel->stepping(); });
    std::printf("opened in %lld ms; CIAO map complete at %lld ms, longest stall meanwhile %lld ms; "
                "duel to its last step: longest stall %lld ms\n",
                static_cast<long long>(opened), static_cast<long long>(mapDone),
                static_cast<long long>(mapStall), static_cast<long long>(duelStall));
    return 0;
}
