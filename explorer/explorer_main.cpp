#include "charts/ImageFile.h"
#include "cli/CommandLineApplication.h"
#include "cli/ExitCodes.h"
#include "explorer/CiaoPane.h"
#include "explorer/DuelBoardPane.h"
#include "explorer/ExplorerOptions.h"
#include "explorer/ExplorerWindow.h"
#include "explorer/FitnessPane.h"
#include "output/OutputPathsCheck.h"
#include "view/SpriteSheet.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>

namespace
{

// The window's own cell size for --board-image.
constexpr int boardImageCellSize = 8;

// The image --screenshot or --board-image asks for.
PlannedOutput imageOutput(const ExplorerOptions& options)
{
    if (!options.boardImagePath.isEmpty())
        return {
            QStringLiteral("--board-image"), options.boardImagePath, PlannedOutput::Kind::File, {}};
    return {QStringLiteral("--screenshot"), options.screenshotPath, PlannedOutput::Kind::File, {}};
}

// Before the run is opened, as the other programs check theirs: one line, or
// empty.
QString checkImageOutput(const ExplorerOptions& options)
{
    const PlannedOutput output = imageOutput(options);
    const QString problem = checkOutputPaths({output});
    return problem.isEmpty() ? imageFormatProblem(output.option, output.path) : problem;
}

// How often --follow looks at the run, as the window does.
constexpr int followMilliseconds = 200;

// Follows the run until its files have their final names, or the timeout
// has passed; the newest generation is selected.
void followToTheEnd(ExplorerWindow& window, const ExplorerOptions& options, QElapsedTimer& clock)
{
    const qint64 timeout =
        options.timeoutSeconds ? static_cast<qint64>(*options.timeoutSeconds) * 1000 : -1;
    for (;;) {
        window.followRun();
        if (window.runFinished() || (timeout >= 0 && clock.elapsed() >= timeout))
            break;
        QEventLoop wait;
        QTimer::singleShot(followMilliseconds, &wait, &QEventLoop::quit);
        wait.exec();
    }
    window.setFollowingNewest(true);
}

// Selects the duel asked for and writes the image; an exit code.
int writeScriptedImage(ExplorerWindow& window, const ExplorerOptions& options)
{
    QElapsedTimer clock;
    clock.start();
    if (options.follow)
        followToTheEnd(window, options, clock);
    if (options.duel) {
        DuelSelection duel{options.duel->first, options.duel->second, -1, -1};
        if (options.members) {
            duel.member1 = options.members->first;
            duel.member2 = options.members->second;
        }
        if (const QString problem = window.selectChecked(duel); !problem.isEmpty()) {
            reportError(problem);
            return ExitCode::badInput;
        }
        if (options.lineage)
            if (const QString problem = window.followLineage(
                    {(*options.lineage)[0], (*options.lineage)[1], (*options.lineage)[2]});
                !problem.isEmpty()) {
                reportError(QStringLiteral("--lineage: %1").arg(problem));
                return ExitCode::badInput;
            }
        if (options.step > window.duelBoard()->lastStep()) {
            reportError(QStringLiteral("--step %1: the match has %2 steps")
                            .arg(options.step)
                            .arg(window.duelBoard()->lastStep()));
            return ExitCode::badInput;
        }
        window.duelBoard()->goToStep(options.step);
    }
    // The step asked for, or the duel's set-up: cheap unless a step was.
    window.duelBoard()->waitForStep();
    const QString path = imageOutput(options).path;
    QString error;
    if (!options.boardImagePath.isEmpty()) {
        const QImage board = window.duelBoard()->boardImage(boardImageCellSize);
        // Its pixels as they are, or drawn whole on an SVG or PDF page.
        error = isVectorPicturePath(path)
                    ? writePictureFile(path, {board.size(),
                                              [board](QPainter& painter, const QRect& area) {
                                                  painter.drawImage(area, board);
                                              }})
                    : writeImageFile(path, board);
    } else {
        // At the size asked for, whatever the last session left.
        window.resizeToDefaultLayout(options.size);
        window.show();
        QApplication::processEvents();
        // Every cell the pane shows played, unless the map is too long a
        // wait or the --timeout has passed: then what is done, with the
        // map's progress.
        std::optional<std::chrono::milliseconds> within;
        if (options.timeoutSeconds)
            within = std::chrono::milliseconds(std::max<qint64>(
                0, static_cast<qint64>(*options.timeoutSeconds) * 1000 - clock.elapsed()));
        window.ciao()->waitForPicture(within);
        window.fitness()->waitForLines();
        QApplication::processEvents();
        error = window.writeWindowPicture(path);
    }
    if (!error.isEmpty()) {
        reportError(error);
        return ExitCode::unwritableOutput;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    ignoreFileSizeSignal();
    QStringList arguments;
    for (int k = 0; k < argc; ++k)
        arguments << QString::fromLocal8Bit(argv[k]);
    const ExplorerOptionsParse parsed = parseExplorerOptions(arguments);
    // Images need no screen: a script or a check may run without one.
    std::unique_ptr<QTemporaryDir> runtimeFolder;
    if (parsed.options.scripted() || parsed.outcome != ParseVerdict::Outcome::Run)
        runtimeFolder = useOffscreenPlatform();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Coevolife"));
    QApplication::setApplicationName(QStringLiteral("coevolife-explorer"));
    if (const auto exitCode = exitCodeBeforeRun(parsed))
        return *exitCode;
    const ExplorerOptions& options = parsed.options;
    if (options.scripted())
        if (const QString problem = checkImageOutput(options); !problem.isEmpty()) {
            reportError(problem);
            return ExitCode::badInput;
        }

    loadSpriteSheet();
    ExplorerWindow window(!options.scripted());
    if (options.scripted()) {
        // The picture is of the run read whole.
        if (!options.path.isEmpty())
            if (const QString problem = window.openPath(options.path); !problem.isEmpty()) {
                reportError(problem);
                return ExitCode::badInput;
            }
        return writeScriptedImage(window, options);
    }
    // The window shows at once; the duel asked for once the run is read.
    window.show();
    if (!options.path.isEmpty()) {
        if (options.duel)
            QObject::connect(
                &window, &ExplorerWindow::opened, &window,
                [&window, &options](const QString& problem) {
                    if (!problem.isEmpty())
                        return;
                    DuelSelection duel{options.duel->first, options.duel->second, -1, -1};
                    if (options.members) {
                        duel.member1 = options.members->first;
                        duel.member2 = options.members->second;
                    }
                    window.selectChecked(duel);
                    if (options.lineage)
                        window.followLineage(
                            {(*options.lineage)[0], (*options.lineage)[1], (*options.lineage)[2]});
                    window.duelBoard()->goToStep(options.step);
                },
                Qt::SingleShotConnection);
        window.beginOpening(options.path);
    }
    return app.exec();
}
